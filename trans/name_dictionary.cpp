// Building the name dictionary from the three tables' records in stored
// order, and probing it.
#include "trans/name_dictionary.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>

#include "base/codepage.h"
#include "base/utf.h"
#include "table/virtual_table.h"
#include "trans/trans_layout.h"

namespace qualtren {

// One table as the dictionary reads it: the record store, and the field
// numbers of its local name, of the column table's table name (-1 for the
// other two tables) and of the English name.
struct TNameDictionary::TSource {
  const TMemData* Data = nullptr;
  int Local = 0;
  int Scope = -1;
  int English = 0;
};

namespace {

// The field number of a name field that the filters compare as 8-bit text;
// -1 when the table lacks it or holds other data in it.
int TextFieldNo(const TMemData& data, const char* name) {
  const TFieldDesc* desc = data.Fields().Find(name);
  if (!desc || desc->Kind != TFieldDescKind::Data || !IsAnsiTextType(desc->DataType)) return -1;
  return desc->FieldNo;
}

// Whether the filters of the table of `kind`, open and in stored order,
// compare its name fields as folded 8-bit text, so that the dictionary
// answers exactly what they answer; fills `source` when they do. Changes
// nothing in the table.
template <class TSource>
bool ReadableAsItStands(const TransTables& tables, TNameKind kind, TSource& source) {
  const TVirtualTable& table = tables.Of(kind);
  const TTransTableLayout& layout = TransTableLayout(kind);
  if (table.FilterOptions() != kTransTableFilterOptions || table.OnFilterRecord()) return false;
  const TMemData& data = table.Data();
  if (data.HasCalcFields()) return false;
  source.Local = TextFieldNo(data, layout.LocalField);
  if (source.Local < 0) return false;
  if (layout.ScopeField) {
    source.Scope = TextFieldNo(data, layout.ScopeField);
    if (source.Scope < 0) return false;
  }
  // The English name is read as the text of its field object.
  const TFieldDesc* desc = data.Fields().Find(layout.EnglishField);
  const TField* field = table.FindField(layout.EnglishField);
  if (!desc || !field || desc->Kind != TFieldDescKind::Data || desc->DataType != dtString ||
      field->FieldKind() != TFieldKind::fkData || field->DataType() != ftString ||
      field->FieldNo() != desc->FieldNo)
    return false;
  source.English = desc->FieldNo;
  source.Data = &data;
  return true;
}

// The same, after opening the table and showing it in stored order, as a
// try would.
template <class TSource>
bool Readable(const TransTables& tables, TNameKind kind, TSource& source) {
  TVirtualTable& table = tables.Of(kind);
  try {
    table.SetIndexFieldNames("");
    table.Open();
  } catch (...) {
    return false;
  }
  return ReadableAsItStands(tables, kind, source);
}

// The text of a field of a record; a null value reads as the empty text.
std::string_view Text(const TMemData& data, int fieldNo, const TItemHeader* item, bool& isNull) {
  std::string_view text;
  isNull = !data.GetFieldText(fieldNo, item->Record(), text);
  return text;
}

}  // namespace

std::shared_ptr<const TNameDictionary> TNameDictionary::Build(const TransTables& tables) {
  TSource names, procedures, columns;
  if (!Readable(tables, TNameKind::Table, names) ||
      !Readable(tables, TNameKind::Procedure, procedures) ||
      !Readable(tables, TNameKind::Column, columns))
    return nullptr;
  std::shared_ptr<TNameDictionary> d = Begin(names, procedures, columns.Data->ItemCount());
  for (const TItemHeader* i = columns.Data->FirstItem(); i; i = i->Next)
    d->AddColumn(columns, i);
  d->EndColumns(columns);
  return d->tooLarge_ ? nullptr : d;
}

std::shared_ptr<TNameDictionary> TNameDictionary::Begin(const TSource& names,
                                                        const TSource& procedures,
                                                        size_t columnRecords) {
  auto d = std::make_shared<TNameDictionary>(TKey{});
  d->codePage_ = ActiveCodePage();
  d->upper_ = AnsiUpperTable();
  // Every record may bring a name: room for all of them at once, so that
  // the table never grows on the way.
  const size_t records = names.Data->ItemCount() + procedures.Data->ItemCount() + columnRecords;
  d->names_.Reserve(records, records * 16);
  d->columns_.reserve(columnRecords);
  d->grouping_.Ids.reserve(columnRecords);
  // The first record of each name in stored order gives the answer.
  for (const TItemHeader* i = names.Data->FirstItem(); i; i = i->Next)
    d->AddRecord(names, i, &TEntry::Table);
  for (const TItemHeader* i = procedures.Data->FirstItem(); i; i = i->Next)
    d->AddRecord(procedures, i, &TEntry::Procedure);
  return d;
}

// The column records as the load of their table brings them in: the
// loading thread tells how many are in, and the building thread adds them
// meanwhile, then the rest once the load is over.
class TNameDictionary::TLoadFeed {
 public:
  explicit TLoadFeed(TTransTableSet& set) : set_(set) {}
  ~TLoadFeed() { Stop(false); }

