// Reading a table from its XML form: field definitions from the schema
// section, records from the row elements.
#include "table/xml_table.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <optional>
#include <string_view>
#include <unordered_map>

#include "base/ascii.h"
#include "base/datetime.h"
#include "base/exception.h"
#include "base/format.h"
#include "base/name_index.h"
#include "base/utf.h"
#include "table/virtual_table.h"

namespace qualtren {

namespace {

[[noreturn]] void InvalidDocument() {
  throw EXmlError("Invalid XML document");
}

bool IsElement(const XmlTextReader& reader, TXmlNodeType type, std::string_view upperName) {
  return reader.NodeType() == type && UpperAscii(reader.Name()) == upperName;
}

int XmlStrToInt(const std::string& text) {
  int64_t v = 0;
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  bool ok = i < text.size();
  for (; ok && i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9')
      ok = false;
    else
      v = v * 10 + (text[i] - '0');
    if (v > int64_t{std::numeric_limits<int32_t>::max()} + 1) ok = false;
  }
  if (negative) v = -v;
  if (!ok || v > std::numeric_limits<int32_t>::max() || v < std::numeric_limits<int32_t>::min())
    throw EConvertError(Format("'%s' is not a valid integer value", {text}));
  return static_cast<int>(v);
}

// The digits of text at [at, at+count) as a number; a missing or non-digit
// character makes the document invalid.
int PositionalDigits(const std::string& text, size_t at, size_t count) {
  int v = 0;
  for (size_t i = at; i < at + count; ++i) {
    if (i >= text.size() || text[i] < '0' || text[i] > '9') InvalidDocument();
    v = v * 10 + (text[i] - '0');
  }
  return v;
}

// A number written with "." as decimal point, read under the locale's
// decimal separator.
double XmlStrToFloat(const std::string& text) {
  char sep = FormatSettings().DecimalSeparator;
  std::string local = text;
  for (char& c : local)
    if (c == '.') c = sep;
  double d = 0;
  if (!TryStrToFloat(local, d, sep))
    throw EConvertError(Format("'%s' is not a valid floating point value", {local}));
  return d;
}

// A float rounded to ten-thousandths, the precision of a currency value.
double ToCurrency(double d, const std::string& text) {
  double scaled = std::nearbyint(d * 10000.0);
  if (!(std::fabs(scaled) < 9.2233720368547758e18))
    throw EConvertError(Format("'%s' is not a valid currency value", {text}));
  return scaled / 10000.0;
}

// A float as plain decimal text ("." as point, no exponent), shortest form.
std::string FloatToPlainText(double d) {
  char buf[512];
  auto r = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::fixed);
  if (r.ec != std::errc()) throw EConvertError("Invalid floating point value");
  return std::string(buf, r.ptr);
}

// The field type for a (dt:type, rs:dbtype) pair; nullopt when unsupported.
std::optional<TFieldType> MapDataType(const std::string& type, const std::string& dbtype,
                                      bool isLong, bool fixed) {
  const bool noDb = dbtype.empty();
  if (type == "i8" && noDb) return ftLargeint;
  if (type == "bin.hex" && noDb) return isLong ? ftBlob : ftBytes;
  if (type == "boolean" && noDb) return ftBoolean;
  if (type == "string" && dbtype == "variant") return ftVariant;
  if (type == "string" && noDb) return isLong ? ftMemo : ftWideString;
  if (type == "string" && (dbtype == "str" || dbtype == "string"))
    return isLong ? ftMemo : ftString;
  if (type == "i8" && dbtype == "currency") return ftCurrency;
  if (type == "number" && dbtype == "currency") return ftCurrency;
  if (type == "datetime" && dbtype == "variantdate") return ftDateTime;
  if (type == "date" && noDb) return ftDate;
  if (type == "time" && noDb) return ftTime;
  if (type == "datetime" && dbtype == "timestamp") return ftDateTime;
  if (type == "number" && dbtype == "decimal") return ftCurrency;
  if (type == "float" && noDb) return ftFloat;
  if (type == "uuid" && noDb && fixed) return ftGuid;
  if (type == "int" && noDb) return ftInteger;
  if (type == "number" && dbtype == "numeric") return ftFMTBcd;
  if (type == "r4" && noDb) return ftFloat;
  if (type == "i2" && noDb) return ftSmallint;
  if (type == "i1" && noDb) return ftSmallint;
  if (type == "ui8" && noDb) return ftLargeint;
  if (type == "ui4" && noDb) return ftLargeint;
  if (type == "ui2" && noDb) return ftWord;
  if (type == "ui1" && noDb) return ftWord;
  return std::nullopt;
}

// Adds the definition described by the S:DATATYPE element the reader is on.
void AddDataType(const XmlTextReader& reader, TFieldDefs& defs, const std::string& name,
                 const std::string& tableName) {
  auto lowered = [&](std::string_view attr) -> std::optional<std::string> {
    std::optional<std::string> v = reader.GetAttribute(attr);
    if (v) *v = LowerAscii(*v);
    return v;
  };
  std::string type = lowered("dt:type").value_or("");
  std::string dbtype = lowered("rs:dbtype").value_or("");
  std::optional<std::string> maxLength = lowered("dt:maxlength");
  int length = maxLength ? XmlMaxLength(*maxLength) : 0;
  std::optional<std::string> v;
  int precision = (v = lowered("rs:precision")) ? XmlStrToInt(*v) : 0;
  int scale = (v = lowered("rs:scale")) ? XmlStrToInt(*v) : 0;
  bool fixed = (v = lowered("rs:fixedlength")) ? XmlStrToBool(*v) : false;
  // Only a column that says it may not be null is required.
  bool required = (v = lowered("rs:maybenull")) ? !XmlStrToBool(*v) : false;
  bool isLong = (v = lowered("rs:long")) ? XmlStrToBool(*v) : false;

  if (type.empty() && dbtype.empty()) InvalidDocument();
  if (!maxLength && dbtype.empty()) dbtype = "variant";

  std::optional<TFieldType> mapped = MapDataType(type, dbtype, isLong, fixed);
  if (!mapped) DatabaseError("Data type is not supported", tableName);
  TFieldType ft = *mapped;

  int size = FieldTypeRule(ft).SizeFromMaxLength ? length : 0;
  if (isLong) size = 0;
  if (ft == ftGuid) size = 38;
  if (ft == ftBytes && !fixed) ft = ftVarBytes;

  // One change notification per definition, made when it is complete.
  defs.BeginUpdate();
  try {
    TFieldDef& def = defs.Add(name, ft, size, required);
    if (FieldTypeRule(ft).PrecisionInFile) def.Precision = precision;
    if (ft == ftBCD || ft == ftFMTBcd) {
      def.Precision = precision;
      def.Size = scale;
    }
    if (fixed) def.Attributes |= faFixed;
    defs.Changed();
  } catch (...) {
    defs.EndUpdate();
    throw;
  }
  defs.EndUpdate();
}

// Stores one row attribute value (references already replaced) in a field.
void AssignXmlValue(TField& field, const std::string& raw) {
  if (field.DataType() == ftWideString) {
    // Straight from UTF-8, so that characters outside the code page survive.
    field.SetAsWideString(Utf8ToUtf16(raw));
    return;
  }
  std::string text = Utf8ToAnsi(raw);
  switch (field.DataType()) {
    case ftFloat:
      field.SetAsFloat(XmlStrToFloat(text));
      return;
    case ftCurrency:
    case ftBCD:
      field.SetAsFloat(ToCurrency(XmlStrToFloat(text), text));
      return;
    case ftFMTBcd:
      field.SetAsString(FloatToPlainText(XmlStrToFloat(text)));
      return;
    case ftDate:
    case ftDateTime:
      field.SetAsDateTime(XmlStrToDateTime(text));
      return;
    case ftTime:
      field.SetAsDateTime(XmlStrToTime(text));
      return;
    case ftBoolean:
      field.SetAsBoolean(XmlStrToBool(text));
      return;
    case ftBlob:
    case ftBytes:
    case ftVarBytes:
      field.SetAsBytes(XmlHexToBytes(text));
      return;
    default:
      // Integers are read by the field from their text; strings, memos,
      // GUIDs and variants take the text as it is.
      field.SetAsString(text);
      return;
  }
}

}  // namespace

