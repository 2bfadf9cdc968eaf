// Field definitions: the list from which a dataset builds its fields.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/name_index.h"
#include "dataset/field_type.h"

namespace qualtren {

enum TFieldAttribute : uint8_t {
  faHiddenCol = 1,
  faReadonly = 2,
  faRequired = 4,
  faLink = 8,
  faUnNamed = 16,
  faFixed = 32,
};

struct TFieldDef {
  std::string Name;
  TFieldType DataType = ftUnknown;
  int Size = 0;
  int Precision = 0;
  bool Required = false;
  uint8_t Attributes = 0;  // TFieldAttribute bits
};

class TFieldDefs {
 public:
  size_t Count() const { return items_.size(); }
  TFieldDef& operator[](size_t i) { return *items_[i]; }
  const TFieldDef& operator[](size_t i) const { return *items_[i]; }

  // Adds a definition and reports the change.
  TFieldDef& Add(const std::string& name, TFieldType type, int size = 0, bool required = false);
  void Clear();
  // The definition of that name, ignoring case; nullptr when there is none.
  TFieldDef* Find(std::string_view name) const;
  int IndexOf(std::string_view name) const;

  // While updating, changes are reported once, at the end.
  void BeginUpdate() { ++updateCount_; }
  void EndUpdate();
  // Reports a change made to a definition in place.
  void Changed();

  // Called after every change (the owning dataset restructures itself).
  std::function<void()> OnChange;

 private:
  std::vector<std::unique_ptr<TFieldDef>> items_;
  int updateCount_ = 0;
  bool pending_ = false;
};

/// The names of the definitions, for many lookups in a row that find what
/// Find finds; it serves while the definitions stay as they are.
TNameIndex DefNameIndex(const TFieldDefs& defs);

}  // namespace qualtren