  // On the loading thread, as the column table's load tells it.
  void Told(size_t loaded, size_t expected) {
    if (!builder_.joinable() && !refused_) Start(expected);
    std::lock_guard<std::mutex> lock(mutex_);
    loaded_ = loaded;
    told_.notify_one();
  }

  // Ends the building thread, once the load is over (`loaded`: it loaded
  // every table), and gives the dictionary it built of the tables as they
  // now stand, or nullptr when it built none.
  std::shared_ptr<TNameDictionary> Stop(bool loaded) {
    if (!builder_.joinable()) return nullptr;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      over_ = true;
      failed_ = !loaded;
      loaded_ = loaded ? columns_.Data->ItemCount() : loaded_;
    }
    told_.notify_one();
    builder_.join();
    if (!loaded) return nullptr;
    if (failure_) std::rethrow_exception(failure_);
    return dictionary_;
  }
  const TSource& Source(TNameKind kind) const {
    return kind == TNameKind::Table       ? names_
           : kind == TNameKind::Procedure ? procedures_
                                          : columns_;
  }

 private:
  // The two tables before it are loaded; the column table is open and
  // stays so, with the fields it has now.
  void Start(size_t expected) {
    const TransTables tables = set_.Tables();
    if (!Readable(tables, TNameKind::Table, names_) ||
        !Readable(tables, TNameKind::Procedure, procedures_) ||
        !ReadableAsItStands(tables, TNameKind::Column, columns_)) {
      refused_ = true;
      return;
    }
    builder_ = std::thread([this, expected] {
      try {
        Build(expected);
      } catch (...) {
        failure_ = std::current_exception();
      }
    });
  }

  void Build(size_t expected) {
    dictionary_ = Begin(names_, procedures_, expected);
    const TItemHeader* item = nullptr;
    for (size_t added = 0;;) {
      size_t loaded;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        told_.wait(lock, [&] { return loaded_ > added || over_; });
        if (failed_) return;
        loaded = loaded_;
      }
      // The records counted are complete, and each but the last is linked
      // to the next.
      for (; added < loaded; ++added) {
        item = added == 0 ? columns_.Data->FirstItem() : item->Next;
        dictionary_->AddColumn(columns_, item);
      }
      std::lock_guard<std::mutex> lock(mutex_);
      if (over_ && loaded_ == added) break;
    }
    dictionary_->EndColumns(columns_);
  }

  TTransTableSet& set_;
  TSource names_, procedures_, columns_;
  bool refused_ = false;  // the tables allow no dictionary
  std::thread builder_;
  std::exception_ptr failure_;
  std::shared_ptr<TNameDictionary> dictionary_;

  std::mutex mutex_;
  std::condition_variable told_;
  size_t loaded_ = 0;
  bool over_ = false;
  bool failed_ = false;
};

