// Lookup of field descriptors by name.
#include "table/field_desc.h"

#include "base/collation.h"

namespace qualtren {

TFieldDesc* TFieldDescs::Find(std::string_view name) const {
  // An equal name needs no collation.
  for (const auto& d : items_)
    if (d->Name == name || AnsiCompareText(d->Name, name) == 0) return d.get();
  return nullptr;
}

}  // namespace qualtren
