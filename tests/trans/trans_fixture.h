// Translation tables built in memory for the engine's tests: the Kupac /
// Racun / Obracun example tables and helpers to add further rows.
#pragma once

#include <initializer_list>
#include <string>
#include <utility>

#include "dataset/dataset.h"
#include "table/virtual_table.h"
#include "trans/name_lookup.h"
#include "trans/trans_tables.h"

namespace qualtren::transtest {

inline void AddRow(TVirtualTable& t,
                   std::initializer_list<std::pair<const char*, std::string>> values) {
  t.Append();
  for (const auto& [field, value] : values)
    t.FieldByName(field).SetAsString(value);
  t.Post();
}

// The three translation tables, defined and open but empty, filtering as the
// window and the command line set them up.
struct TransTestTables {
  TTransTableSet set;
  TVirtualTable& table = set.Table;
  TVirtualTable& storedProc = set.StoredProc;
  TVirtualTable& tableStr = set.TableStr;

  explicit TransTestTables(bool withFieldNameAng = true) {
    table.FieldDefs().Add("TableName", ftString, 50);
    table.FieldDefs().Add("TableNameAng", ftString, 50);
    storedProc.FieldDefs().Add("Naziv", ftString, 50);
    storedProc.FieldDefs().Add("ProcedureNameAng", ftString, 50);
    tableStr.FieldDefs().Add("TableName", ftString, 50);
    tableStr.FieldDefs().Add("FieldName", ftString, 50);
    if (withFieldNameAng) tableStr.FieldDefs().Add("FieldNameAng", ftString, 50);
    for (TVirtualTable* t : {&table, &storedProc, &tableStr})
      t->Open();
  }

  TransTables Tables() { return {table, storedProc, tableStr}; }

  void AddTable(const std::string& name, const std::string& english) {
    AddRow(table, {{"TableName", name}, {"TableNameAng", english}});
  }
  void AddProc(const std::string& name, const std::string& english) {
    AddRow(storedProc, {{"Naziv", name}, {"ProcedureNameAng", english}});
  }
  void AddColumn(const std::string& tableName, const std::string& name,
                 const std::string& english) {
    if (tableStr.FindField("FieldNameAng"))
      AddRow(tableStr, {{"TableName", tableName}, {"FieldName", name}, {"FieldNameAng", english}});
    else
      AddRow(tableStr, {{"TableName", tableName}, {"FieldName", name}});
  }

  // Kupac (Customer) and Racun (Invoice), their columns, and the procedure
  // Obracun (Settle).
  void FillExample() {
    AddTable("Kupac", "Customer");
    AddTable("Racun", "Invoice");
    AddColumn("Kupac", "Ime", "Name");
    AddColumn("Kupac", "Grad", "City");
    AddColumn("Racun", "Iznos", "Amount");
    AddColumn("Racun", "Kupac", "CustomerId");
    AddProc("Obracun", "Settle");
  }
};

}  // namespace qualtren::transtest