std::shared_ptr<const TNameDictionary> TNameDictionary::LoadAndBuild(TTransTableSet& set,
                                                                     const std::string& dir) {
  TLoadFeed feed(set);
  set.TableStr.OnRecordsLoaded = [&feed](size_t loaded, size_t expected) {
    feed.Told(loaded, expected);
  };
  try {
    set.Load(dir);
  } catch (...) {
    set.TableStr.OnRecordsLoaded = nullptr;
    feed.Stop(false);
    throw;
  }
  set.TableStr.OnRecordsLoaded = nullptr;
  const std::shared_ptr<TNameDictionary> built = feed.Stop(true);
  // What the tables allow now decides; a dictionary built meanwhile serves
  // when it read the fields that a build now would read.
  const TransTables tables = set.Tables();
  for (const TNameKind kind : {TNameKind::Table, TNameKind::Procedure, TNameKind::Column}) {
    TSource source;
    if (!Readable(tables, kind, source)) return nullptr;
    const TSource& used = feed.Source(kind);
    if (!built || source.Data != used.Data || source.Local != used.Local ||
        source.Scope != used.Scope || source.English != used.English)
      return Build(tables);
  }
  return built && built->tooLarge_ ? nullptr : built;
}

uint32_t TNameDictionary::AddRecord(const TSource& source, const TItemHeader* item,
                                    int32_t TEntry::*answer) {
  ++records_;
  bool isNull;
  const std::string_view name = Text(*source.Data, source.Local, item, isNull);
  // A null name matches no word.
  if (isNull) return names_.kMissing;
  Fold(name, folded_);
  bool added;
  const uint32_t entry = names_.FindOrAdd(folded_, added);
  TEntry& e = names_.Value(entry);
  if (e.*answer == kNone) e.*answer = AddValue(Text(*source.Data, source.English, item, isNull));
  return entry;
}

void TNameDictionary::AddColumn(const TSource& columns, const TItemHeader* item) {
  // A column record: by its name, and by its table (records of one table
  // mostly stand together, so the last table's id is kept at hand). The
  // records are kept in stored order with their table's id; when each
  // table's records stand together, that is already the order grouped by
  // table.
  TColumnGrouping& g = grouping_;
  const uint32_t entry = AddRecord(columns, item, &TEntry::AnyColumn);
  if (entry == names_.kMissing) return;
  bool isNull, added;
  const std::string_view table = Text(*columns.Data, columns.Scope, item, isNull);
  if (isNull) return;
  names_.Value(entry).HasColumns = true;
  if (g.LastId == tableIds_.kMissing || table != g.LastTable) {
    Fold(table, folded_);
    const uint32_t id = tableIds_.FindOrAdd(folded_, added);
    // A table met again after another one breaks the grouping.
    if (!added) g.Grouped = false;
    g.LastId = id;
    g.LastTable.assign(table);
  }
  g.Ids.push_back(g.LastId);
  columns_.push_back({entry, item});
}

void TNameDictionary::EndColumns(const TSource& columns) {
  const std::vector<uint32_t>& ids = grouping_.Ids;
  columnStart_.assign(tableIds_.Size() + 1, 0);
  for (const uint32_t id : ids)
    ++columnStart_[id + 1];
  for (size_t t = 1; t < columnStart_.size(); ++t)
    columnStart_[t] += columnStart_[t - 1];
  if (!grouping_.Grouped) {
    // Grouped by table, each group in stored order.
    std::vector<TColumn> byTable(columns_.size());
    std::vector<uint32_t> next(columnStart_.begin(), columnStart_.end() - 1);
    for (size_t k = 0; k < columns_.size(); ++k)
      byTable[next[ids[k]]++] = columns_[k];
    columns_.swap(byTable);
  }
  grouping_ = TColumnGrouping();
  BuildFilter();
  columnData_ = columns.Data;
  columnEnglish_ = columns.English;
}

void TNameDictionary::Fold(std::string_view text, std::string& out) const {
  out.resize(text.size());
  for (size_t k = 0; k < text.size(); ++k)
    out[k] = static_cast<char>(upper_[static_cast<uint8_t>(text[k])]);
}

