// The fuzz targets over the readers of the translation side: the CSV import,
// the automatic table name and the translation driver, the last two held
// against a second way of computing the same result.
#include <cstdlib>
#include <string>

#include "base/exception.h"
#include "base/stream.h"
#include "cli/commands.h"
#include "dataset/dataset.h"
#include "fuzz/fuzz_targets.h"
#include "trans/auto_table_name.h"
#include "trans/lines.h"
#include "trans/stream_translate.h"
#include "trans/trans_tables.h"
#include "trans/translate.h"

namespace qualtren::fuzz {

namespace {

std::string Bytes(const uint8_t* data, size_t size) {
  return std::string(reinterpret_cast<const char*>(data), size);
}

// A disagreement between two ways to the same result is a finding.
void Require(bool same) {
  if (!same) std::abort();
}

void AddRow(TVirtualTable& t, std::initializer_list<const char*> values) {
  t.Append();
  size_t i = 0;
  for (const char* v : values)
    t.Field(i++).SetAsString(v);
  t.Post();
}

// Small tables with names that collide by letter case and by pattern
// characters; built once, never changed.
TTransTableSet& Tables() {
  static TTransTableSet set;
  static const bool built = [] {
    set.Table.FieldDefs().Add("TableName", ftString, 20);
    set.Table.FieldDefs().Add("TableNameAng", ftString, 20);
    set.StoredProc.FieldDefs().Add("Naziv", ftString, 20);
    set.StoredProc.FieldDefs().Add("ProcedureNameAng", ftString, 20);
    set.TableStr.FieldDefs().Add("TableName", ftString, 20);
    set.TableStr.FieldDefs().Add("FieldName", ftString, 20);
    set.TableStr.FieldDefs().Add("FieldNameAng", ftString, 20);
    for (TVirtualTable* t : {&set.Table, &set.StoredProc, &set.TableStr})
      t->Open();
    AddRow(set.Table, {"Kupac", "Customer"});
    AddRow(set.Table, {"Racun", "Invoice"});
    AddRow(set.Table, {"a%", ""});
    AddRow(set.StoredProc, {"Obracun", "Settle"});
    AddRow(set.TableStr, {"Kupac", "Ime", "Name"});
    AddRow(set.TableStr, {"Kupac", "Grad", "City"});
    AddRow(set.TableStr, {"Racun", "Grad", "PlaceOfIssue"});
    AddRow(set.TableStr, {"Racun", "Kupac", "CustomerId"});
    AddRow(set.TableStr, {"kupac\r\nwhere", "x_y", "XY"});
    return true;
  }();
  (void)built;
  return set;
}

}  // namespace

int CsvImport(const uint8_t* data, size_t size) {
  const std::string text = Bytes(data, size);
  try {
    TVirtualTable t("t");
    ImportCsv(text, size > 0 ? data[0] % 3 : 0, t);
    if (!t.Active()) return 0;
    for (t.First(); !t.Eof(); t.Next())
      for (size_t i = 0; i < t.FieldCount(); ++i)
        (void)t.Field(i).AsString();
    TMemoryStream out;
    t.SaveTableStream(out, true);
  } catch (const Exception&) {
  }
  return 0;
}

int AutoTableName(const uint8_t* data, size_t size) {
  // The first byte chooses the size of the pieces the scanner is fed.
  const size_t piece = size > 0 ? 1 + data[0] % 16 : 1;
  const std::string text = size > 0 ? Bytes(data + 1, size - 1) : std::string();
  const std::string normalized = NormalizeLineBreaks(text);
  const std::string whole = GetAutoTableName(normalized);
  TAutoTableNameScanner scanner;
  for (size_t at = 0; at < normalized.size(); at += piece)
    scanner.Feed(std::string_view(normalized).substr(at, piece));
  Require(scanner.Name() == whole);
  Require(AutoTableNameOfText(text) == whole);
  return 0;
}

int Translate(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t flags = data[0];
  const std::string text = Bytes(data + 1, size - 1);
  static const char* const kTableNames[] = {"", "Kupac", "racun", "O'Brien"};
  const std::string tableName = kTableNames[(flags >> 2) % 4];
  const bool autoName = (flags & 1) != 0;
  const bool comment = (flags & 2) != 0;
  const TransTables tables = Tables().Tables();

  std::string error;
  const std::string whole =
      TranslateText(tables, tableName, autoName, text, comment, "-- ", " */", &error);
  TStreamTranslator streamer(
      tables, {comment, TArgumentText::FromAnsi("-- "), TArgumentText::FromAnsi(" */")},
      TEncodingRule::Ansi);
  TMemoryStream in(text), out;
  const TStreamOutcome outcome =
      streamer.Translate(in, out, TArgumentText::FromAnsi(tableName), autoName);
  if (outcome.status == TStreamOutcome::Status::Failed) {
    Require(outcome.Error == error);
    TMemoryStream back;
    TStreamTranslator::CopyLines(in, back);
    Require(back.Bytes() == whole);
  } else {
    Require(error.empty());
    Require(out.Bytes() == whole);
    Require((outcome.status == TStreamOutcome::Status::HoldsNul) ==
            (text.find('\0') != std::string::npos));
  }
  return 0;
}

}  // namespace qualtren::fuzz
