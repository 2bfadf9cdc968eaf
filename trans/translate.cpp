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
// where, on, order and group, else unchanged.
void SwitchContext(std::string_view word, bool& tableContext) {
  switch (word.size()) {
    case 2:
      if (EqualsNoCase(word, "on")) tableContext = false;
      break;
    case 4:
      if (EqualsNoCase(word, "from") || EqualsNoCase(word, "join")) tableContext = true;
      break;
    case 5:
      if (EqualsNoCase(word, "where") || EqualsNoCase(word, "order") || EqualsNoCase(word, "group"))
        tableContext = false;
      break;
    case 6:
      if (EqualsNoCase(word, "select")) tableContext = false;
      break;
    default:
      break;
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
  if (!comment_.Add) {
    TranslateWords(line, out);
    out += "\r\n";
    return;
  }
  lineOut_.clear();
  TranslateWords(line, lineOut_);
  if (!EqualsNoCase(lineOut_, line)) {
    out += comment_.Prefix;
    out += line;
    out += comment_.Suffix;
    out += "\r\n";
  }
  out += lineOut_;
  out += "\r\n";
}

void TLineTranslator::TranslateWords(std::string_view line, std::string& out) {
  const char* p = line.data();
  const char* const end = p + line.size();
  while (p < end) {
    const char* q = p;
    while (q < end && !IsSeparatorByte(*q))
      ++q;
    std::string_view word(p, static_cast<size_t>(q - p));
    if (q == end) {
      // The last word of a line is translated but does not switch the context.
      if (!word.empty()) {
        const std::string* english = lookup_.Translate(word, tableContext_);
        out += english ? std::string_view(*english) : word;
      }
      break;
    }
    // A function call written sqlExp( keeps its name untranslated.
    if (*q == '(' && EqualsNoCase(word, "sqlExp")) {
      out += word;
      word = {};
    }
    if (!word.empty()) {
      const std::string* english = lookup_.Translate(word, tableContext_);
      out += english ? std::string_view(*english) : word;
      SwitchContext(word, tableContext_);
    }
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
  if (errorMessage) errorMessage->clear();
  try {
    TNameLookup lookup(tables, autoTableName ? AutoTableNameOfText(text) : tableName);
    TLineTranslator translator(lookup, {addComment, prefix, suffix});
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
