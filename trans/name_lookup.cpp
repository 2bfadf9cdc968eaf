// Name lookup through filtered tries on the translation tables, with the
// outcome of every try remembered per word.
#include "trans/name_lookup.h"

#include "base/utf.h"
#include "trans/name_dictionary.h"
#include "trans/trans_layout.h"

namespace qualtren {

namespace {

// What the lookup may remember before it starts afresh, in bytes (words,
// their entries and the names found).
constexpr size_t kRememberedBytesLimit = 16u << 20;

// The tries in the order of each name context: columns first where a column
// name is expected, table and procedure names first after from and join.
constexpr uint8_t kColumnOrder[] = {2, 3, 0, 1};  // named column, any column, table, procedure
constexpr uint8_t kTableOrder[] = {0, 1, 2, 3};   // table, procedure, named column, any column

// Appends the text with every single quote doubled, so that it reads back
// unchanged from between single quotes in a filter. (A word holds a quote
// only when a dialect's quoted name does.)
void AppendQuoted(std::string& out, std::string_view text) {
  if (text.find('\'') == std::string_view::npos) {
    out.append(text);
    return;
  }
  for (char c : text) {
    out += c;
    if (c == '\'') out += '\'';
  }
}

// The text with every single quote doubled.
std::string QuoteDoubled(std::string_view text) {
  std::string result;
  AppendQuoted(result, text);
  return result;
}

}  // namespace

TNameLookup::TNameLookup(const TransTables& tables, std::string tableName, bool utf8Words,
                         size_t dictionaryAfter)
    : tables_(tables),
      tableName_(std::move(tableName)),
      utf8_(utf8Words),
      dictionaryAfter_(dictionaryAfter) {
  if (tableName_.empty()) return;
  tableNameAnsi_ = tableName_;
  if (utf8_ && !Utf8ToAnsiExact(tableName_, tableNameAnsi_)) {
    tableUnmatchable_ = true;
    return;
  }
  tableCondition_ = std::string(" and ") + TransTableLayout(TNameKind::Column).ScopeField + " = '" +
                    QuoteDoubled(tableNameAnsi_) + "'";
}

TNameLookup::TNameLookup(const TransTables& tables, std::string tableName, bool utf8Words,
                         std::shared_ptr<const TNameDictionary> dictionary)
    : TNameLookup(tables, std::move(tableName), utf8Words, kNever) {
  UseDictionary(std::move(dictionary));
}

TNameLookup::~TNameLookup() = default;

void TNameLookup::UseDictionary(std::shared_ptr<const TNameDictionary> dictionary) {
  dictionary_ = std::move(dictionary);
  if (!dictionary_) return;
  if (tableCondition_.empty()) return;
  dictionary_->ForEachColumnOf(
      dictionary_->TableId(tableNameAnsi_),
      [this](const TNameDictionary::TEntry& entry, std::string_view english) {
        // The first column record of a name decides.
        if (namedColumns_.count(&entry)) return;
        namedColumns_.emplace(
            &entry, std::pair(std::string(english),
                              IsAscii(english) ? std::string(english) : AnsiToUtf8(english)));
      });
}

bool TNameLookup::FromDictionary(std::string_view word, bool tableContext,
                                 std::string_view& english, TNameKind* kind) {
  // A word of the code page was held against MayHold in Translate; a UTF-8
  // one is, once in the code page.
  if (utf8_) {
    if (!IsAscii(word)) {
      if (!Utf8ToAnsiExact(word, ansiWord_)) return false;
      word = ansiWord_;
    }
    if (!dictionary_->MayHold(word)) return false;
  }
  const TNameDictionary::TEntry* e = dictionary_->Find(word, folded_);
  if (!e) return false;
  // The tries in the order of the context, as the tables would take them.
  auto found = [&](int32_t value, TNameKind source) {
    english = dictionary_->Value(value, utf8_);
    if (kind) *kind = source;
    return true;
  };
  auto tables = [&] {
    if (e->Table != TNameDictionary::kNone) return found(e->Table, TNameKind::Table);
    if (e->Procedure != TNameDictionary::kNone) return found(e->Procedure, TNameKind::Procedure);
    return false;
  };
  auto columns = [&] {
    if (e->HasColumns && !namedColumns_.empty()) {
      if (const auto it = namedColumns_.find(e); it != namedColumns_.end()) {
        english = utf8_ ? it->second.second : it->second.first;
        if (kind) *kind = TNameKind::Column;
        return true;
      }
    }
    return e->AnyColumn != TNameDictionary::kNone && found(e->AnyColumn, TNameKind::Column);
  };
  return tableContext ? tables() || columns() : columns() || tables();
}

TNameLookup::Entry& TNameLookup::FindOrAdd(std::string_view word) {
  const uint32_t hash = words_.Hash(word);
  if (const uint32_t known = words_.Find(word, hash); known != words_.kMissing)
    return words_.Value(known);
  if (rememberedBytes_ > kRememberedBytesLimit) Forget();
  rememberedBytes_ += word.size() + words_.EntryBytes();
  bool added;
  return words_.Value(words_.FindOrAdd(word, added));
}

bool TNameLookup::ChooseDictionary() {
  // The one place where the way of answering changes: once enough words
  // needed tries, the dictionary answers the rest, where the tables allow
  // one; else the tries go on for good.
  if (dictionaryAfter_ == kNever || wordsTried_ < DictionaryThreshold()) return false;
  dictionaryAfter_ = kNever;
  UseDictionary(TNameDictionary::Build(tables_));
  return dictionary_ != nullptr;
}

bool TNameLookup::FromTries(std::string_view word, bool tableContext, std::string_view& english,
                            TNameKind* kind) {
  Entry& entry = FindOrAdd(word);
  Outcome& answer = entry.answers[tableContext ? 1 : 0];
  if (answer.state == State::Unknown) {
    if (ChooseDictionary()) return FromDictionary(word, tableContext, english, kind);
    ++wordsTried_;
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
      english = values_[answer.slot];
      return true;
    case State::Failed:
      failedTable_ = source;
      std::rethrow_exception(failures_[answer.slot]);
    default:
      return false;
  }
}

size_t TNameLookup::DictionaryThreshold() const {
  if (dictionaryAfter_ != kAuto) return dictionaryAfter_;
  // A try costs about as much as reading ten records into the dictionary.
  const size_t records = tables_.Table.Data().ItemCount() + tables_.StoredProc.Data().ItemCount() +
                         tables_.TableStr.Data().ItemCount();
  return 64 + records / 10;
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
  const TNameKind kind = t == kTableTry       ? TNameKind::Table
                         : t == kProcedureTry ? TNameKind::Procedure
                                              : TNameKind::Column;
  const TTransTableLayout& layout = TransTableLayout(kind);
  TVirtualTable& table = tables_.Of(kind);
  filter_.assign(layout.LocalField).append(" = '");
  AppendQuoted(filter_, word);
  // The column table's filter as the window writes it: a blank after the
  // name, then the condition on the table name of the named column try.
  if (layout.ScopeField) {
    filter_.append("' ");
    if (t == kNamedColumnTry) filter_.append(tableCondition_);
  } else {
    filter_.append("'");
  }
  found = OpenFiltered(table, filter_);
  return found ? table.FieldByName(layout.EnglishField).AsString() : std::string();
}

void TNameLookup::Forget() {
  words_.Clear();
  values_.clear();
  failures_.clear();
  rememberedBytes_ = 0;
}

std::string TranslateName(const TransTables& tables, const std::string& tableName,
                          const std::string& word, const std::string& nameContext) {
  if (word.empty()) return word;
  TNameLookup lookup(tables, tableName);
  std::string_view english;
  return lookup.Translate(word, nameContext == "T", english) ? std::string(english) : word;
}

}  // namespace qualtren
