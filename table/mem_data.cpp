// The record store: block allocation of record items, record layout and
// value access, the chain of records with navigation, filter verdicts,
// record numbers, sorting and the equality index.
#include "table/mem_data.h"

#include <algorithm>
#include <cstring>

#include "base/codepage.h"
#include "base/datetime.h"
#include "base/exception.h"
#include "base/utf.h"
#include "dataset/bcd.h"
#include "dataset/dataset.h"
#include "dataset/native_bytes.h"

namespace qualtren {

struct TBlockHeader {
  int ItemCount = 0;
  int UsedCount = 0;
  TBlockHeader* Prev = nullptr;
  TBlockHeader* Next = nullptr;
  size_t Index = 0;  // position in the manager's block list
};

namespace {

constexpr size_t kBlockHeaderSize = (sizeof(TBlockHeader) + 7) & ~size_t{7};

template <typename T>
T Load(const uint8_t* p) {
  T v;
  std::memcpy(&v, p, sizeof(T));
  return v;
}

template <typename T>
void Store(uint8_t* p, T v) {
  std::memcpy(p, &v, sizeof(T));
}

template <typename T>
void ToNative(std::string* out, T v) {
  if (out) *out = ToNativeBytes(v);
}

}  // namespace

// ---------------------------------------------------------------- blocks

TBlockManager::~TBlockManager() = default;

void TBlockManager::SetRecordSize(size_t recordSize) {
  FreeAll();
  itemSize_ = (TItemHeader::kHeaderSize + recordSize + 7) & ~size_t{7};
}

void TBlockManager::AddBlock() {
  size_t bytes = kBlockHeaderSize + itemSize_ * static_cast<size_t>(itemsPerBlock_);
  auto memory = std::make_unique<uint8_t[]>(bytes);
  auto* block = new (memory.get()) TBlockHeader();
  block->ItemCount = itemsPerBlock_;
  block->Index = blocks_.size();
  if (!blocks_.empty()) {
    auto* last = reinterpret_cast<TBlockHeader*>(blocks_.back().get());
    last->Next = block;
    block->Prev = last;
  }
  for (int i = itemsPerBlock_ - 1; i >= 0; --i) {
    auto* item =
        new (memory.get() + kBlockHeaderSize + itemSize_ * static_cast<size_t>(i)) TItemHeader();
    item->Block = block;
    item->Flag = TItemHeader::kItemFree;
    item->Next = freeList_;
    if (freeList_) freeList_->Prev = item;
    freeList_ = item;
  }
  blocks_.push_back(std::move(memory));
}

TItemHeader* TBlockManager::AllocItem() {
  if (!freeList_) AddBlock();
  TItemHeader* item = freeList_;
  if (item->Flag != TItemHeader::kItemFree)
    throw EAssertionFailed("Record item handed out twice", __FILE__, __LINE__);
  freeList_ = item->Next;
  if (freeList_) freeList_->Prev = nullptr;
  TBlockHeader* block = item->Block;
  *item = TItemHeader();
  item->Block = block;
  item->Flag = TItemHeader::kItemUsed;
  std::memset(item->Record(), 0, itemSize_ - TItemHeader::kHeaderSize);
  ++block->UsedCount;
  ++used_;
  return item;
}

void TBlockManager::FreeItem(TItemHeader* item) {
  if (!item || item->Flag != TItemHeader::kItemUsed)
    throw EAssertionFailed("Record item freed twice", __FILE__, __LINE__);
  item->Flag = TItemHeader::kItemFree;
  item->Prev = nullptr;
  item->Next = freeList_;
  if (freeList_) freeList_->Prev = item;
  freeList_ = item;
  --used_;
  TBlockHeader* block = item->Block;
  if (--block->UsedCount == 0) ReleaseBlock(block);
}

void TBlockManager::ReleaseBlock(TBlockHeader* block) {
  uint8_t* base = reinterpret_cast<uint8_t*>(block) + kBlockHeaderSize;
  for (int i = 0; i < block->ItemCount; ++i) {
    auto* item = reinterpret_cast<TItemHeader*>(base + itemSize_ * static_cast<size_t>(i));
    if (item->Prev)
      item->Prev->Next = item->Next;
    else
      freeList_ = item->Next;
    if (item->Next) item->Next->Prev = item->Prev;
  }
  if (block->Prev) block->Prev->Next = block->Next;
  if (block->Next) block->Next->Prev = block->Prev;
  size_t index = block->Index;
  if (index + 1 != blocks_.size()) {
    std::swap(blocks_[index], blocks_.back());
    reinterpret_cast<TBlockHeader*>(blocks_[index].get())->Index = index;
  }
  blocks_.pop_back();
}

void TBlockManager::FreeAll() {
  blocks_.clear();
  freeList_ = nullptr;
  used_ = 0;
}

// ---------------------------------------------------------------- blobs

size_t TBlob::Size() const {
  size_t n = 0;
  for (const auto& p : pieces_)
    n += p.size();
  return n;
}

std::string TBlob::Read() const {
  std::string out;
  out.reserve(Size());
  for (const auto& p : pieces_)
    out += p;
  return out;
}

void TBlob::Write(std::string_view bytes) {
  pieces_.clear();
  for (size_t pos = 0; pos < bytes.size(); pos += kPieceSize)
    pieces_.emplace_back(bytes.substr(pos, kPieceSize));
}

// ---------------------------------------------------------------- TData

void UnsupportedFieldType() {
  throw EDatabaseError(
      "Field type is not supported by TVirtualTable. \rValid types is String, WideString, "
      "Smallint, Integer, Word, Boolean, Largeint, Float, Currency, Date, Time, DateTime, Blob, "
      "Memo, Guid, Bcd, FmtBcd, Bytes, VarBytes, Variant");
}

TData::~TData() = default;

void TData::Open() {
  if (active_) return;
  fields_.Clear();
  blobs_.Clear();
  variants_.Clear();
  InitFields();
  InitRecordLayout();
  // Records come in blocks of ten; a record this large could not be held.
  if (calcBufferSize_ > kMaxRecordSize) {
    fields_.Clear();
    throw EDatabaseError("Record size is too large");
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
      FilterCaseInsensitive, FilterNoPartialCompare);
}

bool TData::GetNull(int fieldNo, const uint8_t* rec) const {
  return rec[fields_[static_cast<size_t>(fieldNo - 1)].NullOffset] != 0;
}

void TData::SetNull(int fieldNo, uint8_t* rec, bool isNull) const {
  rec[fields_[static_cast<size_t>(fieldNo - 1)].NullOffset] = isNull ? 1 : 0;
}

void TData::InitRecord(uint8_t* rec) const {
  std::memset(rec, 0, recordSize_);
  for (size_t i = 0; i < fields_.Count(); ++i)
    if (fields_[i].Kind == TFieldDescKind::Data) rec[fields_[i].NullOffset] = 1;
}

bool TData::GetFieldText(int fieldNo, const uint8_t* rec, std::string_view& text) const {
  const TFieldDesc& d = fields_[static_cast<size_t>(fieldNo - 1)];
  if (GetNull(fieldNo, rec)) return false;
  const char* p = reinterpret_cast<const char*>(rec + d.Offset);
  const size_t max = static_cast<size_t>(d.Length);
  const void* zero = std::memchr(p, 0, max);
  text = std::string_view(p, zero ? static_cast<size_t>(static_cast<const char*>(zero) - p) : max);
  return true;
}

bool TData::GetField(int fieldNo, const uint8_t* rec, std::string* out) const {
  const TFieldDesc& d = fields_[static_cast<size_t>(fieldNo - 1)];
  if (GetNull(fieldNo, rec)) return false;
  if (!out) return true;
  const uint8_t* p = rec + d.Offset;
  switch (d.DataType) {
    case dtString:
    case dtGuid:
    case dtFixedChar: {
      size_t n = 0;
      size_t max = static_cast<size_t>(d.Length);
      while (n < max && p[n] != 0)
        ++n;
      out->assign(reinterpret_cast<const char*>(p), n);
      return true;
    }
    case dtWideString: {
      size_t n = 0;
      size_t max = static_cast<size_t>(d.Length);
      while (n < max && (p[2 * n] != 0 || p[2 * n + 1] != 0))
        ++n;
      out->assign(reinterpret_cast<const char*>(p), 2 * n);
      return true;
    }
    case dtDate:
      ToNative<int32_t>(out, DateTimeToTimeStamp(Load<double>(p)).Date);
      return true;
    case dtTime:
      ToNative<int32_t>(out, DateTimeToTimeStamp(Load<double>(p)).Time);
      return true;
    case dtDateTime:
      ToNative<double>(out, TimeStampToMSecs(DateTimeToTimeStamp(Load<double>(p))));
      return true;
    case dtVarBytes: {
      size_t n = std::min<size_t>(Load<uint16_t>(p), static_cast<size_t>(d.Length));
      out->assign(reinterpret_cast<const char*>(p), 2);
      Store<uint16_t>(reinterpret_cast<uint8_t*>(out->data()), static_cast<uint16_t>(n));
      out->append(reinterpret_cast<const char*>(p + 2), n);
      return true;
    }
    case dtBlob:
    case dtMemo: {
      const TBlob* b = GetBlob(fieldNo, rec);
      if (b)
        *out = b->Read();
      else
        out->clear();
      return true;
    }
    case dtVariant:
      *out = GetVariantValue(fieldNo, rec).ToString();
      return true;
    default:
      out->assign(reinterpret_cast<const char*>(p), static_cast<size_t>(d.Size));
      return true;
  }
}

void TData::PutField(int fieldNo, uint8_t* rec, const std::string* value) {
  const TFieldDesc& d = fields_[static_cast<size_t>(fieldNo - 1)];
  uint8_t* p = rec + d.Offset;
  if (!value) {
    if (d.DataType == dtBlob || d.DataType == dtMemo)
      Store<uint32_t>(p, 0);
    else if (d.DataType == dtVariant)
      Store<uint32_t>(p, 0);
    else
      std::memset(p, 0, static_cast<size_t>(d.Size));
    SetNull(fieldNo, rec, true);
    return;
  }
  const std::string& v = *value;
  switch (d.DataType) {
    case dtString:
    case dtGuid:
    case dtFixedChar: {
      size_t n = std::min(v.size(), static_cast<size_t>(d.Length));
      std::memset(p, 0, static_cast<size_t>(d.Size));
      std::memcpy(p, v.data(), n);
      break;
    }
    case dtWideString: {
      size_t n = std::min(v.size() / 2, static_cast<size_t>(d.Length));
      std::memset(p, 0, static_cast<size_t>(d.Size));
      std::memcpy(p, v.data(), 2 * n);
      break;
    }
    case dtDate:
      Store<double>(p, TimeStampToDateTime({0, FromNativeBytes<int32_t>(v)}));
      break;
    case dtTime:
      Store<double>(p, TimeStampToDateTime({FromNativeBytes<int32_t>(v), kDateDelta}));
      break;
    case dtDateTime:
      Store<double>(p, TimeStampToDateTime(MSecsToTimeStamp(FromNativeBytes<double>(v))));
      break;
    case dtVarBytes: {
      size_t n = v.size() >= 2 ? std::min<size_t>(FromNativeBytes<uint16_t>(v), v.size() - 2) : 0;
      n = std::min(n, static_cast<size_t>(d.Length));
      std::memset(p, 0, static_cast<size_t>(d.Size));
      Store<uint16_t>(p, static_cast<uint16_t>(n));
      std::memcpy(p + 2, v.data() + 2, n);
      break;
    }
    case dtBlob:
    case dtMemo: {
      TBlob blob;
      blob.Write(v);
      Store<uint32_t>(p, blobs_.Add(std::move(blob)));
      break;
    }
    case dtVariant:
      Store<uint32_t>(p, variants_.Add(Variant::Text(v)));
      break;
    default: {
      size_t n = std::min(v.size(), static_cast<size_t>(d.Size));
      std::memset(p, 0, static_cast<size_t>(d.Size));
      std::memcpy(p, v.data(), n);
      break;
    }
  }
  SetNull(fieldNo, rec, false);
}

Variant TData::GetFieldVariant(int fieldNo, const uint8_t* rec) const {
  const TFieldDesc& d = fields_[static_cast<size_t>(fieldNo - 1)];
  if (d.DataType == dtVariant) return GetVariantValue(fieldNo, rec);
  if (GetNull(fieldNo, rec)) return {};
  const uint8_t* p = rec + d.Offset;
  switch (d.DataType) {
    case dtShortint:
    case dtSmallint:
      return Variant::Integer(Load<int16_t>(p));
    case dtWord:
      return Variant::Integer(Load<uint16_t>(p));
    case dtInteger:
    case dtInt32Largeint:
      return Variant::Integer(Load<int32_t>(p));
    case dtLargeint:
      return Variant::Integer(Load<int64_t>(p));
    case dtBoolean:
      return Variant::Boolean(Load<uint16_t>(p) != 0);
    case dtFloat:
    case dtCurrency:
      return Variant::Double(Load<double>(p));
    case dtBCD:
      return Variant::Double(static_cast<double>(Load<int64_t>(p)) / 10000.0);
    case dtDate:
    case dtTime:
    case dtDateTime:
      return Variant::DateTime(Load<double>(p));
    case dtFMTBCD: {
      std::string b;
      GetField(fieldNo, rec, &b);
      return Variant::Double(FmtBcdToDouble(b));
    }
    case dtWideString: {
      std::string b;
      GetField(fieldNo, rec, &b);
      return Variant::Text(Utf16ToAnsi(Utf16FromBytes(b)));
    }
    case dtVarBytes: {
      std::string b;
      GetField(fieldNo, rec, &b);
      return Variant::Text(b.substr(2));
    }
    default: {
      std::string b;
      GetField(fieldNo, rec, &b);
      return Variant::Text(std::move(b));
    }
  }
}

Variant TData::GetVariantValue(int fieldNo, const uint8_t* rec) const {
  const TFieldDesc& d = fields_[static_cast<size_t>(fieldNo - 1)];
  if (GetNull(fieldNo, rec)) return {};
  uint32_t h = Load<uint32_t>(rec + d.Offset);
  const Variant* v = variants_.Get(h);
  return v ? *v : Variant();
}

void TData::PutVariantValue(int fieldNo, uint8_t* rec, const Variant& value) {
  const TFieldDesc& d = fields_[static_cast<size_t>(fieldNo - 1)];
  if (value.IsNull()) {
    Store<uint32_t>(rec + d.Offset, 0);
    SetNull(fieldNo, rec, true);
    return;
  }
  Store<uint32_t>(rec + d.Offset, variants_.Add(value));
  SetNull(fieldNo, rec, false);
}

const TBlob* TData::GetBlob(int fieldNo, const uint8_t* rec) const {
  const TFieldDesc& d = fields_[static_cast<size_t>(fieldNo - 1)];
  if (GetNull(fieldNo, rec)) return nullptr;
  uint32_t h = Load<uint32_t>(rec + d.Offset);
  return blobs_.Get(h);
}

void TData::FreeChangedReferences(uint8_t* rec, const uint8_t* original) {
  for (size_t i = 0; i < fields_.Count(); ++i) {
    const TFieldDesc& d = fields_[i];
    if (d.Kind != TFieldDescKind::Data) continue;
    bool blob = d.DataType == dtBlob || d.DataType == dtMemo;
    if (!blob && d.DataType != dtVariant) continue;
    uint32_t h = Load<uint32_t>(rec + d.Offset);
    if (h == 0) continue;
    if (original && Load<uint32_t>(original + d.Offset) == h) continue;
    if (blob)
      blobs_.Release(h);
    else
      variants_.Release(h);
    Store<uint32_t>(rec + d.Offset, 0);
  }
}

void TData::FreeRecordReferences(uint8_t* rec) {
  FreeChangedReferences(rec, nullptr);
}

// ---------------------------------------------------------------- TMemData

TMemData::TMemData() = default;

TMemData::~TMemData() = default;

void TMemData::Open() {
  if (active_) return;
  first_ = last_ = current_ = nullptr;
  bof_ = eof_ = true;
  itemCount_ = 0;
  recordCount_ = 0;
  passing_.clear();
  indexes_.clear();
  indexMode_ = false;
  numbersValid_ = true;
  TData::Open();
  blocks_.SetRecordSize(recordSize_);
  sortColumns_.clear();
  if (!indexFieldNames_.empty()) {
    try {
      sortColumns_ = ParseIndexFieldNames(indexFieldNames_, fields_);
    } catch (...) {
      TData::Close();
      throw;
    }
  }
}

void TMemData::Close() {
  ClearRecords();
  TData::Close();
}

void TMemData::Rewind() {
  current_ = nullptr;
  bof_ = true;
  if (first_) eof_ = false;
}

void TMemData::WindToEnd() {
  current_ = nullptr;
  eof_ = true;
  if (first_) bof_ = false;
}

TItemHeader* TMemData::NextRecord() {
  return Step(true);
}

TItemHeader* TMemData::PriorRecord() {
  return Step(false);
}

TItemHeader* TMemData::Step(bool forward) {
  bool& startFlag = forward ? bof_ : eof_;  // the end a step may start from
  bool& stopFlag = forward ? eof_ : bof_;   // the end a step runs into
  if (stopFlag && !current_) return nullptr;
  TItemHeader* candidate = nullptr;
  bool fromList = false;
  if (startFlag && !current_) {
    startFlag = false;
    if (numbersValid_) {
      fromList = true;
      if (!passing_.empty()) candidate = forward ? passing_.front() : passing_.back();
    } else {
      candidate = forward ? first_ : last_;
    }
  } else if (current_ && numbersValid_ && !IsOmitted(current_)) {
    // While the record numbers hold, the list of passing records answers at once.
    fromList = true;
    long index = static_cast<long>(current_->RecNo) - 1 + (forward ? 1 : -1);
    if (index >= 0 && index < static_cast<long>(passing_.size()))
      candidate = passing_[static_cast<size_t>(index)];
  } else if (current_) {
    candidate = forward ? current_->Next : current_->Prev;
  } else {
    candidate = forward ? first_ : last_;
  }
  if (!fromList)
    while (candidate && IsOmitted(candidate))
      candidate = forward ? candidate->Next : candidate->Prev;
  if (!candidate) {
    stopFlag = true;
    current_ = nullptr;
    return nullptr;
  }
  current_ = candidate;
  return candidate;
}

TItemHeader* TMemData::NewItem(const uint8_t* rec) {
  TItemHeader* item = blocks_.AllocItem();
  std::memcpy(item->Record(), rec, recordSize_);
  ++itemCount_;
  return item;
}

void TMemData::RecordsChanged() {
  LeaveIndexMode();
  indexes_.clear();
  numbersValid_ = false;
}

TItemHeader* TMemData::AppendRecord(const uint8_t* rec) {
  RecordsChanged();
  TItemHeader* item = NewItem(rec);
  item->Prev = last_;
  if (last_)
    last_->Next = item;
  else
    first_ = item;
  item->RecNo = last_ && item->Prev ? item->Prev->RecNo + 1 : 1;
  last_ = item;
  return item;
}

TItemHeader* TMemData::InsertRecord(const uint8_t* rec) {
  if (!current_) return AppendRecord(rec);
  RecordsChanged();
  TItemHeader* item = NewItem(rec);
  item->Next = current_;
  item->Prev = current_->Prev;
  if (current_->Prev)
    current_->Prev->Next = item;
  else
    first_ = item;
  current_->Prev = item;
  return item;
}

void TMemData::UpdateRecord(TItemHeader* item, const uint8_t* rec) {
  RecordsChanged();
  std::memcpy(item->Record(), rec, recordSize_);
  item->FilterGen = 0;
  item->FilterResult = 0;
}

void TMemData::RemoveRecord(TItemHeader* item) {
  RecordsChanged();
  if (current_ == item) current_ = item->Next ? item->Next : item->Prev;
  if (item->Prev)
    item->Prev->Next = item->Next;
  else
    first_ = item->Next;
  if (item->Next)
    item->Next->Prev = item->Prev;
  else
    last_ = item->Prev;
  FreeRecordReferences(item->Record());
  blocks_.FreeItem(item);
  --itemCount_;
  if (!first_) {
    bof_ = eof_ = true;
    current_ = nullptr;
  }
}

void TMemData::ClearRecords() {
  for (TItemHeader* i = first_; i; i = i->Next)
    FreeRecordReferences(i->Record());
  blocks_.FreeAll();
  first_ = last_ = current_ = nullptr;
  bof_ = eof_ = true;
  itemCount_ = 0;
  recordCount_ = 0;
  passing_.clear();
  indexes_.clear();
  indexMode_ = false;
  numbersValid_ = true;
}

bool TMemData::IsOmitted(TItemHeader* item) {
  if (!item) return true;
  if (item->FilterGen == generation_ && item->FilterResult != 0) return item->FilterResult == 2;
  if (indexMode_) return true;
  bool passes = HasFilter() ? FilterRecord(item->Record()) : true;
  item->FilterGen = generation_;
  item->FilterResult = passes ? 1 : 2;
  return !passes;
}

void TMemData::ForgetVerdicts() {
  if (++generation_ == 0) {
    for (TItemHeader* i = first_; i; i = i->Next)
      i->FilterGen = 0;
    generation_ = 1;
  }
  indexMode_ = false;
  numbersValid_ = false;
}

void TMemData::LeaveIndexMode() {
  if (!indexMode_) return;
  for (TItemHeader* i = first_; i; i = i->Next) {
    if (i->FilterGen != generation_) {
      i->FilterGen = generation_;
      i->FilterResult = 2;
    }
  }
  indexMode_ = false;
}

void TMemData::Renumber() {
  passing_.clear();
  int k = 0;
  for (TItemHeader* i = first_; i; i = i->Next) {
    if (IsOmitted(i)) {
      i->RecNo = 0;
    } else {
      i->RecNo = ++k;
      passing_.push_back(i);
    }
  }
  recordCount_ = k;
  numbersValid_ = true;
}

void TMemData::EnsureNumbers() {
  if (!numbersValid_) Renumber();
}

void TMemData::FilterUpdated() {
  ForgetVerdicts();
  if (!TryIndexedFilter()) Renumber();
  if (recordCount_ == 0) eof_ = true;
}

const TEqualityIndex& TMemData::IndexFor(int fieldNo, bool folded) {
  const int codePage = folded ? ActiveCodePage() : 0;
  for (auto it = indexes_.begin(); it != indexes_.end(); ++it) {
    if (it->FieldNo() != fieldNo || it->Folded() != folded) continue;
    if (it->CodePage() == codePage) return *it;
    // Folded under another code page: its groups no longer hold.
    indexes_.erase(it);
    break;
  }
  indexes_.emplace_back(*this, fieldNo, folded, first_);
  return indexes_.back();
}

bool TMemData::TryIndexedFilter() {
  if (!UseEqualityIndex || !expression_ || filterHook_) return false;
  // The candidates: the smallest group among the terms that the index can
  // answer (a string data field compared with a plain value).
  auto candidatesOf = [this](const TFieldDesc* field,
                             std::string_view value) -> const std::vector<TItemHeader*>* {
    static const std::vector<TItemHeader*> kNone;
    if (field->Kind != TFieldDescKind::Data || !IsAnsiTextType(field->DataType)) return nullptr;
    // While = compares by pattern, only a constant without wildcards is an equality.
    if (!FilterNoPartialCompare && HasWildcards(value)) return nullptr;
    const std::vector<TItemHeader*>* group =
        IndexFor(field->FieldNo, FilterCaseInsensitive).Find(value);
    return group ? group : &kNone;
  };
  const std::vector<TItemHeader*>* candidates = nullptr;
  size_t indexedTerms = 0, terms = 0;
  auto consider = [&](const TFieldDesc* field, std::string_view value) {
    ++terms;
    const std::vector<TItemHeader*>* group = candidatesOf(field, value);
    if (!group) return;
    ++indexedTerms;
    if (!candidates || group->size() < candidates->size()) candidates = group;
  };
  if (!expression_->PlainTerms().empty()) {
    for (const TEqualityTerm& t : expression_->PlainTerms())
      consider(t.Field, t.Value);
  } else {
    std::vector<std::pair<const TFieldDesc*, std::string>> treeTerms;
    if (!expression_->EqualityTerms(treeTerms)) return false;
    for (const auto& t : treeTerms)
      consider(t.first, t.second);
  }
  if (!candidates) return false;

  // A filter of one such term is answered by its group alone; otherwise
  // every candidate is tested against the whole filter.
  const bool groupDecides = terms == 1 && indexedTerms == 1 && !HasCalcFields();
  passing_.clear();
  int k = 0;
  for (TItemHeader* i : *candidates) {
    const bool passes = groupDecides || FilterRecord(i->Record());
    i->FilterGen = generation_;
    i->FilterResult = passes ? 1 : 2;
    if (passes) {
      i->RecNo = ++k;
      passing_.push_back(i);
    }
  }
  recordCount_ = k;
  numbersValid_ = true;
  indexMode_ = true;
  return true;
}

int TMemData::RecordCount() {
  EnsureNumbers();
  return recordCount_;
}

int TMemData::RecNoOf(TItemHeader* item) {
  EnsureNumbers();
  if (!item || IsOmitted(item)) return 0;
  return item->RecNo;
}

TItemHeader* TMemData::ItemAtRecNo(int recNo) {
  EnsureNumbers();
  if (recNo < 1 || recNo > static_cast<int>(passing_.size())) return nullptr;
  return passing_[static_cast<size_t>(recNo - 1)];
}

void TMemData::ParseFilter() {
  TData::ParseFilter();
  ForgetVerdicts();
}

void TMemData::SetIndexFieldNames(const std::string& text) {
  if (active_) {
    TSortColumns columns = ParseIndexFieldNames(text, fields_);
    sortColumns_ = std::move(columns);
    indexFieldNames_ = text;
    SortItems();
  } else {
    indexFieldNames_ = text;
  }
}

void TMemData::SortItems() {
  if (sortColumns_.empty() || !first_) return;
  std::vector<TItemHeader*> items;
  items.reserve(itemCount_);
  for (TItemHeader* i = first_; i; i = i->Next)
    items.push_back(i);
  auto compare = [this](TItemHeader* a, TItemHeader* b) {
    for (const TSortColumn& c : sortColumns_) {
      int r = CompareSortValues(GetFieldVariant(c.Field->FieldNo, a->Record()),
                                GetFieldVariant(c.Field->FieldNo, b->Record()), c.CaseInsensitive);
      if (r != 0) return c.Descending ? -r : r;
    }
    return 0;
  };
  // Quicksort over the item list (not stable); the chain is relinked afterwards.
  std::vector<std::pair<long, long>> stack{{0, static_cast<long>(items.size()) - 1}};
  while (!stack.empty()) {
    auto [lo, hi] = stack.back();
    stack.pop_back();
    while (lo < hi) {
      TItemHeader* pivot = items[static_cast<size_t>(lo + (hi - lo) / 2)];
      long i = lo, j = hi;
      while (i <= j) {
        while (compare(items[static_cast<size_t>(i)], pivot) < 0)
          ++i;
        while (compare(items[static_cast<size_t>(j)], pivot) > 0)
          --j;
        if (i <= j) std::swap(items[static_cast<size_t>(i++)], items[static_cast<size_t>(j--)]);
      }
      if (j - lo < hi - i) {
        if (i < hi) stack.push_back({i, hi});
        hi = j;
      } else {
        if (lo < j) stack.push_back({lo, j});
        lo = i;
      }
    }
  }
  TItemHeader* prev = nullptr;
  for (TItemHeader* i : items) {
    i->Prev = prev;
    if (prev) prev->Next = i;
    prev = i;
  }
  items.back()->Next = nullptr;
  first_ = items.front();
  last_ = items.back();
  RecordsChanged();
  Renumber();
}

}  // namespace qualtren
