// Writing and reading the binary table image.
#include "table/binary_table.h"

#include <algorithm>
#include <exception>

#include "base/exception.h"
#include "base/name_index.h"
#include "base/utf.h"
#include "dataset/bcd.h"
#include "table/virtual_table.h"

namespace qualtren {

namespace {

constexpr uint16_t kWrittenVersion = 3;

// A load of text values tells its handler each time this many more records
// are in.
constexpr int32_t kRecordsTold = 2048;

void CheckRemaining(TStream& stream, uint64_t needed) {
  if (static_cast<uint64_t>(std::max<int64_t>(stream.Remaining(), 0)) < needed) throw EReadError();
}

void WriteName(TStream& stream, const std::string& name) {
  if (name.size() > 0xFFFF) throw EWriteError();
  stream.WriteU16(static_cast<uint16_t>(name.size()));
  stream.WriteBytes(name);
}

// The value of a field as the image holds it, from the store's native form.
void ToImageValue(uint16_t internalType, std::string& value) {
  switch (internalType) {
    case dtDate:
    case dtTime:
      value.append(4, '\0');
      break;
    case dtBoolean:
      value = std::string{value[0] || value[1] ? '\x01' : '\0', '\0'};
      break;
    case dtVarBytes:
      value.erase(0, 2);
      break;
    case dtGuid:
      value.push_back('\0');
      break;
    case dtFMTBCD:
      // The store keeps room for wider precisions; the packed record itself
      // is always 34 bytes.
      value.resize(kFmtBcdSize);
      break;
    default:
      break;
  }
}

// Hands one value of the image to its field object.
void AssignImageValue(TField& f, const TFieldDesc* desc, std::string& bytes) {
  const TFieldTypeRule& rule = FieldTypeRule(f.DataType());
  switch (rule.Image) {
    case TImageValue::WideText:
      f.SetAsWideString(Utf16FromBytes(bytes));
      return;
    case TImageValue::VarBytes: {
      if (bytes.size() > 0xFFFF) throw EReadError();
      std::string buffer(2, '\0');
      buffer[0] = static_cast<char>(bytes.size() & 0xFF);
      buffer[1] = static_cast<char>(bytes.size() >> 8);
      buffer += bytes;
      f.SetData(&buffer);
      return;
    }
    case TImageValue::Text:
      f.SetAsString(bytes);
      return;
    case TImageValue::Storage:
      break;
  }
  // A storage value must fit the field: exactly its width where the type
  // has one, else at most the bytes that the record holds.
  const bool narrow = desc && rule.NarrowUpTo > 0 && desc->DataType == rule.Narrow;
  const size_t expected = narrow ? rule.NarrowBytes : rule.ImageBytes;
  const bool fits = expected ? bytes.size() == expected
                             : !desc || bytes.size() <= static_cast<size_t>(desc->Size) ||
                                   desc->DataType == dtVariant;
  if (!fits)
    throw EDatabaseError(Format("Value of field '%s' has an invalid length (%d bytes)",
                                {f.FieldName(), std::to_string(bytes.size())}));
  if (rule.Form == TValueForm::Variant)
    f.SetAsString(bytes);
  else
    f.SetData(&bytes);
}

}  // namespace

// ---------------------------------------------------------------- writer

void TBinaryTableWriter::Write(TStream& stream, bool storeFields) {
  WriteHeader(stream, storeFields);
  if (table_.FieldDefs().Count() == 0) {
    stream.WriteI32(0);
    return;
  }
  WriteRecords(stream);
}

void TBinaryTableWriter::WriteHeader(TStream& stream, bool storeFields) {
  const TFieldDefs& defs = table_.FieldDefs();
  if (defs.Count() > 0xFFFF) throw EWriteError();
  stream.WriteU16(kWrittenVersion);
  stream.WriteU16(static_cast<uint16_t>(defs.Count()));
  for (size_t i = 0; i < defs.Count(); ++i) {
    const TFieldDef& def = defs[i];
    if (def.Size < 0 || def.Size > 0xFFFF) throw EWriteError();
    WriteName(stream, def.Name);
    stream.WriteU16(def.DataType);
    stream.WriteU16(static_cast<uint16_t>(def.Size));
    stream.WriteI32(def.Precision);
  }
  // Only persistent field objects are listed, never lookup fields.
  if (table_.FieldCount() == 0 || table_.DefaultFields() || !storeFields) {
    stream.WriteU16(0);
    return;
  }
  uint16_t count = 0;
  for (size_t i = 0; i < table_.FieldCount(); ++i)
    if (table_.Field(i).FieldKind() != TFieldKind::fkLookup) ++count;
  stream.WriteU16(count);
  for (size_t i = 0; i < table_.FieldCount(); ++i) {
    const TField& f = table_.Field(i);
    if (f.FieldKind() == TFieldKind::fkLookup) continue;
    WriteName(stream, f.FieldName());
    stream.WriteU16(static_cast<uint16_t>(f.FieldKind()));
    stream.WriteU16(f.DataType());
    stream.WriteU16(static_cast<uint16_t>(f.Size()));
  }
}

void TBinaryTableWriter::WriteRecords(TStream& stream) {
  TVirtualTable& t = table_;
  const bool wasOpen = t.Active();
  const size_t defCount = t.FieldDefs().Count();
  t.DisableControls();
  const int recNo = wasOpen ? t.RecNo() : -1;
  std::vector<std::unique_ptr<TField>> moved;
  bool movedFields = false;
  std::exception_ptr failure;
  try {
    // The records are read through default field objects, one per definition.
    if (t.FieldCount() > 0 && !t.DefaultFields()) {
      t.Close();
      moved = t.TakeFields();
      movedFields = true;
    }
    if (!t.Active()) t.Open();
    t.First();
    std::vector<const TFieldDesc*> descs(defCount, nullptr);
    const TNameIndex fields = FieldNameIndex(t);
    const TNameIndex descIndex = DescNameIndex(t.Data().Fields());
    for (size_t i = 0; i < defCount; ++i) {
      const std::string& name = t.FieldDefs()[i].Name;
      const int at = fields.Find(name) >= 0 ? descIndex.Find(name) : -1;
      const TFieldDesc* d = at >= 0 ? &t.Data().Fields()[static_cast<size_t>(at)] : nullptr;
      if (d && d->Kind == TFieldDescKind::Data) descs[i] = d;
    }
    stream.WriteI32(t.RecordCount());
    std::string value;
    while (!t.Eof()) {
      const uint8_t* rec = t.CurrentItem()->Record();
      for (const TFieldDesc* d : descs) {
        if (!d || !t.Data().GetField(d->FieldNo, rec, &value)) {
          stream.WriteI32(0);
          continue;
        }
        ToImageValue(d->DataType, value);
        if (value.size() > 0x7FFFFFFF) throw EWriteError();
        stream.WriteI32(static_cast<int32_t>(value.size()));
        stream.WriteBytes(value);
      }
      t.Next();
    }
  } catch (...) {
    failure = std::current_exception();
  }
  try {
    if (movedFields) {
      t.Close();
      for (auto& f : moved)
        t.AddField(std::move(f));
    }
    if (wasOpen) {
      t.Open();
      if (recNo > 0 && t.RecordCount() > 0) t.SetRecNo(recNo);
    } else {
      t.Close();
    }
  } catch (...) {
    if (!failure) failure = std::current_exception();
  }
  t.EnableControls();
  if (failure) std::rethrow_exception(failure);
}

// ---------------------------------------------------------------- reader

TBinaryTableReader::TBinaryTableReader(TStream& stream) : stream_(stream) {
  stream_.SetPosition(0);
  version_ = stream_.ReadU16();
}

void TBinaryTableReader::ReadDefinitions(TFieldDefs& defs) {
  const uint16_t count = stream_.ReadU16();
  CheckRemaining(stream_, static_cast<uint64_t>(count) * (version_ >= 3 ? 10 : 6));
  for (uint16_t i = 0; i < count; ++i) {
    std::string name = stream_.ReadBytes(stream_.ReadU16());
    const uint16_t type = stream_.ReadU16();
    const uint16_t size = stream_.ReadU16();
    const int32_t precision = version_ >= 3 ? stream_.ReadI32() : 0;
    TFieldDef& def = defs.Add(name, static_cast<TFieldType>(type & 0xFF), size, false);
    if (FieldTypeRule(def.DataType).PrecisionInFile) def.Precision = precision;
    fieldNames_.push_back(std::move(name));
  }
}

void TBinaryTableReader::ReadFieldObjects(TVirtualTable& table) {
  if (version_ >= 1) {
    const uint16_t count = stream_.ReadU16();
    CheckRemaining(stream_, static_cast<uint64_t>(count) * 8);
    for (uint16_t i = 0; i < count; ++i) {
      std::string name = stream_.ReadBytes(stream_.ReadU16());
      const uint16_t kind = stream_.ReadU16();
      const uint16_t type = stream_.ReadU16();
      const uint16_t size = stream_.ReadU16();
      if (kind == static_cast<uint16_t>(TFieldKind::fkLookup)) continue;
      auto field = CreateField(static_cast<TFieldType>(type & 0xFF), name, 0);
      field->SetFieldKind(static_cast<TFieldKind>(kind <= 4 ? kind : 0));
      if (field->DataType() == ftString) field->SetSize(size);
      if (field->DataType() == ftWideString) field->SetSize(2 * size);
      table.AddField(std::move(field));
    }
  }
  recordCount_ = stream_.ReadI32();
}

void TBinaryTableReader::ReadTextRecords(TVirtualTable& table, TMemoryStream& memory,
                                         const std::vector<TField*>& targets) {
  TMemData& data = table.Data();
  const auto expected = static_cast<size_t>(recordCount_);
  for (int32_t r = 0; r < recordCount_; ++r) {
    // The records before this one are complete and linked.
    if (r % kRecordsTold == 0 && r > 0 && table.OnRecordsLoaded)
      table.OnRecordsLoaded(static_cast<size_t>(r), expected);
    // Filled in place; a record cut short keeps the values read so far.
    uint8_t* record = data.AppendNullRecord()->Record();
    for (size_t i = 0; i < fieldNames_.size(); ++i) {
      // The length read in place, not through the stream's Read.
      const int64_t length = version_ >= 2 ? TStream::DecodeI32(memory.ReadView(4).data())
                                           : TStream::DecodeU16(memory.ReadView(2).data());
      if (length < 0) throw EReadError();
      if (length == 0) continue;
      const std::string_view bytes = memory.ReadView(static_cast<size_t>(length));
      // A field object with no place in the record takes no value.
      if (!targets[i] || targets[i]->FieldNo() <= 0) continue;
      // A text longer than its field is cut to the field's size.
      const int size = targets[i]->Size();
      data.PutFieldText(targets[i]->FieldNo(), record,
                        size > 0 ? bytes.substr(0, static_cast<size_t>(size)) : bytes);
    }
  }
  if (table.OnRecordsLoaded) table.OnRecordsLoaded(expected, expected);
}

void TBinaryTableReader::ReadRecords(TVirtualTable& table) {
  if (fieldNames_.empty()) return;
  // Every record holds at least one length per definition.
  const size_t lengthBytes = version_ >= 2 ? 4 : 2;
  CheckRemaining(stream_, static_cast<uint64_t>(recordCount_) * fieldNames_.size() * lengthBytes);
  CheckRecordMemory(table.Data(), static_cast<uint64_t>(recordCount_));
  // The count is known, and bounded: the records take one block.
  table.Data().Blocks().Reserve(static_cast<size_t>(recordCount_));
  std::vector<TField*> targets(fieldNames_.size());
  std::vector<const TFieldDesc*> descs(fieldNames_.size());
  const TNameIndex fields = FieldNameIndex(table);
  const TNameIndex descIndex = DescNameIndex(table.Data().Fields());
  for (size_t i = 0; i < fieldNames_.size(); ++i) {
    // Only stored fields take values; a calculated field of the same name
    // drops them.
    const int field = fields.Find(fieldNames_[i]);
    targets[i] = field >= 0 ? &table.Field(static_cast<size_t>(field)) : nullptr;
    if (targets[i] && targets[i]->FieldKind() != TFieldKind::fkData) targets[i] = nullptr;
    const int desc = targets[i] ? descIndex.Find(targets[i]->FieldName()) : -1;
    descs[i] = desc >= 0 ? &table.Data().Fields()[static_cast<size_t>(desc)] : nullptr;
  }
  // Text values of an image in memory are handed over in place.
  TMemoryStream* memory = dynamic_cast<TMemoryStream*>(&stream_);
  std::vector<char> text(fieldNames_.size(), 0);
  bool allText = memory != nullptr;
  for (size_t i = 0; i < fieldNames_.size(); ++i) {
    text[i] =
        memory && targets[i] && FieldTypeRule(targets[i]->DataType()).Image == TImageValue::Text;
    if (targets[i] && !text[i]) allText = false;
  }
  // Records of text values alone go straight into the store, as Append,
  // SetAsString and Post would put them, while nothing hears of an insert
  // or a post and no field is calculated.
  if (allText && !table.Data().HasCalcFields() && !table.BeforeInsert && !table.AfterInsert &&
      !table.OnNewRecord && !table.BeforePost && !table.AfterPost) {
    ReadTextRecords(table, *memory, targets);
    return;
  }
  for (int32_t r = 0; r < recordCount_; ++r) {
    table.Append();
    try {
      for (size_t i = 0; i < fieldNames_.size(); ++i) {
        const int64_t length = version_ >= 2 ? stream_.ReadI32() : stream_.ReadU16();
        if (length < 0) throw EReadError();
        if (length == 0) continue;
        if (text[i]) {
          targets[i]->SetAsString(memory->ReadView(static_cast<size_t>(length)));
          continue;
        }
        CheckRemaining(stream_, static_cast<uint64_t>(length));
        std::string bytes = stream_.ReadBytes(static_cast<size_t>(length));
        if (targets[i]) AssignImageValue(*targets[i], descs[i], bytes);
      }
    } catch (...) {
      // The record is posted with the values read so far.
      table.Post();
      throw;
    }
    table.Post();
  }
}

}  // namespace qualtren
