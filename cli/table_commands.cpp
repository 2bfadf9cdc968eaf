// The table subcommands: describe a table file, dump its records as CSV,
// build a table file from CSV, and convert any table file to the binary form.
#include <charconv>
#include <cstdio>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "base/codepage.h"
#include "base/datetime.h"
#include "base/stream.h"
#include "base/utf.h"
#include "cli/commands.h"
#include "cli/csv.h"
#include "dataset/bcd.h"
#include "dataset/field.h"
#include "dataset/field_type.h"

namespace qualtren {

namespace {

void WriteOut(CliIo& io, const std::string& bytes) {
  io.Out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!io.Out) throw EWriteError();
}

void FlushOut(CliIo& io) {
  io.Out.flush();
  if (!io.Out) throw EWriteError();
}

std::string TwoDigits(int v) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%02d", v);
  return buf;
}

std::string DateText(TDateTime dt) {
  int y, m, d;
  DecodeDate(dt, y, m, d);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", y, m, d);
  return buf;
}

std::string TimeText(TDateTime dt) {
  int h, m, s, ms;
  DecodeTime(dt, h, m, s, ms);
  std::string out = TwoDigits(h) + ":" + TwoDigits(m) + ":" + TwoDigits(s);
  if (ms != 0) {
    char buf[8];
    std::snprintf(buf, sizeof buf, ".%03d", ms);
    out += buf;
  }
  return out;
}

std::string ShortestDouble(double v) {
  char buf[64];
  auto result = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, result.ptr);
}

std::string Hex(const std::string& bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (unsigned char b : bytes) {
    out += kDigits[b >> 4];
    out += kDigits[b & 15];
  }
  return out;
}

std::string VariantText(const Variant& v) {
  switch (v.kind()) {
    case Variant::Kind::Integer:
      return std::to_string(v.ToInt64());
    case Variant::Kind::Double:
      return ShortestDouble(v.ToDouble());
    case Variant::Kind::Boolean:
      return v.ToBool() ? "True" : "False";
    case Variant::Kind::DateTime:
      return DateText(v.ToDateTime()) + " " + TimeText(v.ToDateTime());
    default:
      return AnsiToUtf8(v.ToString());
  }
}

// The value of the current record's field as CSV text (UTF-8); none for null.
std::optional<std::string> CsvValue(const TField& field) {
  if (field.IsNull()) return std::nullopt;
  std::string native;
  switch (field.DataType()) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc:
    case ftLargeint:
      return std::to_string(field.AsLargeInt());
    case ftFloat:
    case ftCurrency:
      return ShortestDouble(field.AsFloat());
    case ftBCD: {
      field.GetData(native);
      int64_t tenThousandths = 0;
      for (size_t i = 0; i < 8 && i < native.size(); ++i)
        tenThousandths |= static_cast<int64_t>(static_cast<uint8_t>(native[i])) << (8 * i);
      return CurrencyToDecimalText(tenThousandths);
    }
    case ftFMTBcd:
      field.GetData(native);
      return FmtBcdToDecimalText(native);
    case ftBoolean:
      return field.AsBoolean() ? "True" : "False";
    case ftDate:
      return DateText(field.AsDateTime());
    case ftTime:
      return TimeText(field.AsDateTime());
    case ftDateTime:
      return DateText(field.AsDateTime()) + " " + TimeText(field.AsDateTime());
    case ftBytes:
    case ftVarBytes:
    case ftBlob:
      return Hex(field.AsBytes());
    case ftWideString:
      return Utf16ToUtf8(field.AsWideString());
    case ftVariant:
      return VariantText(field.AsVariant());
    default:  // ftString, ftMemo, ftGuid
      return AnsiToUtf8(field.AsString());
  }
}

}  // namespace

int RunTableInfo(const std::string& file, CliIo& io) {
  TVirtualTable table;
  table.LoadTableFile(file);
  std::string out = table.LastLoadedVersion() < 0
                        ? std::string("xml\n")
                        : "binary version " + std::to_string(table.LastLoadedVersion()) + "\n";
  const TFieldDefs& defs = table.FieldDefs();
  for (size_t i = 0; i < defs.Count(); ++i) {
    out += AnsiToUtf8(defs[i].Name) + "\t" + FieldTypeName(defs[i].DataType) + "\t" +
           std::to_string(defs[i].Size) + "\t" + std::to_string(defs[i].Precision) + "\n";
  }
  int records = 0;
  if (defs.Count() > 0) {
    table.Open();
    records = table.RecordCount();
  }
  out += "records: " + std::to_string(records) + "\n";
  WriteOut(io, out);
  FlushOut(io);
  return kExitOk;
}

