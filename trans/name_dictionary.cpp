// Building the name dictionary from the three tables' records in stored
// order, and probing it.
#include "trans/name_dictionary.h"

#include <cstring>
#include <initializer_list>

#include "base/codepage.h"
#include "base/hash.h"
#include "base/utf.h"
#include "table/virtual_table.h"
#include "trans/trans_tables.h"

namespace qualtren {

namespace {

// One table as the dictionary reads it: the record store, and the field
// numbers of the names it is searched by and of the English name it gives.
struct TSource {
  const TMemData* Data = nullptr;
  std::vector<int> Keys;
  int English = 0;
};

// Whether the filters of `table` compare its name fields as folded 8-bit
// text, so that the dictionary answers exactly what they answer; fills
// `source` when they do. Opens the table and shows it in stored order, as
// a try would.
bool Readable(TVirtualTable& table, std::initializer_list<const char*> keys, const char* english,
              TSource& source) {
  if (table.FilterOptions() != kTransTableFilterOptions || table.OnFilterRecord()) return false;
  try {
    table.SetIndexFieldNames("");
    table.Open();
  } catch (...) {
    return false;
  }
  const TMemData& data = table.Data();
  if (data.HasCalcFields()) return false;
  for (const char* name : keys) {
    const TFieldDesc* desc = data.Fields().Find(name);
    if (!desc || desc->Kind != TFieldDescKind::Data || !IsAnsiTextType(desc->DataType))
      return false;
    source.Keys.push_back(desc->FieldNo);
  }
  // The English name is read as the text of its field object.
  const TFieldDesc* desc = data.Fields().Find(english);
  const TField* field = table.FindField(english);
  if (!desc || !field || desc->Kind != TFieldDescKind::Data || desc->DataType != dtString ||
      field->FieldKind() != TFieldKind::fkData || field->DataType() != ftString ||
      field->FieldNo() != desc->FieldNo)
    return false;
  source.English = desc->FieldNo;
  source.Data = &data;
  return true;
}

// The text of a field of a record; a null value reads as the empty text.
std::string_view Text(const TSource& s, int fieldNo, const TItemHeader* item, bool& isNull) {
  std::string_view text;
  isNull = !s.Data->GetFieldText(fieldNo, item->Record(), text);
  return text;
}

}  // namespace

std::shared_ptr<const TNameDictionary> TNameDictionary::Build(const TransTables& tables) {
  TSource names, procedures, columns;
  if (!Readable(tables.Table, {"TableName"}, "TableNameAng", names) ||
      !Readable(tables.StoredProc, {"Naziv"}, "ProcedureNameAng", procedures) ||
      !Readable(tables.TableStr, {"FieldName", "TableName"}, "FieldNameAng", columns))
    return nullptr;

  std::shared_ptr<TNameDictionary> d(new TNameDictionary());
  d->codePage_ = ActiveCodePage();
  d->upper_ = AnsiUpperTable();
  d->slots_.assign(1024, TSlot());
  std::string folded;
  bool isNull;
  // The first record of each name in stored order gives the answer; a
  // null name matches no word.
  auto fill = [&](const TSource& s, int32_t TEntry::*answer) {
    for (const TItemHeader* i = s.Data->FirstItem(); i; i = i->Next) {
      ++d->records_;
      const std::string_view name = Text(s, s.Keys[0], i, isNull);
      if (isNull) continue;
      d->Fold(name, folded);
      TEntry& e = d->Add(folded);
      if (e.*answer == kNone) e.*answer = d->AddValue(Text(s, s.English, i, isNull));
    }
  };
  fill(names, &TEntry::Table);
  fill(procedures, &TEntry::Procedure);

  // The column records: by their name, and by their table (records of one
  // table mostly stand together, so the last table's id is kept at hand).
  std::vector<std::pair<int32_t, TColumn>> byTable;
  byTable.reserve(columns.Data->ItemCount());
  std::string lastTable;
  int32_t lastId = kNone;
  for (const TItemHeader* i = columns.Data->FirstItem(); i; i = i->Next) {
    ++d->records_;
    const std::string_view name = Text(columns, columns.Keys[0], i, isNull);
    if (isNull) continue;
    d->Fold(name, folded);
    TEntry& e = d->Add(folded);
    if (e.AnyColumn == kNone) e.AnyColumn = d->AddValue(Text(columns, columns.English, i, isNull));
    const std::string_view table = Text(columns, columns.Keys[1], i, isNull);
    if (isNull) continue;
    e.HasColumns = true;
    const uint32_t entry = static_cast<uint32_t>(&e - d->entries_.data());
    if (lastId == kNone || table != lastTable) {
      d->Fold(table, folded);
      lastId =
          d->tableIds_.try_emplace(folded, static_cast<int32_t>(d->tableIds_.size())).first->second;
      lastTable.assign(table);
    }
    byTable.push_back({lastId, {entry, i}});
  }
  // Grouped by table, each group in stored order.
  d->columnStart_.assign(d->tableIds_.size() + 1, 0);
  for (const auto& [id, column] : byTable)
    ++d->columnStart_[static_cast<size_t>(id) + 1];
  for (size_t t = 1; t < d->columnStart_.size(); ++t)
    d->columnStart_[t] += d->columnStart_[t - 1];
  d->columns_.resize(byTable.size());
  std::vector<uint32_t> next(d->columnStart_.begin(), d->columnStart_.end() - 1);
  for (const auto& [id, column] : byTable)
    d->columns_[next[static_cast<size_t>(id)]++] = column;
  d->columnData_ = columns.Data;
  d->columnEnglish_ = columns.English;
  return d;
}

void TNameDictionary::Fold(std::string_view text, std::string& out) const {
  out.resize(text.size());
  for (size_t k = 0; k < text.size(); ++k)
    out[k] = static_cast<char>(upper_[static_cast<uint8_t>(text[k])]);
}

uint32_t TNameDictionary::HashKey(std::string_view folded) const {
  return static_cast<uint32_t>(HashBytes(folded));
}

TNameDictionary::TEntry& TNameDictionary::Add(std::string_view folded) {
  if (const TEntry* e = FindFolded(folded))
    return entries_[static_cast<size_t>(e - entries_.data())];
  if (2 * (entries_.size() + 1) > slots_.size()) {
    std::vector<TSlot> grown(slots_.size() * 2);
    const size_t mask = grown.size() - 1;
    for (const TSlot& s : slots_) {
      if (s.Entry == 0) continue;
      size_t i = s.Hash & mask;
      while (grown[i].Entry != 0)
        i = (i + 1) & mask;
      grown[i] = s;
    }
    slots_.swap(grown);
  }
  TEntry e;
  e.Hash = HashKey(folded);
  e.KeyOffset = static_cast<uint32_t>(keys_.size());
  e.KeyLength = static_cast<uint32_t>(folded.size());
  keys_.append(folded);
  entries_.push_back(e);
  const size_t mask = slots_.size() - 1;
  size_t i = e.Hash & mask;
  while (slots_[i].Entry != 0)
    i = (i + 1) & mask;
  slots_[i] = {e.Hash, static_cast<uint32_t>(entries_.size())};
  return entries_.back();
}

int32_t TNameDictionary::AddValue(std::string_view english) {
  const int32_t id = static_cast<int32_t>(values_.size() / 4);
  values_.push_back(static_cast<uint32_t>(valueText_.size()));
  values_.push_back(static_cast<uint32_t>(english.size()));
  valueText_.append(english);
  if (IsAscii(english)) {
    values_.push_back(values_[values_.size() - 2]);
    values_.push_back(static_cast<uint32_t>(english.size()));
  } else {
    const std::string utf8 = AnsiToUtf8(english);
    values_.push_back(static_cast<uint32_t>(valueText_.size()));
    values_.push_back(static_cast<uint32_t>(utf8.size()));
    valueText_.append(utf8);
  }
  return id;
}

const TNameDictionary::TEntry* TNameDictionary::FindFolded(std::string_view folded) const {
  const uint32_t hash = HashKey(folded);
  const size_t mask = slots_.size() - 1;
  for (size_t i = hash & mask;; i = (i + 1) & mask) {
    const TSlot s = slots_[i];
    if (s.Entry == 0) return nullptr;
    if (s.Hash != hash) continue;
    const TEntry& e = entries_[s.Entry - 1];
    if (e.KeyLength == folded.size() &&
        std::memcmp(keys_.data() + e.KeyOffset, folded.data(), folded.size()) == 0)
      return &e;
  }
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
  const auto it = tableIds_.find(folded);
  return it == tableIds_.end() ? kNone : it->second;
}

void TNameDictionary::ForEachColumnOf(
    int32_t tableId, const std::function<void(const TEntry&, std::string_view)>& onColumn) const {
  if (tableId == kNone) return;
  for (uint32_t k = columnStart_[static_cast<size_t>(tableId)];
       k < columnStart_[static_cast<size_t>(tableId) + 1]; ++k) {
    std::string_view english;
    columnData_->GetFieldText(columnEnglish_, columns_[k].Item->Record(), english);
    onColumn(entries_[columns_[k].Entry], english);
  }
}

std::string_view TNameDictionary::Value(int32_t id, bool utf8) const {
  const size_t at = static_cast<size_t>(id) * 4 + (utf8 ? 2 : 0);
  return std::string_view(valueText_).substr(values_[at], values_[at + 1]);
}

}  // namespace qualtren
