// The dataset base: state, open and close with their notifications, a
// current record with first/next/prior and the end and beginning of data,
// field objects and field definitions, editing (append, insert, edit, post,
// cancel, delete), bookmarks, the filter properties and the counter of
// suspended attached controls. Subclasses supply the records.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/name_index.h"
#include "dataset/field.h"
#include "dataset/field_defs.h"

namespace qualtren {

enum class TDataSetState {
  dsInactive,
  dsBrowse,
  dsEdit,
  dsInsert,
  dsFilter,
  dsCalcFields,
  dsOpening
};

enum TFilterOption : uint8_t { foCaseInsensitive = 1, foNoPartialCompare = 2 };
using TFilterOptions = uint8_t;  // set of TFilterOption bits

// A position that the dataset can return to.
using TBookmark = std::optional<intptr_t>;

// Raises an EDatabaseError whose message carries the component's name in
// front ("%s: %s") when the component has one.
[[noreturn]] void DatabaseError(const std::string& message, const std::string& componentName);

class TDataSet;

/// The names of a dataset's field objects, for many lookups in a row that
/// find what FindField finds; it serves while the fields stay as they are.
TNameIndex FieldNameIndex(const TDataSet& dataset);

class TDataSet {
 public:
  using Event = std::function<void(TDataSet&)>;
  using FilterRecordEvent = std::function<void(TDataSet&, bool& accept)>;

  explicit TDataSet(std::string name = {});
  virtual ~TDataSet();
  TDataSet(const TDataSet&) = delete;
  TDataSet& operator=(const TDataSet&) = delete;

  virtual std::string ClassName() const { return "TDataSet"; }
  const std::string& Name() const { return name_; }
  void SetName(std::string name) { name_ = std::move(name); }

  // State and opening.
  TDataSetState State() const { return state_; }
  bool Active() const { return state_ != TDataSetState::dsInactive; }
  void SetActive(bool active);
  void Open() { SetActive(true); }
  void Close() { SetActive(false); }

  // Navigation.
  bool Eof() const { return eof_; }
  bool Bof() const { return bof_; }
  bool IsEmpty() const { return eof_ && bof_; }
  void First();
  void Last();
  void Next();
  void Prior();
  // 0 when the dataset is closed.
  int RecordCount();
  int RecNo();
  void SetRecNo(int recNo);

  // Fields.
  TFieldDefs& FieldDefs() { return fieldDefs_; }
  const TFieldDefs& FieldDefs() const { return fieldDefs_; }
  size_t FieldCount() const { return fields_.size(); }
  TField& Field(size_t i) const { return *fields_[i]; }
  TField* FindField(std::string_view name) const;
  // Raises "Field '%s' not found" behind the dataset's name.
  TField& FieldByName(std::string_view name) const;
  // True when the field objects were made from the definitions on open.
  bool DefaultFields() const { return defaultFields_; }
  // Adds a persistent field object (the dataset must be closed).
  TField& AddField(std::unique_ptr<TField> field);
  // Removes all field objects and hands them over (the dataset must be closed).
  std::vector<std::unique_ptr<TField>> TakeFields();
  void DestroyFields();

  // Editing.
  void Append();
  void Insert();
  void Edit();
  void Post();
  void Cancel();
  void Delete();
  // Posts a pending edit, making sure the dataset is in browse state.
  void CheckBrowseMode();

  // Bookmarks.
  TBookmark GetBookmark();
  void GotoBookmark(const TBookmark& bookmark);

  // Attached controls (there are none; the counter keeps the calls paired).
  void DisableControls() { ++disableCount_; }
  void EnableControls() {
    if (disableCount_ > 0) --disableCount_;
  }
  bool ControlsDisabled() const { return disableCount_ > 0; }

  // Filter properties; the base keeps them, a dataset that filters applies them.
  const std::string& Filter() const { return filterText_; }
  virtual void SetFilter(const std::string& text) { filterText_ = text; }
  bool Filtered() const { return filtered_; }
  virtual void SetFiltered(bool on) { filtered_ = on; }
  TFilterOptions FilterOptions() const { return filterOptions_; }
  virtual void SetFilterOptions(TFilterOptions options) { filterOptions_ = options; }
  const FilterRecordEvent& OnFilterRecord() const { return onFilterRecord_; }
  virtual void SetOnFilterRecord(FilterRecordEvent handler) {
    onFilterRecord_ = std::move(handler);
  }

  // Values of the current record, for the field objects.
  virtual bool GetFieldData(const TField& field, std::string* out) = 0;
  virtual void SetFieldData(TField& field, const std::string* value) = 0;
  virtual Variant GetFieldVariant(const TField& field);
  virtual void SetFieldVariant(TField& field, const Variant& value);

  // Notifications.
  Event BeforeOpen, AfterOpen, BeforeClose, AfterClose, BeforeInsert, AfterInsert, BeforeEdit,
      AfterEdit, BeforePost, AfterPost, BeforeCancel, AfterCancel, BeforeDelete, AfterDelete,
      BeforeScroll, AfterScroll, OnNewRecord, OnCalcFields;

 protected:
  enum class GetMode { Next, Prior, Current };

  // Opens the records; definitions, descriptors and field binding happen
  // here. On failure the dataset stays inactive.
  virtual void InternalOpen() = 0;
  virtual void InternalClose() = 0;
  // Positions before the first / after the last record.
  virtual void InternalFirst() = 0;
  virtual void InternalLast() = 0;
  // Moves and makes the reached record the current one; false when there is none.
  virtual bool InternalGetRecord(GetMode mode) = 0;
  // Prepares an empty record for insert (append: at the end).
  virtual void InternalInsert(bool append) = 0;
  virtual void InternalEdit() = 0;
  virtual void InternalPost() = 0;
  virtual void InternalCancel() = 0;
  virtual void InternalDelete() = 0;
  virtual int GetRecordCount() = 0;
  virtual int GetRecNo() = 0;
  virtual void InternalSetRecNo(int recNo) = 0;
  virtual TBookmark InternalGetBookmark() = 0;
  virtual bool InternalGotoBookmark(intptr_t bookmark) = 0;
  // After open: whether the dataset holds any record at its cursor.
  virtual bool IsCursorOpen() const = 0;

  // One move to the next or prior record with its scroll notifications.
  void Step(GetMode mode);
  // A new record at the end or before the current one, with the insert
  // notifications.
  void StartInsert(bool append);
  // Creates one field object per definition (default fields).
  void CreateDefaultFields();
  void SetState(TDataSetState s) { state_ = s; }
  void SetEof(bool v) { eof_ = v; }
  void SetBof(bool v) { bof_ = v; }
  void CheckActive() const;
  void CheckEditing() const;
  // Re-reads the current record after the records changed underneath.
  void Resync();
  // Opening and closing without the notifications (used while loading).
  void OpenCursor();
  void CloseCursor();
  void DoFirstFetch();
  void Fire(const Event& e) {
    if (e) e(*this);
  }

  std::vector<std::unique_ptr<TField>> fields_;
  bool defaultFields_ = false;

 private:
  std::string name_;
  TDataSetState state_ = TDataSetState::dsInactive;
  bool eof_ = true;
  bool bof_ = true;
  int disableCount_ = 0;
  TFieldDefs fieldDefs_;
  std::string filterText_;
  bool filtered_ = false;
  TFilterOptions filterOptions_ = 0;
  FilterRecordEvent onFilterRecord_;
};

}  // namespace qualtren
