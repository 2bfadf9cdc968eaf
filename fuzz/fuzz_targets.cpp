// The fuzz targets over the table loaders, the filter parser and the
// IndexFieldNames parser.
#include "fuzz/fuzz_targets.h"

#include <string>

#include "base/exception.h"
#include "base/stream.h"
#include "table/filter.h"
#include "table/sort_columns.h"
#include "table/virtual_table.h"

namespace qualtren::fuzz {

namespace {

std::string Bytes(const uint8_t* data, size_t size) {
  return std::string(reinterpret_cast<const char*>(data), size);
}

// Reads every value of every record and writes the table again, so that a
// load that left a broken table shows.
void Exercise(TVirtualTable& t) {
  if (!t.Active()) t.Open();
  for (t.First(); !t.Eof(); t.Next())
    for (size_t i = 0; i < t.FieldCount(); ++i)
      (void)t.Field(i).AsString();
  TMemoryStream out;
  t.SaveTableStream(out, true);
  TVirtualTable again("again");
  again.LoadTableStream(out, true);
}

void LoadBoth(const std::string& bytes) {
  // With the stream's definitions.
  try {
    TVirtualTable t("t");
    TMemoryStream in(bytes);
    t.LoadTableStream(in, true);
    Exercise(t);
  } catch (const Exception&) {
  }
  // Data only, into fields of several kinds matched by name.
  try {
    TVirtualTable t("t");
    t.FieldDefs().Add("A", ftString, 8);
    t.FieldDefs().Add("B", ftInteger);
    t.FieldDefs().Add("C", ftWideString, 4);
    t.FieldDefs().Add("D", ftVarBytes, 3);
    t.FieldDefs().Add("E", ftDateTime);
    t.FieldDefs().Add("F", ftLargeint).Precision = 5;
    t.Open();
    TMemoryStream in(bytes);
    t.LoadTableStream(in, false);
    Exercise(t);
  } catch (const Exception&) {
  }
}

const TFieldDescs& FixedDescs() {
  static const TFieldDescs descs = [] {
    TFieldDescs d;
    const std::pair<const char*, uint16_t> fields[] = {
        {"TableName", dtString}, {"FieldName", dtString}, {"Num", dtInteger},
        {"Amount", dtFloat},     {"Born", dtDate},        {"Flag", dtBoolean},
        {"Field Name", dtString}};
    for (auto [name, type] : fields) {
      auto f = std::make_unique<TFieldDesc>();
      f->Name = f->ActualName = name;
      f->DataType = type;
      f->FieldNo = static_cast<int>(d.Count()) + 1;
      d.Add(std::move(f));
    }
    return d;
  }();
  return descs;
}

}  // namespace

int TableBinary(const uint8_t* data, size_t size) {
  LoadBoth(Bytes(data, size));
  return 0;
}

int TableXml(const uint8_t* data, size_t size) {
  std::string bytes = Bytes(data, size);
  // Keep the input on the XML side of the format detection.
  if (bytes.rfind("<xml", 0) != 0 && bytes.rfind("<?xml", 0) != 0) bytes.insert(0, "<xml ");
  LoadBoth(bytes);
  return 0;
}

int Filter(const uint8_t* data, size_t size) {
  std::string text = Bytes(data, size);
  std::unique_ptr<TFilterExpression> e;
  try {
    e = TFilterExpression::Parse(text, FixedDescs());
  } catch (const Exception&) {
    return 0;
  }
  const Variant records[][7] = {
      {Variant::Text("abc"), Variant::Text("x"), Variant::Integer(3), Variant::Double(1.5),
       Variant::DateTime(36526), Variant::Boolean(true), Variant::Text("")},
      {Variant(), Variant(), Variant(), Variant(), Variant(), Variant(), Variant()},
      {Variant::Text("\x8a%_*"), Variant::Text("2003-07-15"), Variant::Integer(-1),
       Variant::Double(-0.0), Variant::DateTime(-1), Variant::Boolean(false),
       Variant::Text("O'Brien")}};
  for (const auto& rec : records) {
    auto read = [&](const TFieldDesc& d) { return rec[d.FieldNo - 1]; };
    for (int flags = 0; flags < 4; ++flags) {
      try {
        (void)e->Evaluate(read, flags & 1, flags & 2);
      } catch (const Exception&) {
      }
    }
  }
  std::vector<std::pair<const TFieldDesc*, std::string>> terms;
  (void)e->EqualityTerms(terms);
  return 0;
}

int IndexFieldNames(const uint8_t* data, size_t size) {
  std::string text = Bytes(data, size);
  try {
    (void)ParseIndexFieldNames(text, FixedDescs());
  } catch (const Exception&) {
    return 0;
  }
  // Sort a small table by it.
  try {
    TVirtualTable t("t");
    t.FieldDefs().Add("TableName", ftString, 8);
    t.FieldDefs().Add("FieldName", ftString, 8);
    t.FieldDefs().Add("Num", ftInteger);
    t.FieldDefs().Add("Amount", ftFloat);
    t.FieldDefs().Add("Born", ftDate);
    t.FieldDefs().Add("Flag", ftBoolean);
    t.FieldDefs().Add("Field Name", ftString, 8);
    t.Open();
    const char* names[] = {"b", "A", nullptr, "a", "\x8a", "c", "B"};
    for (int i = 0; i < 7; ++i) {
      t.Append();
      if (names[i]) t.Field(0).SetAsString(names[i]);
      if (i % 2) t.Field(2).SetAsInteger(i * 7 % 5);
      t.Post();
    }
    t.SetIndexFieldNames(text);
    for (t.First(); !t.Eof(); t.Next())
      (void)t.Field(0).AsString();
  } catch (const Exception&) {
  }
  return 0;
}

}  // namespace qualtren::fuzz
