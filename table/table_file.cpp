// Loading and saving a table: the choice between the binary and the XML
// form, the steps of loading a table image, and table files and streams.
#include <algorithm>

#include "base/ascii.h"
#include "base/exception.h"
#include "table/binary_table.h"
#include "table/virtual_table.h"
#include "table/xml_table.h"

namespace qualtren {

namespace {

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

}  // namespace

uint64_t RecordMemoryBound(uint64_t imageBytes) {
  return 32 * imageBytes + 32 * 1024 * 1024;
}

void TTableImageReader::CheckRecordMemory(const TMemData& store, uint64_t records) const {
  if (!bounded_) return;
  const uint64_t need = store.Blocks().BytesFor(records);
  const uint64_t bound = RecordMemoryBound(imageBytes_);
  if (need <= bound) return;
  throw EDatabaseError(Format(
      "Table too large: %s records of %s bytes would take %s bytes of memory, more than the %s "
      "bytes allowed for a table file of %s bytes",
      {std::to_string(records), std::to_string(store.Blocks().ItemSize()), std::to_string(need),
       std::to_string(bound), std::to_string(imageBytes_)}));
}

std::unique_ptr<TTableImageReader> OpenTableImage(TStream& stream, const std::string& tableName) {
  if (DetectXml(stream)) return std::make_unique<TXmlTableReader>(stream, tableName);
  return std::make_unique<TBinaryTableReader>(stream);
}

TVirtualTable::TDefChangeHold::TDefChangeHold(TVirtualTable& table, TDefReaction reaction)
    : table_(table), saved_(table.defReaction_) {
  if (reaction < table.defReaction_) table.defReaction_ = reaction;
}

TVirtualTable::TDefChangeHold::~TDefChangeHold() {
  table_.defReaction_ = saved_;
}

void TVirtualTable::SaveTableStream(TStream& stream, bool storeFields) {
  TDefChangeHold hold(*this, TDefReaction::Normalise);
  TBinaryTableWriter(*this).Write(stream, storeFields);
}

void TVirtualTable::LoadTableStream(TStream& stream, bool loadDefs) {
  LoadImage(stream, loadDefs, true);
}

void TVirtualTable::LoadImage(TStream& stream, bool loadDefs, bool bounded) {
  TDefChangeHold hold(*this, TDefReaction::Normalise);
  const bool wasOpen = Active();
  Close();
  ClearRecords();
  // Without loadDefs the image's definitions only locate its values.
  TFieldDefs temporary;
  TFieldDefs& defs = loadDefs ? FieldDefs() : temporary;
  if (loadDefs) {
    ClearTable();
    data_->Close();
  }
  std::unique_ptr<TTableImageReader> image = OpenTableImage(stream, Name());
  lastLoadedVersion_ = image->Version();
  if (bounded) image->BoundRecordMemory(static_cast<uint64_t>(std::max<int64_t>(stream.Size(), 0)));
  {
    TDefChangeHold quiet(*this, TDefReaction::Ignore);
    image->ReadDefinitions(defs);
  }
  image->ReadFieldObjects(*this);
  if (!image->HasRecords()) {
    if (wasOpen)
      Open();
    else
      Close();
    return;
  }
  DisableControls();
  std::exception_ptr failure;
  try {
    Open();
    image->ReadRecords(*this);
  } catch (...) {
    failure = std::current_exception();
    if (State() == TDataSetState::dsInsert || State() == TDataSetState::dsEdit) Cancel();
  }
  if (Active()) First();
  EnableControls();
  if (failure) std::rethrow_exception(failure);
  if (!wasOpen && PersistentData()) Close();
}

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
