// The layout of the three translation tables, the fold and key of a local
// name, and the rows of the loaded tables read by that layout.
#include "trans/trans_layout.h"

#include <filesystem>

#include "base/codepage.h"
#include "base/exception.h"

namespace qualtren {

namespace {

constexpr std::array<TTransTableLayout, 3> kLayouts = {{
    {TNameKind::Table, kTableNamesFile, nullptr, "TableName", "TableNameAng"},
    {TNameKind::Procedure, kProcedureNamesFile, nullptr, "Naziv", "ProcedureNameAng"},
    {TNameKind::Column, kColumnNamesFile, "TableName", "FieldName", "FieldNameAng"},
}};

size_t KindIndex(TNameKind kind) {
  return static_cast<size_t>(kind);
}

}  // namespace

std::string FoldTransName(std::string_view name) {
  return AnsiUpperCase(name);
}

std::string TransNameKey(std::string_view scope, std::string_view local) {
  std::string key = std::to_string(scope.size());
  key += ':';
  key += FoldTransName(scope);
  key += FoldTransName(local);
  return key;
}

const TTransTableLayout& TransTableLayout(TNameKind kind) {
  return kLayouts[KindIndex(kind)];
}

const TTransTableLayout* LayoutOfFields(const std::vector<std::string>& fieldNames) {
  for (const TTransTableLayout& layout : kLayouts)
    for (const std::string& name : fieldNames)
      if (FoldTransName(name) == FoldTransName(layout.EnglishField)) return &layout;
  return nullptr;
}

TTransRows ReadTransRows(TTransTableSet& tables, const std::string& dir) {
  TTransRows rows;
  for (const TTransTableLayout& layout : kLayouts) {
    TVirtualTable& table = tables.Tables().Of(layout.Kind);
    const std::string file = dir.empty() ? std::string(layout.File)
                                         : (std::filesystem::path(dir) / layout.File).string();
    if (table.FieldDefs().Count() == 0) continue;  // a table file without fields holds no rows
    table.SetFiltered(false);
    table.SetIndexFieldNames("");
    table.Open();
    auto field = [&](const char* name) -> TField* {
      if (name == nullptr) return nullptr;
      TField* f = table.FindField(name);
      if (f == nullptr) throw Exception(file + ": no field " + name);
      return f;
    };
    TField* scope = field(layout.ScopeField);
    TField& local = *field(layout.LocalField);
    TField& english = *field(layout.EnglishField);
    std::vector<TTransRow>& out = rows[KindIndex(layout.Kind)];
    int record = 0;
    for (table.First(); !table.Eof(); table.Next())
      out.push_back({++record, scope ? scope->AsString() : std::string(), local.AsString(),
                     english.AsString()});
  }
  return rows;
}

}  // namespace qualtren
