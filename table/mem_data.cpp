// The chain of record items: changes to it, navigation, filter verdicts,
// record numbers, the equality indexes and the index order.
#include "table/mem_data.h"

#include <cstring>

#include "base/codepage.h"

namespace qualtren {

TMemData::TMemData() = default;

TMemData::~TMemData() = default;

void TMemData::ResetChain() {
  first_ = last_ = current_ = nullptr;
  bof_ = eof_ = true;
  itemCount_ = 0;
  recordCount_ = 0;
  passing_.clear();
  indexes_.clear();
  indexMode_ = false;
  numbersValid_ = true;
}

void TMemData::Open() {
  if (active_) return;
  ResetChain();
  TData::Open();
  blocks_.SetRecordSize(RecordSize());
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
  std::memcpy(item->Record(), rec, RecordSize());
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
  return Link(NewItem(rec));
}

TItemHeader* TMemData::AppendNullRecord() {
  RecordsChanged();
  // A new item's record is all zero.
  TItemHeader* item = blocks_.AllocItem();
  MarkAllNull(item->Record());
  ++itemCount_;
  return Link(item);
}

TItemHeader* TMemData::Link(TItemHeader* item) {
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
  std::memcpy(item->Record(), rec, RecordSize());
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
  ResetChain();
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
  if (!useIndex_ || !expression_ || HasFilterHook()) return false;
  // The candidates: the smallest group among the terms that the index can
  // answer (a string data field compared with a plain value).
  auto candidatesOf = [this](const TFieldDesc* field,
                             std::string_view value) -> const std::vector<TItemHeader*>* {
    static const std::vector<TItemHeader*> kNone;
    if (field->Kind != TFieldDescKind::Data || !IsAnsiTextType(field->DataType)) return nullptr;
    // While = compares by pattern, only a constant without wildcards is an equality.
    if (!NoPartialCompare() && HasWildcards(value)) return nullptr;
    const std::vector<TItemHeader*>* group =
        IndexFor(field->FieldNo, CaseInsensitive()).Find(value);
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
  SortByColumns(items, sortColumns_, *this);
  // The chain is relinked in the sorted order; no record bytes move.
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
