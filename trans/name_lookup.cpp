// Name lookup through filtered tries on the translation tables, with the
// outcome of every try remembered per word.
#include "trans/name_lookup.h"

#include <cstring>

#include "base/utf.h"

namespace qualtren {

namespace {

// What the lookup may remember before it starts afresh, in bytes (words,
// their entries and the names found).
constexpr size_t kRememberedBytesLimit = 16u << 20;

// The tries in the order of each name context: columns first where a column
// name is expected, table and procedure names first after from and join.
constexpr uint8_t kColumnOrder[] = {2, 3, 0, 1};  // named column, any column, table, procedure
constexpr uint8_t kTableOrder[] = {0, 1, 2, 3};   // table, procedure, named column, any column

// Doubles every single quote so that the text reads back unchanged from
// between single quotes in a filter.
std::string QuoteDoubled(const std::string& text) {
  std::string result;
  result.reserve(text.size());
  for (char c : text) {
    result += c;
    if (c == '\'') result += '\'';
  }
  return result;
}

}  // namespace

bool OpenFiltered(TVirtualTable& table, const std::string& filter) {
  table.SetIndexFieldNames("");
  table.SetFilter(filter);
  table.SetFiltered(!filter.empty());
  table.Open();
  return !table.Eof();
}

namespace {

// A fast hash of short texts, eight bytes at a time.
uint64_t HashWord(std::string_view word) {
  const char* p = word.data();
  size_t n = word.size();
  uint64_t h = 0x9E3779B97F4A7C15ull ^ n;
  while (n >= 8) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    h = (h ^ v) * 0xBF58476D1CE4E5B9ull;
    h ^= h >> 29;
    p += 8;
    n -= 8;
  }
  if (n > 0) {
    uint64_t v = 0;
    std::memcpy(&v, p, n);
    h = (h ^ v) * 0x94D049BB133111EBull;
  }
  h ^= h >> 32;
  h *= 0xD6E8FEB86659FD93ull;
  return h ^ (h >> 32);
}

}  // namespace

TNameLookup::TNameLookup(const TransTables& tables, std::string tableName, bool utf8Words)
    : tables_(tables), tableName_(std::move(tableName)), utf8_(utf8Words) {
  if (tableName_.empty()) return;
  std::string ansi = tableName_;
  if (utf8_ && !Utf8ToAnsiExact(tableName_, ansi)) {
    tableUnmatchable_ = true;
    return;
  }
  tableCondition_ = " and TableName = '" + QuoteDoubled(ansi) + "'";
}

TNameLookup::Entry& TNameLookup::FindOrAdd(std::string_view word) {
  if (slots_.empty()) slots_.resize(1024);
  const uint32_t hash = static_cast<uint32_t>(HashWord(word));
  const size_t mask = slots_.size() - 1;
  for (size_t i = hash & mask;; i = (i + 1) & mask) {
    const Slot slot = slots_[i];
    if (slot.entry == 0) break;
    if (slot.hash != hash) continue;
    Entry& e = entries_[slot.entry - 1];
    if (e.keyLength == word.size() &&
        std::memcmp(keys_.data() + e.keyOffset, word.data(), word.size()) == 0)
      return e;
  }
  if (rememberedBytes_ > kRememberedBytesLimit) Forget();
  if (2 * (entries_.size() + 1) > slots_.size()) Grow();
  Entry e;
  e.keyOffset = static_cast<uint32_t>(keys_.size());
  e.keyLength = static_cast<uint32_t>(word.size());
  keys_.append(word);
  entries_.push_back(e);
  rememberedBytes_ += word.size() + sizeof(Entry) + 2 * sizeof(Slot);
  const size_t mask2 = slots_.size() - 1;
  size_t i = hash & mask2;
  while (slots_[i].entry != 0)
    i = (i + 1) & mask2;
  slots_[i] = Slot{static_cast<uint32_t>(entries_.size()), hash};
  return entries_.back();
}

void TNameLookup::Grow() {
  std::vector<Slot> old(slots_.size() * 2);
  old.swap(slots_);
  const size_t mask = slots_.size() - 1;
  for (const Slot& s : old) {
    if (s.entry == 0) continue;
    size_t i = s.hash & mask;
    while (slots_[i].entry != 0)
      i = (i + 1) & mask;
    slots_[i] = s;
  }
}

