// The translation driver.
#include "trans/translate.h"

#include <array>
#include <exception>

#include "base/ascii.h"
#include "trans/auto_table_name.h"
#include "trans/lines.h"

namespace qualtren {

namespace {

constexpr std::array<bool, 256> kSeparators = [] {
  std::array<bool, 256> table{};
  for (unsigned char c : std::string_view("\t\n\r '()*+,./:;<=>@[]"))
    table[c] = true;
  return table;
}();

bool IsSeparatorByte(char c) {
  return kSeparators[static_cast<unsigned char>(c)];
}

// The name context after `word`: "T" after from and join, "F" after select,
// where, on, order and group, else unchanged. Whether the word is one of
// those keywords.
bool SwitchContext(std::string_view word, bool& tableContext) {
  switch (word.size()) {
    case 2:
      if (!EqualsNoCase(word, "on")) return false;
      tableContext = false;
      return true;
    case 4:
      if (!EqualsNoCase(word, "from") && !EqualsNoCase(word, "join")) return false;
      tableContext = true;
      return true;
    case 5:
      if (!EqualsNoCase(word, "where") && !EqualsNoCase(word, "order") &&
          !EqualsNoCase(word, "group"))
        return false;
      tableContext = false;
      return true;
    case 6:
      if (!EqualsNoCase(word, "select")) return false;
      tableContext = false;
      return true;
    default:
      return false;
  }
}

}  // namespace

bool IsSeparator(char c) {
  return IsSeparatorByte(c);
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  return EqualsAsciiNoCase(a, b);
}

void TLineTranslator::TranslateLine(std::string_view line, std::string& out) {
  if (!comment_.Add && observer_ == nullptr) {
    TranslateWords(line, out);
    out += "\r\n";
    return;
  }
  lineOut_.clear();
  result_.Words.clear();
  TranslateWords(line, lineOut_);
  const bool commented = comment_.Add && !EqualsNoCase(lineOut_, line);
  if (commented) {
    out += comment_.Prefix;
    out += line;
    out += comment_.Suffix;
    out += "\r\n";
  }
  out += lineOut_;
  out += "\r\n";
  if (observer_ != nullptr) {
    result_.Input = line;
    result_.Output = lineOut_;
    result_.Commented = commented;
    observer_->OnLine(result_);
  }
}

void TLineTranslator::Emit(std::string_view word, size_t inputOffset, bool switchContext,
                           std::string& out, size_t lineStart) {
  TNameKind kind = TNameKind::Column;
  std::string_view english;
  bool found;
  try {
    found = lookup_.Translate(word, tableContext_, english, observer_ != nullptr ? &kind : nullptr);
  } catch (...) {
    if (observer_ != nullptr) observer_->OnLookupFailed(word, lookup_.FailedTable());
    throw;
  }
  const std::string_view written = found ? english : word;
  if (observer_ != nullptr) {
    TWordResult w;
    w.InputOffset = inputOffset;
    w.InputLength = word.size();
    w.OutputOffset = out.size() - lineStart;
    w.OutputLength = written.size();
    if (found)
      w.Result = kind == TNameKind::Table       ? TWordResult::Outcome::Table
                 : kind == TNameKind::Procedure ? TWordResult::Outcome::Procedure
                                                : TWordResult::Outcome::Column;
    result_.Words.push_back(w);
  }
  out += written;
  if (switchContext && SwitchContext(word, tableContext_)) ++keywords_;
}

void TLineTranslator::TranslateWords(std::string_view line, std::string& out) {
  const size_t lineStart = out.size();
  const char* p = line.data();
  const char* const end = p + line.size();
  while (p < end) {
    const char* q = p;
    while (q < end && !IsSeparatorByte(*q))
      ++q;
    std::string_view word(p, static_cast<size_t>(q - p));
    const size_t offset = static_cast<size_t>(p - line.data());
    if (q == end) {
      // The last word of a line is translated but does not switch the context.
      if (!word.empty()) Emit(word, offset, false, out, lineStart);
      break;
    }
    // A function call written sqlExp( keeps its name untranslated.
    if (*q == '(' && EqualsNoCase(word, "sqlExp")) {
      if (observer_ != nullptr)
        result_.Words.push_back(
            {offset, word.size(), out.size() - lineStart, word.size(), TWordResult::Outcome::Kept});
      out += word;
      word = {};
    }
    if (!word.empty()) Emit(word, offset, true, out, lineStart);
    out += *q;
    p = q + 1;
  }
}

std::string AutoTableNameOfText(std::string_view text) {
  TAutoTableNameScanner scanner;
  ForEachLine(text, [&scanner](std::string_view line) {
    scanner.Feed(line);
    scanner.Feed("\r\n");
    return !scanner.Decided();
  });
  return scanner.Name();
}

std::string TranslateText(const TransTables& tables, const std::string& tableName,
                          bool autoTableName, const std::string& text, bool addComment,
                          const std::string& prefix, const std::string& suffix,
                          std::string* errorMessage) {
  return TranslateText(tables, tableName, autoTableName, text, addComment, prefix, suffix,
                       errorMessage, nullptr);
}

std::string TranslateText(const TransTables& tables, const std::string& tableName,
                          bool autoTableName, const std::string& text, bool addComment,
                          const std::string& prefix, const std::string& suffix,
                          std::string* errorMessage, TLineObserver* observer) {
  return TranslateText(tables, {tableName, autoTableName, {addComment, prefix, suffix}, false},
                       text, errorMessage, observer);
}

std::string TranslateText(const TransTables& tables, const TTranslateSettings& settings,
                          std::string_view text, std::string* errorMessage,
                          TLineObserver* observer) {
  if (errorMessage) errorMessage->clear();
  try {
    TNameLookup lookup(tables,
                       settings.AutoTableName ? AutoTableNameOfText(text) : settings.TableName,
                       settings.Utf8, settings.DictionaryAfter);
    TLineTranslator translator(lookup, settings.Comment, observer);
    if (observer) observer->OnBegin({settings.Utf8 ? TTextEncoding::Utf8 : TTextEncoding::Ansi});
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    ForEachLine(text, [&](std::string_view line) { translator.TranslateLine(line, out); });
    return out;
  } catch (const std::exception& e) {
    // The caller gets its own text back, with its line breaks made CR LF,
    // and learns why.
    if (errorMessage) *errorMessage = *e.what() ? e.what() : "Translation failed";
  } catch (...) {
    if (errorMessage) *errorMessage = "Translation failed";
  }
  return NormalizeLineBreaks(text);
}

}  // namespace qualtren