int RunTableDump(const std::string& file, CliIo& io) {
  TVirtualTable table;
  table.LoadTableFile(file);
  if (table.FieldDefs().Count() == 0) return kExitOk;
  table.Open();
  std::vector<const TField*> fields;
  std::vector<std::optional<std::string>> values;
  for (size_t i = 0; i < table.FieldCount(); ++i) {
    if (table.Field(i).FieldKind() != TFieldKind::fkData) continue;
    fields.push_back(&table.Field(i));
    values.emplace_back(AnsiToUtf8(table.Field(i).FieldName()));
  }
  if (fields.empty()) return kExitOk;
  // Everything is formatted before the first byte is written, so that a value
  // that cannot be shown never leaves half a dump behind.
  std::string out = CsvLine(values);
  for (table.First(); !table.Eof(); table.Next()) {
    for (size_t f = 0; f < fields.size(); ++f)
      values[f] = CsvValue(*fields[f]);
    out += CsvLine(values);
  }
  WriteOut(io, out);
  FlushOut(io);
  return kExitOk;
}

int RunTableImport(const ImportOptions& options, CliIo& io) {
  (void)io;
  TVirtualTable table;
  ImportCsv(ReadWholeFile(options.Csv), options.Size, table);
  table.SaveTableFile(options.Out);
  return kExitOk;
}

void ImportCsv(std::string_view csv, int size, TVirtualTable& table) {
  const std::vector<CsvRow> rows = ParseCsv(csv);

  std::vector<std::string> names;
  std::vector<int> sizes;
  std::vector<std::vector<std::optional<std::string>>> records;
  if (!rows.empty()) {
    const CsvRow& header = rows.front();
    std::set<std::string> seen;
    for (size_t f = 0; f < header.Fields.size(); ++f) {
      const CsvField& field = header.Fields[f];
      const std::string what = "the name of column " + std::to_string(f + 1);
      if (field.Text.empty())
        CsvError(field.Line, "column " + std::to_string(f + 1) + " has no name");
      std::string name = CsvFieldToAnsi(field, what);
      if (!seen.insert(AnsiUpperCase(name)).second)
        CsvError(field.Line, "the field name \"" + field.Text + "\" is given twice");
      names.push_back(std::move(name));
    }
    sizes.assign(names.size(), 1);
    for (size_t r = 1; r < rows.size(); ++r) {
      const CsvRow& row = rows[r];
      CheckCsvRowWidth(row, names.size());
      std::vector<std::optional<std::string>> record;
      for (size_t f = 0; f < names.size(); ++f) {
        const CsvField& field = row.Fields[f];
        if (field.Text.empty() && !field.Quoted) {
          record.emplace_back();
          continue;
        }
        const std::string what = "the value of field \"" + header.Fields[f].Text + "\"";
        std::string value = CsvFieldToAnsi(field, what);
        const int limit = size > 0 ? size : kMaxStringFieldSize;
        if (value.size() > static_cast<size_t>(limit))
          CsvError(field.Line, what + " is " + std::to_string(value.size()) +
                                   " bytes long, longer than " +
                                   (size > 0 ? "the size " : "a string field can hold, ") +
                                   std::to_string(limit));
        sizes[f] = std::max(sizes[f], static_cast<int>(value.size()));
        record.emplace_back(std::move(value));
      }
      records.push_back(std::move(record));
    }
  }

  for (size_t f = 0; f < names.size(); ++f)
    table.FieldDefs().Add(names[f], ftString, size > 0 ? size : sizes[f]);
  if (!names.empty()) {
    table.Open();
    for (const auto& record : records) {
      table.Append();
      for (size_t f = 0; f < names.size(); ++f) {
        if (record[f])
          table.Field(f).SetAsString(*record[f]);
        else
          table.Field(f).Clear();
      }
      table.Post();
    }
  }
}

int RunTableConvert(const std::string& in, const std::string& out, CliIo& io) {
  (void)io;
  TVirtualTable table;
  table.LoadTableFile(in);
  table.SaveTableFile(out);
  return kExitOk;
}

}  // namespace qualtren
