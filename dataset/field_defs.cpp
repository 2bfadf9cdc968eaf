// Field definition list with change notification.
#include "dataset/field_defs.h"

#include "base/collation.h"

namespace qualtren {

TFieldDef& TFieldDefs::Add(const std::string& name, TFieldType type, int size, bool required) {
  auto def = std::make_unique<TFieldDef>();
  def->Name = name;
  def->DataType = type;
  def->Size = size;
  def->Required = required;
  if (required) def->Attributes |= faRequired;
  items_.push_back(std::move(def));
  TFieldDef& added = *items_.back();
  Changed();
  return added;
}

void TFieldDefs::Clear() {
  if (items_.empty()) return;
  items_.clear();
  Changed();
}

TFieldDef* TFieldDefs::Find(std::string_view name) const {
  int i = IndexOf(name);
  return i < 0 ? nullptr : items_[static_cast<size_t>(i)].get();
}

int TFieldDefs::IndexOf(std::string_view name) const {
  for (size_t i = 0; i < items_.size(); ++i)
    if (AnsiCompareText(items_[i]->Name, name) == 0) return static_cast<int>(i);
  return -1;
}

TNameIndex DefNameIndex(const TFieldDefs& defs) {
  return TNameIndex(defs.Count(), [&](size_t i) -> std::string_view { return defs[i].Name; });
}

void TFieldDefs::EndUpdate() {
  if (updateCount_ > 0 && --updateCount_ == 0 && pending_) Changed();
}

void TFieldDefs::Changed() {
  if (updateCount_ > 0) {
    pending_ = true;
    return;
  }
  pending_ = false;
  if (OnChange) OnChange();
}

}  // namespace qualtren
