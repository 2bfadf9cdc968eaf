// Table files: the binary table image (writer and reader), format detection
// between the binary and the XML form, and loading and saving through files
// and streams.
#include <cstring>

#include "base/ascii.h"
#include "base/counter_guard.h"
#include "base/exception.h"
#include "base/utf.h"
#include "dataset/bcd.h"
#include "table/virtual_table.h"
#include "table/xml_reader.h"
#include "table/xml_table.h"

namespace qualtren {

namespace {

constexpr uint16_t kWrittenVersion = 3;

bool HasPrecisionInFile(TFieldType t) {
  return t == ftSmallint || t == ftInteger || t == ftFloat || t == ftCurrency || t == ftDate ||
         t == ftTime || t == ftDateTime || t == ftLargeint;
}

bool IsXmlStart(const char* b) {
  if (b[0] != '<') return false;
  auto xml = [](const char* p) { return EqualsAsciiNoCase(std::string_view(p, 3), "xml"); };
  return xml(b + 1) || (b[1] == '?' && xml(b + 2));
}

// Reads 5 bytes at the start (after a UTF-8 byte-order mark) and tells
// whether the stream holds the XML form.
bool DetectXml(TStream& stream) {
  char b[5];
  stream.SetPosition(0);
  stream.ReadBuffer(b, 5);
  if (static_cast<uint8_t>(b[0]) == 0xEF && static_cast<uint8_t>(b[1]) == 0xBB &&
      static_cast<uint8_t>(b[2]) == 0xBF) {
    stream.SetPosition(3);
    stream.ReadBuffer(b, 5);
  }
  return IsXmlStart(b);
}

void CheckRemaining(TStream& stream, uint64_t needed) {
  if (static_cast<uint64_t>(std::max<int64_t>(stream.Remaining(), 0)) < needed) throw EReadError();
}

// The value length a field of this type takes in a table image, or 0 when
// the length varies.
size_t FixedValueLength(const TField& f, const TFieldDesc* desc) {
  switch (f.DataType()) {
    case ftSmallint:
    case ftWord:
    case ftBoolean:
      return 2;
    case ftInteger:
    case ftAutoInc:
      return 4;
    case ftLargeint:
      return desc && desc->DataType == dtInt32Largeint ? 4 : 8;
    case ftFloat:
    case ftCurrency:
    case ftBCD:
    case ftDate:
    case ftTime:
    case ftDateTime:
      return 8;
    default:
      return 0;
  }
}

}  // namespace

// ---------------------------------------------------------------- writer

void TVirtualTable::SaveTableStream(TStream& stream, bool storeFields) {
  TCounterGuard guard(restructureGuard_);
  bool wasOpen = Active();
  const size_t defCount = FieldDefs().Count();
  if (defCount > 0xFFFF) throw EWriteError();
  stream.WriteU16(kWrittenVersion);
  stream.WriteU16(static_cast<uint16_t>(defCount));
  for (size_t i = 0; i < defCount; ++i) {
    const TFieldDef& def = FieldDefs()[i];
    if (def.Name.size() > 0xFFFF || def.Size < 0 || def.Size > 0xFFFF) throw EWriteError();
    stream.WriteU16(static_cast<uint16_t>(def.Name.size()));
    stream.WriteBytes(def.Name);
    stream.WriteU16(def.DataType);
    stream.WriteU16(static_cast<uint16_t>(def.Size));
    stream.WriteI32(def.Precision);
  }
  if (fields_.empty() || DefaultFields() || !storeFields) {
    stream.WriteU16(0);
  } else {
    uint16_t count = 0;
    for (const auto& f : fields_)
      if (f->FieldKind() != TFieldKind::fkLookup) ++count;
    stream.WriteU16(count);
    for (const auto& f : fields_) {
      if (f->FieldKind() == TFieldKind::fkLookup) continue;
      if (f->FieldName().size() > 0xFFFF) throw EWriteError();
      stream.WriteU16(static_cast<uint16_t>(f->FieldName().size()));
      stream.WriteBytes(f->FieldName());
      stream.WriteU16(static_cast<uint16_t>(f->FieldKind()));
      stream.WriteU16(f->DataType());
      stream.WriteU16(static_cast<uint16_t>(f->Size()));
    }
  }
  if (defCount == 0) {
    stream.WriteI32(0);
    return;
  }

  DisableControls();
  int recNo = wasOpen ? RecNo() : -1;
  std::vector<std::unique_ptr<TField>> moved;
  bool movedFields = false;
  std::exception_ptr failure;
  try {
    if (!fields_.empty() && !DefaultFields()) {
      Close();
      moved = TakeFields();
      movedFields = true;
    }
    if (!Active()) Open();
    First();
    std::vector<const TFieldDesc*> descs(defCount, nullptr);
    for (size_t i = 0; i < defCount; ++i) {
      const std::string& name = FieldDefs()[i].Name;
      const TFieldDesc* d = FindField(name) ? data_->Fields().Find(name) : nullptr;
      if (d && d->Kind == TFieldDescKind::Data) descs[i] = d;
    }
    stream.WriteI32(RecordCount());
    std::string value;
    while (!Eof()) {
      const uint8_t* rec = activeItem_->Record();
      for (size_t i = 0; i < defCount; ++i) {
        const TFieldDesc* d = descs[i];
        if (!d || !data_->GetField(d->FieldNo, rec, &value)) {
          stream.WriteI32(0);
          continue;
        }
        switch (d->DataType) {
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
            // The store keeps room for wider precisions; the packed record
            // itself is always 34 bytes.
            value.resize(kFmtBcdSize);
            break;
          default:
            break;
        }
        if (value.size() > 0x7FFFFFFF) throw EWriteError();
        stream.WriteI32(static_cast<int32_t>(value.size()));
        stream.WriteBytes(value);
      }
      Next();
    }
  } catch (...) {
    failure = std::current_exception();
  }
  try {
    if (movedFields) {
      Close();
      for (auto& f : moved)
        AddField(std::move(f));
    }
    if (wasOpen) {
      Open();
      if (recNo > 0 && RecordCount() > 0) SetRecNo(recNo);
    } else {
      Close();
    }
  } catch (...) {
    if (!failure) failure = std::current_exception();
  }
  EnableControls();
  if (failure) std::rethrow_exception(failure);
}

// ---------------------------------------------------------------- reader

void TVirtualTable::LoadTableStream(TStream& stream, bool loadDefs) {
  TCounterGuard guard(restructureGuard_);
  bool wasOpen = Active();
  Close();
  ClearRecords();
  TFieldDefs temporary;
  TFieldDefs& defs = loadDefs ? FieldDefs() : temporary;
  if (loadDefs) {
    ClearTable();
    data_->Close();
  }
  bool xml = DetectXml(stream);
  stream.SetPosition(0);
  uint16_t version = stream.ReadU16();
  lastLoadedVersion_ = xml ? -1 : version;

  std::unique_ptr<XmlTextReader> reader;
  std::vector<TXmlAlias> aliases;
  int32_t recordCount = 0;
  {
    TCounterGuard defGuard(defGuard_);
    if (xml) {
      stream.SetPosition(0);
      reader = std::make_unique<XmlTextReader>(stream);
      ReadXmlSchema(*reader, defs, aliases, Name());
    } else {
      uint16_t count = stream.ReadU16();
      size_t entryBytes = version >= 3 ? 10 : 6;
      CheckRemaining(stream, static_cast<uint64_t>(count) * entryBytes);
      for (uint16_t i = 0; i < count; ++i) {
        std::string name = stream.ReadBytes(stream.ReadU16());
        uint16_t type = stream.ReadU16();
        uint16_t size = stream.ReadU16();
        int32_t precision = version >= 3 ? stream.ReadI32() : 0;
        TFieldDef& def = defs.Add(name, static_cast<TFieldType>(type & 0xFF), size, false);
        if (HasPrecisionInFile(def.DataType)) def.Precision = precision;
      }
    }
  }
  if (!xml) {
    if (version >= 1) {
      uint16_t count = stream.ReadU16();
      CheckRemaining(stream, static_cast<uint64_t>(count) * 8);
      for (uint16_t i = 0; i < count; ++i) {
        std::string name = stream.ReadBytes(stream.ReadU16());
        uint16_t kind = stream.ReadU16();
        uint16_t type = stream.ReadU16();
        uint16_t size = stream.ReadU16();
        if (kind == static_cast<uint16_t>(TFieldKind::fkLookup)) continue;
        auto field = CreateField(static_cast<TFieldType>(type & 0xFF), name, 0);
        field->SetFieldKind(static_cast<TFieldKind>(kind <= 4 ? kind : 0));
        if (field->DataType() == ftString) field->SetSize(size);
        if (field->DataType() == ftWideString) field->SetSize(2 * size);
        AddField(std::move(field));
      }
    }
    recordCount = stream.ReadI32();
  }

  if (xml || recordCount > 0) {
    DisableControls();
    std::exception_ptr failure;
    try {
      Open();
      if (xml) {
        ReadXmlRows(*reader, *this, aliases);
      } else if (defs.Count() > 0) {
        // Every record holds at least one length per definition.
        size_t lengthBytes = version >= 2 ? 4 : 2;
        CheckRemaining(stream, static_cast<uint64_t>(recordCount) * defs.Count() * lengthBytes);
        std::vector<TField*> targets(defs.Count());
        std::vector<const TFieldDesc*> descs(defs.Count());
        for (size_t i = 0; i < defs.Count(); ++i) {
          // Only stored fields take values; a calculated field of the same
          // name drops them.
          targets[i] = FindField(defs[i].Name);
          if (targets[i] && targets[i]->FieldKind() != TFieldKind::fkData) targets[i] = nullptr;
          descs[i] = targets[i] ? data_->Fields().Find(targets[i]->FieldName()) : nullptr;
        }
        for (int32_t r = 0; r < recordCount; ++r) {
          Append();
          try {
            for (size_t i = 0; i < defs.Count(); ++i) {
              int64_t length = version >= 2 ? stream.ReadI32() : stream.ReadU16();
              if (length < 0) throw EReadError();
              if (length == 0) continue;
              CheckRemaining(stream, static_cast<uint64_t>(length));
              std::string bytes = stream.ReadBytes(static_cast<size_t>(length));
              TField* f = targets[i];
              if (!f) continue;
              switch (f->DataType()) {
                case ftWideString:
                  f->SetAsWideString(Utf16FromBytes(bytes));
                  break;
                case ftVarBytes: {
                  if (bytes.size() > 0xFFFF) throw EReadError();
                  std::string buffer(2, '\0');
                  buffer[0] = static_cast<char>(bytes.size() & 0xFF);
                  buffer[1] = static_cast<char>(bytes.size() >> 8);
                  buffer += bytes;
                  f->SetData(&buffer);
                  break;
                }
                case ftString:
                case ftBlob:
                case ftMemo:
                  f->SetAsString(bytes);
                  break;
                default: {
                  size_t expected = FixedValueLength(*f, descs[i]);
                  bool fits = expected ? bytes.size() == expected
                                       : !descs[i] ||
                                             bytes.size() <= static_cast<size_t>(descs[i]->Size) ||
                                             descs[i]->DataType == dtVariant;
                  if (!fits)
                    throw EDatabaseError(
                        Format("Value of field '%s' has an invalid length (%d bytes)",
                               {f->FieldName(), std::to_string(bytes.size())}));
                  if (f->DataType() == ftVariant)
                    f->SetAsString(bytes);
                  else
                    f->SetData(&bytes);
                  break;
                }
              }
            }
          } catch (...) {
            Post();
            throw;
          }
          Post();
        }
      }
    } catch (...) {
      failure = std::current_exception();
      if (State() == TDataSetState::dsInsert || State() == TDataSetState::dsEdit) Cancel();
    }
    if (Active()) First();
    EnableControls();
    if (failure) std::rethrow_exception(failure);
    if (!wasOpen && PersistentData()) Close();
  } else {
    if (wasOpen)
      Open();
    else
      Close();
  }
}

// ---------------------------------------------------------------- files

void TVirtualTable::LoadTableFile(const std::string& fileName) {
  // The reader takes a few bytes at a time; reading the file in one piece
  // saves a system call per value.
  TMemoryStream image(ReadWholeFile(fileName));
  LoadTableStream(image, true);
}

void TVirtualTable::SaveTableFile(const std::string& fileName) {
  TAtomicFileWriter writer(fileName);
  // The image is built in memory and written in one piece, not a system
  // call per value.
  TMemoryStream image;
  SaveTableStream(image, true);
  writer.Stream().WriteBytes(image.Bytes());
  writer.Commit();
}

}  // namespace qualtren