bool XmlStrToBool(const std::string& text) {
  double d = 0;
  if (TryStrToFloat(text, d, '.') || TryStrToFloat(text, d, FormatSettings().DecimalSeparator))
    return d != 0;
  std::string lower = LowerAscii(text);
  if (lower == "true") return true;
  if (lower == "false") return false;
  throw EConvertError(Format("'%s' is not a valid boolean value", {text}));
}

TDateTime XmlStrToTime(const std::string& text) {
  if (text.size() < 8) InvalidDocument();
  int hour = PositionalDigits(text, 0, 2);
  int min = PositionalDigits(text, 3, 2);
  int sec = PositionalDigits(text, 6, 2);
  return EncodeTime(hour, min, sec, 0);
}

TDateTime XmlStrToDateTime(const std::string& text) {
  size_t start = !text.empty() && text[0] == '-' ? 1 : 0;
  int year = PositionalDigits(text, start, 4);
  int month = PositionalDigits(text, start + 5, 2);
  int day = PositionalDigits(text, start + 8, 2);
  TDateTime date = EncodeDate(year, month, day);
  size_t t = text.find('T');
  if (t == std::string::npos) return date;
  TDateTime time = XmlStrToTime(text.substr(t + 1));
  // Before 1899-12-30 the time of day counts away from zero.
  return date < 0 ? date - time : date + time;
}