const std::string* TNameLookup::Translate(std::string_view word, bool tableContext,
                                          TNameKind* kind) {
  Entry& entry = FindOrAdd(word);
  Outcome& answer = entry.answers[tableContext ? 1 : 0];
  if (answer.state == State::Unknown) {
    // A UTF-8 word is looked up in the code page of the tables; one that the
    // code page cannot hold is in no table.
    if (!utf8_ || IsAscii(word))
      answer = Answer(word, entry, tableContext);
    else if (Utf8ToAnsiExact(word, ansiWord_))
      answer = Answer(ansiWord_, entry, tableContext);
    else
      answer = Outcome{State::NotFound, 0, 0};
  }
  const TNameKind source = answer.source == kTableTry       ? TNameKind::Table
                           : answer.source == kProcedureTry ? TNameKind::Procedure
                                                            : TNameKind::Column;
  switch (answer.state) {
    case State::Found:
      if (kind) *kind = source;
      return &values_[answer.slot];
    case State::Failed:
      failedTable_ = source;
      std::rethrow_exception(failures_[answer.slot]);
    default:
      return nullptr;
  }
}

TNameLookup::Outcome TNameLookup::Answer(std::string_view word, Entry& entry, bool tableContext) {
  for (uint8_t t : tableContext ? kTableOrder : kColumnOrder) {
    Outcome o = RunTry(word, entry, static_cast<Try>(t));
    o.source = t;
    if (o.state != State::NotFound) return o;
  }
  return Outcome{State::NotFound, 0, 0};
}

TNameLookup::Outcome TNameLookup::RunTry(std::string_view word, Entry& entry, Try t) {
  // Without a table name both column tries filter by the same text.
  if (t == kNamedColumnTry && tableCondition_.empty()) {
    // A table name that no table can hold names no column.
    if (tableUnmatchable_) return Outcome{State::NotFound, 0, 0};
    t = kAnyColumnTry;
  }
  Outcome& o = entry.tries[t];
  if (o.state != State::Unknown) return o;
  try {
    bool found = false;
    std::string value = RunTryOnTables(word, t, found);
    if (found && utf8_ && !IsAscii(value)) value = AnsiToUtf8(value);
    if (found) {
      rememberedBytes_ += value.size() + sizeof(std::string);
      values_.push_back(std::move(value));
      o = Outcome{State::Found, 0, static_cast<uint32_t>(values_.size() - 1)};
    } else {
      o = Outcome{State::NotFound, 0, 0};
    }
  } catch (...) {
    failures_.push_back(std::current_exception());
    o = Outcome{State::Failed, 0, static_cast<uint32_t>(failures_.size() - 1)};
  }
  return o;
}

std::string TNameLookup::RunTryOnTables(std::string_view word, Try t, bool& found) {
  ++triesMade_;
  TVirtualTable* table = nullptr;
  const char* englishField = nullptr;
  filter_.clear();
  switch (t) {
    case kTableTry:
      table = &tables_.Table;
      englishField = "TableNameAng";
      filter_.append("TableName = '").append(word).append("'");
      break;
    case kProcedureTry:
      table = &tables_.StoredProc;
      englishField = "ProcedureNameAng";
      filter_.append("Naziv = '").append(word).append("'");
      break;
    case kNamedColumnTry:
    case kAnyColumnTry:
      table = &tables_.TableStr;
      englishField = "FieldNameAng";
      filter_.append("FieldName = '").append(word).append("' ");
      if (t == kNamedColumnTry) filter_.append(tableCondition_);
      break;
    case kTryCount:
      break;
  }
  found = OpenFiltered(*table, filter_);
  return found ? table->FieldByName(englishField).AsString() : std::string();
}

void TNameLookup::Forget() {
  slots_.assign(1024, Slot());
  entries_.clear();
  keys_.clear();
  values_.clear();
  failures_.clear();
  rememberedBytes_ = 0;
}

std::string TranslateName(const TransTables& tables, const std::string& tableName,
                          const std::string& word, const std::string& nameContext) {
  if (word.empty()) return word;
  TNameLookup lookup(tables, tableName);
  const std::string* english = lookup.Translate(word, nameContext == "T");
  return english ? *english : word;
}

}  // namespace qualtren
