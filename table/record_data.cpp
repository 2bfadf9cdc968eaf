// The record store's layout of a record, its opening and closing, and its
// filter: the text, the expression parsed from it and the test of a record.
#include "table/record_data.h"

#include <cstring>

#include "base/exception.h"
#include "table/block_manager.h"

namespace qualtren {

TData::~TData() = default;

void TData::Open() {
  if (active_) return;
  fields_.Clear();
  blobs_.Clear();
  variants_.Clear();
  ++layoutStamp_;
  InitFields();
  InitRecordLayout();
  // A record this large is beyond anything a table of the system holds.
  if (calcBufferSize_ > kMaxRecordSize) {
    fields_.Clear();
    throw EDatabaseError(
        Format("Record size is too large: %s bytes, more than the %s a record may take",
               {std::to_string(calcBufferSize_), std::to_string(kMaxRecordSize)}));
  }
  ParseFilter();
  active_ = true;
}

void TData::Close() {
  expression_.reset();
  blobs_.Clear();
  variants_.Clear();
  active_ = false;
}

void TData::InitRecordLayout() {
  // The data fields, then their null indicators; the calculated fields follow
  // in an area of the same kind after the record.
  auto layOut = [this](TFieldDescKind kind, size_t start, size_t& dataEnd) {
    size_t offset = start;
    size_t count = 0;
    for (size_t i = 0; i < fields_.Count(); ++i) {
      TFieldDesc& d = fields_[i];
      if (d.Kind != kind) continue;
      if (d.DataType == dtWideString && offset % 2 != 0) ++offset;
      d.Offset = static_cast<int>(offset);
      offset += static_cast<size_t>(d.Size);
      ++count;
    }
    dataEnd = offset;
    size_t n = 0;
    for (size_t i = 0; i < fields_.Count(); ++i)
      if (fields_[i].Kind == kind) fields_[i].NullOffset = static_cast<int>(offset + n++);
    return offset + count;
  };
  size_t calcEnd = 0;
  recordSize_ = layOut(TFieldDescKind::Data, 0, dataSize_);
  if ((TItemHeader::kHeaderSize + recordSize_) % 2 != 0) ++recordSize_;
  // A table without data fields (an XML document may have rows but no
  // columns) still gets record buffers that exist.
  if (recordSize_ == 0) recordSize_ = 2;
  calcBufferSize_ = layOut(TFieldDescKind::Calculated, recordSize_, calcEnd);
}

std::vector<uint8_t> TData::CalculatedCopy(const uint8_t* rec) const {
  std::vector<uint8_t> buffer(calcBufferSize_, 0);
  std::memcpy(buffer.data(), rec, recordSize_);
  for (size_t i = 0; i < fields_.Count(); ++i)
    if (fields_[i].Kind == TFieldDescKind::Calculated)
      buffer[static_cast<size_t>(fields_[i].NullOffset)] = 1;
  if (calcHook_) calcHook_(buffer.data());
  return buffer;
}

void TData::ParseFilter() {
  // The expression in force is kept for the next parse, so that a lookup
  // that changes the filter for every word does not allocate a new one.
  if (expression_) spareExpression_ = std::move(expression_);
  std::string_view t = filterText_;
  while (!t.empty() && static_cast<uint8_t>(t.front()) <= 32)
    t.remove_prefix(1);
  while (!t.empty() && static_cast<uint8_t>(t.back()) <= 32)
    t.remove_suffix(1);
  if (t.empty()) return;
  if (!spareExpression_) {
    expression_ = TFilterExpression::Parse(filterText_, fields_);
    return;
  }
  spareExpression_->Reparse(filterText_, fields_);
  expression_ = std::move(spareExpression_);
}

void TData::SetFilterText(const std::string& text) {
  if (text == filterText_) return;
  if (active_) {
    previousFilterText_.swap(filterText_);
    filterText_.assign(text);
    try {
      ParseFilter();
    } catch (...) {
      filterText_.swap(previousFilterText_);
      throw;
    }
  } else {
    filterText_.assign(text);
  }
}

bool TData::FilterRecord(const uint8_t* rec) const {
  // The record under test is a copy that carries its calculated fields.
  std::vector<uint8_t> copy;
  if (HasCalcFields()) {
    copy = CalculatedCopy(rec);
    rec = copy.data();
  }
  if (filterHook_ && !filterHook_(rec)) return false;
  if (!expression_) return true;
  return expression_->Evaluate(
      [this, rec](const TFieldDesc& d) { return GetFieldVariant(d.FieldNo, rec); },
      [this, rec](const TFieldDesc& d, std::string_view& text) {
        return GetFieldText(d.FieldNo, rec, text);
      },
      CaseInsensitive(), NoPartialCompare());
}

}  // namespace qualtren