std::string XmlHexToBytes(const std::string& text) {
  auto nibble = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  std::string out;
  out.reserve(text.size() / 2);
  int high = -1;
  for (char c : text) {
    if (c == '\t' || c == '\r' || c == '\n') continue;
    int n = nibble(c);
    if (n < 0) InvalidDocument();
    if (high < 0) {
      high = n;
    } else {
      out.push_back(static_cast<char>(high * 16 + n));
      high = -1;
    }
  }
  if (high >= 0) InvalidDocument();  // an odd number of digits
  return out;
}

int XmlMaxLength(const std::string& text) {
  double d = 0;
  if (!TryStrToFloat(text, d, '.'))
    throw EConvertError(Format("'%s' is not a valid floating point value", {text}));
  double r = std::nearbyint(d);  // the default rounding mode takes a half to the even neighbour
  double low = std::fmod(r, 2147483648.0);
  if (low < 0) low += 2147483648.0;
  return static_cast<int>(low);
}

void ReadXmlSchema(XmlTextReader& reader, TFieldDefs& defs, std::vector<TXmlAlias>& aliases,
                   const std::string& tableName) {
  while (reader.Read()) {
    if (IsElement(reader, TXmlNodeType::EndTag, "S:SCHEMA")) return;
    if (!IsElement(reader, TXmlNodeType::StartTag, "S:ATTRIBUTETYPE")) continue;

    std::string name = reader.GetAttribute("name").value_or("");
    std::optional<std::string> rsName = reader.GetAttribute("rs:name");
    if (rsName) aliases.push_back({*rsName, name});

    bool found = false;
    while (!found && reader.Read())
      found = IsElement(reader, TXmlNodeType::StartTag, "S:DATATYPE");
    if (!found) InvalidDocument();
    AddDataType(reader, defs, rsName ? *rsName : name, tableName);
  }
}

void ReadXmlRows(XmlTextReader& reader, TDataSet& table, const std::vector<TXmlAlias>& aliases,
                 const std::function<void()>& beforeRow) {
  // Row attribute name -> field, case-sensitive; a name that reaches no
  // field is kept too (nullptr), so that every name is looked up once.
  std::unordered_map<std::string, TField*> cache;
  const TNameIndex fields = FieldNameIndex(table);
  // The left-hand sides of the aliases, in order, by their right-hand side.
  std::unordered_map<std::string_view, std::vector<std::string_view>> aliased;
  for (const TXmlAlias& a : aliases)
    aliased[a.Right].push_back(a.Left);

  auto lookup = [&](const std::string& attrName) -> TField* {
    auto [cached, added] = cache.try_emplace(attrName, nullptr);
    if (!added) return cached->second;
    int at = fields.Find(attrName);
    if (auto a = aliased.find(attrName); at < 0 && a != aliased.end())
      for (size_t i = 0; at < 0 && i < a->second.size(); ++i)
        at = fields.Find(a->second[i]);
    if (at >= 0) cached->second = &table.Field(static_cast<size_t>(at));
    return cached->second;
  };

  while (reader.Read()) {
    if (!IsElement(reader, TXmlNodeType::StartTag, "Z:ROW")) continue;
    if (beforeRow) beforeRow();
    table.Append();
    try {
      for (int i = 0; i < reader.AttributeCount(); ++i) {
        reader.MoveToAttribute(i);
        TField* field = lookup(reader.AttributeName());
        if (field == nullptr) InvalidDocument();
        AssignXmlValue(*field, reader.AttributeValue());
      }
      table.Post();
    } catch (const Exception&) {
      // A row that cannot be stored is dropped; reading goes on.
      table.Cancel();
    }
  }
}

void TXmlTableReader::ReadRecords(TVirtualTable& table) {
  ReadXmlRows(reader_, table, aliases_, [&] {
    CheckRecordMemory(table.Data(), static_cast<uint64_t>(table.Data().ItemCount()) + 1);
  });
}

}  // namespace qualtren