int32_t TNameDictionary::AddValue(std::string_view english) {
  // A value is its length and bytes in the code page, then the length and
  // bytes of its UTF-8 form unless that is the same, so that the value of a
  // word of the code page is read in one place.
  // A value id is an int32_t: tables whose English names take more than
  // that get no dictionary, and the tries answer.
  if (valueText_.size() + 8 + 4 * english.size() > static_cast<size_t>(INT32_MAX)) {
    tooLarge_ = true;
    return kNone;
  }
  const auto id = static_cast<int32_t>(valueText_.size());
  AppendValueText(english);
  if (IsAscii(english))
    AppendLength(kSameInUtf8);
  else
    AppendValueText(AnsiToUtf8(english));
  return id;
}

const TNameDictionary::TEntry* TNameDictionary::FindFolded(std::string_view folded) const {
  const uint32_t hash = names_.Hash(folded);
  // Most words that no table holds are turned away by the filter, without
  // a probe of the names' table, which is too large to stay in the cache.
  const uint64_t bits = FilterBits(hash);
  if ((filter_[FilterWord(hash)] & bits) != bits) return nullptr;
  const uint32_t entry = names_.Find(folded, hash);
  return entry == names_.kMissing ? nullptr : &names_.Value(entry);
}

void TNameDictionary::BuildFilter() {
  // At least 16 bits a name, in 64-bit words: a name sets three bits of
  // one word, so that a word not held is answered by one read, and let
  // through to the probe at most about once in a hundred.
  size_t words = 64;
  while (words * 64 < 16 * names_.Size())
    words *= 2;
  filter_.assign(words, 0);
  std::array<bool, 256> foldedStarts{};
  for (uint32_t entry = 0; entry < names_.Size(); ++entry) {
    const std::string_view key = names_.Key(entry);
    const uint32_t hash = names_.Hash(key);
    filter_[FilterWord(hash)] |= FilterBits(hash);
    shortest_ = std::min(shortest_, key.size());
    longest_ = std::max(longest_, key.size());
    if (!key.empty()) foldedStarts[static_cast<uint8_t>(key[0])] = true;
  }
  for (size_t b = 0; b < 256; ++b)
    starts_[b] = foldedStarts[upper_[b]];
}

const TNameDictionary::TEntry* TNameDictionary::Find(std::string_view word,
                                                     std::string& folded) const {
  // Most words are short: folded on the stack.
  char buffer[64];
  if (word.size() <= sizeof buffer) {
    for (size_t k = 0; k < word.size(); ++k)
      buffer[k] = static_cast<char>(upper_[static_cast<uint8_t>(word[k])]);
    return FindFolded(std::string_view(buffer, word.size()));
  }
  Fold(word, folded);
  return FindFolded(folded);
}

int32_t TNameDictionary::TableId(std::string_view tableName) const {
  std::string folded;
  Fold(tableName, folded);
  const uint32_t id = tableIds_.Find(folded);
  return id == tableIds_.kMissing ? kNone : static_cast<int32_t>(id);
}

void TNameDictionary::ForEachColumnOf(
    int32_t tableId, const std::function<void(const TEntry&, std::string_view)>& onColumn) const {
  if (tableId == kNone) return;
  for (uint32_t k = columnStart_[static_cast<size_t>(tableId)];
       k < columnStart_[static_cast<size_t>(tableId) + 1]; ++k) {
    std::string_view english;
    columnData_->GetFieldText(columnEnglish_, columns_[k].Item->Record(), english);
    onColumn(names_.Value(columns_[k].Entry), english);
  }
}

std::string_view TNameDictionary::Value(int32_t id, bool utf8) const {
  const char* p = valueText_.data() + id;
  const uint32_t length = LengthAt(p);
  if (utf8)
    if (const uint32_t utf8Length = LengthAt(p + 4 + length); utf8Length != kSameInUtf8)
      return std::string_view(p + 4 + length + 4, utf8Length);
  return std::string_view(p + 4, length);
}

}  // namespace qualtren
