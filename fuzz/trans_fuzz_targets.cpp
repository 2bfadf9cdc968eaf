// The fuzz targets over the readers of the translation side: the CSV import,
// the automatic table name, the translation driver, the SQL lexer and the
// statement cutter, held against a second way of computing the same result
// or against what must hold of any result.
#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/ascii.h"
#include "base/codepage.h"
#include "base/exception.h"
#include "base/stream.h"
#include "base/text_encoding.h"
#include "cli/commands.h"
#include "dataset/dataset.h"
#include "fuzz/fuzz_targets.h"
#include "trans/auto_table_name.h"
#include "trans/lines.h"
#include "trans/name_dictionary.h"
#include "trans/parallel_translate.h"
#include "trans/sql_lexer.h"
#include "trans/statement_cutter.h"
#include "trans/stream_translate.h"
#include "trans/trans_tables.h"
#include "trans/translate.h"

namespace qualtren::fuzz {

namespace {

std::string Bytes(const uint8_t* data, size_t size) {
  return std::string(reinterpret_cast<const char*>(data), size);
}

// A disagreement between two ways to the same result is a finding.
void Require(bool same) {
  if (!same) std::abort();
}

void AddRow(TVirtualTable& t, std::initializer_list<const char*> values) {
  t.Append();
  size_t i = 0;
  for (const char* v : values)
    t.Field(i++).SetAsString(v);
  t.Post();
}

// Small tables with names that collide by letter case and by pattern
// characters; built once, never changed.
TTransTableSet& Tables() {
  static TTransTableSet set;
  static const bool built = [] {
    set.Table.FieldDefs().Add("TableName", ftString, 20);
    set.Table.FieldDefs().Add("TableNameAng", ftString, 20);
    set.StoredProc.FieldDefs().Add("Naziv", ftString, 20);
    set.StoredProc.FieldDefs().Add("ProcedureNameAng", ftString, 20);
    set.TableStr.FieldDefs().Add("TableName", ftString, 20);
    set.TableStr.FieldDefs().Add("FieldName", ftString, 20);
    set.TableStr.FieldDefs().Add("FieldNameAng", ftString, 20);
    for (TVirtualTable* t : {&set.Table, &set.StoredProc, &set.TableStr})
      t->Open();
    AddRow(set.Table, {"Kupac", "Customer"});
    AddRow(set.Table, {"Racun", "Invoice"});
    AddRow(set.Table, {"a%", ""});
    // Names holding the quotes of quoted names, locally and in English.
    AddRow(set.Table, {"Lo\x9A\"Naziv", "BadName"});
    AddRow(set.Table, {"Kv]a`drat", "Sq\"u]a`re"});
    AddRow(set.StoredProc, {"Obracun", "Settle"});
    AddRow(set.TableStr, {"Kupac", "Ime", "Name"});
    AddRow(set.TableStr, {"Kupac", "Grad", "City"});
    AddRow(set.TableStr, {"Racun", "Grad", "PlaceOfIssue"});
    AddRow(set.TableStr, {"Racun", "Kupac", "CustomerId"});
    AddRow(set.TableStr, {"kupac\r\nwhere", "x_y", "XY"});
    AddRow(set.TableStr, {"Ra\xE8un", "Koli\xE8ina", "Quantit\xE9"});
    return true;
  }();
  (void)built;
  return set;
}

// `text` with every `quote` doubled.
std::string Doubled(std::string_view text, char quote) {
  std::string out;
  for (char c : text) {
    out += c;
    if (c == quote) out += quote;
  }
  return out;
}

// The input's first line, quoted in each way the dialect quotes a name with
// its quote inside doubled, must be looked up as the line stands and written
// back as its English name with the quote doubled.
void QuotedNameAsItStands(std::string_view text, TDialect dialect, const std::string& tableName) {
  const std::string name(text.substr(0, text.find_first_of(std::string_view("\r\n\0", 3))));
  if (name.empty()) return;
  const TransTables tables = Tables().Tables();
  const std::string english = TranslateName(tables, tableName, name, "F");
  TTranslateOptions settings;
  settings.TableName = TOuterText::FromAnsi(tableName);
  settings.Dialect = {dialect, false, false};
  const std::string_view quotes = dialect == TDialect::MySql  ? "``"
                                  : dialect == TDialect::TSql ? "\"\"[]"
                                                              : "\"\"";
  for (size_t q = 0; q < quotes.size(); q += 2) {
    const char open = quotes[q], close = quotes[q + 1];
    const std::string in = "select " + (open + Doubled(name, close)) + close;
    std::string error;
    const std::string out = TranslateText(tables, settings, in, &error);
    Require(error.empty() && out == "select " + (open + Doubled(english, close)) + close + "\r\n");
  }
}

}  // namespace

int CsvImport(const uint8_t* data, size_t size) {
  const std::string text = Bytes(data, size);
  try {
    TVirtualTable t("t");
    ImportCsv(text, size > 0 ? data[0] % 3 : 0, t);
    if (!t.Active()) return 0;
    for (t.First(); !t.Eof(); t.Next())
      for (size_t i = 0; i < t.FieldCount(); ++i)
        (void)t.Field(i).AsString();
    TMemoryStream out;
    t.SaveTableStream(out, true);
  } catch (const Exception&) {
  }
  return 0;
}

int AutoTableName(const uint8_t* data, size_t size) {
  // The first byte chooses the size of the pieces the scanner is fed.
  const size_t piece = size > 0 ? 1 + data[0] % 16 : 1;
  const std::string text = size > 0 ? Bytes(data + 1, size - 1) : std::string();
  const std::string normalized = NormalizeLineBreaks(text);
  const std::string whole = GetAutoTableName(normalized);
  TAutoTableNameScanner scanner;
  for (size_t at = 0; at < normalized.size(); at += piece)
    scanner.Feed(std::string_view(normalized).substr(at, piece));
  Require(scanner.Name() == whole);
  Require(AutoTableNameOfText(text) == whole);
  return 0;
}

int Translate(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t flags = data[0];
  const std::string text = Bytes(data + 1, size - 1);
  static const char* const kTableNames[] = {"", "Kupac", "racun", "O'Brien"};
  const std::string tableName = kTableNames[(flags >> 2) % 4];
  const bool autoName = (flags & 1) != 0;
  const bool comment = (flags & 2) != 0;
  const TransTables tables = Tables().Tables();

  TTranslateOptions options;
  options.Comment = comment;
  options.Prefix = TOuterText::FromAnsi("-- ");
  options.Suffix = TOuterText::FromAnsi(" */");
  options.Encoding = TEncodingRule::Ansi;
  options.TableName = TOuterText::FromAnsi(tableName);
  options.AutoTableName = autoName;

  std::string error;
  const std::string whole = TranslateText(tables, options, text, &error);
  TStreamTranslator streamer(tables, options);
  TMemoryStream in(text), out;
  const TStreamOutcome outcome = streamer.Translate(in, out);
  if (outcome.status == TStreamOutcome::Status::Failed) {
    Require(outcome.Error == error);
    TMemoryStream back;
    TStreamTranslator::CopyLines(in, back);
    Require(back.Bytes() == whole);
  } else {
    Require(error.empty());
    Require(out.Bytes() == whole);
    Require((outcome.status == TStreamOutcome::Status::HoldsNul) ==
            (text.find('\0') != std::string::npos));
    // On two threads, in chunks of a size that the input chooses, with the
    // table name worked out as the whole-text translation worked it out.
    static const std::shared_ptr<const TNameDictionary> dictionary = TNameDictionary::Build(tables);
    TMemoryStream again(text), parallelOut;
    uint64_t bytesRead = 0;
    options.Jobs = 2;
    TParallelTranslator parallel(tables, dictionary, options, 1 + (flags >> 4));
    parallel.Run(again, parallelOut, autoName ? AutoTableNameOfText(text) : tableName, false,
                 bytesRead);
    Require(parallelOut.Bytes() == whole);
  }
  return 0;
}

int Encoding(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t flags = data[0];
  const std::string bytes = Bytes(data + 1, size - 1);
  static constexpr TEncodingRule kRules[] = {TEncodingRule::Auto, TEncodingRule::Ansi,
                                             TEncodingRule::Utf8, TEncodingRule::Utf16LE,
                                             TEncodingRule::Utf16BE};
  const TEncodingRule rule = kRules[flags % 5];
  const bool autoName = (flags & 8) != 0;
  const bool comment = (flags & 16) != 0;
  const std::string tableName = (flags & 32) != 0 ? "Ra\xE8un" : "";
  // The tables hold code page 1250.
  const int codePage = ActiveCodePage();
  SetActiveCodePage(1250);
  const TransTables tables = Tables().Tables();

  TTranslateOptions options;
  options.Comment = comment;
  options.Prefix = TOuterText::FromAnsi("-- \xE8 ");
  options.Suffix = TOuterText::FromAnsi(" */");
  options.Encoding = rule;
  options.TableName = TOuterText::FromAnsi(tableName);
  options.AutoTableName = autoName;
  TStreamTranslator streamer(tables, options);
  TMemoryStream in(bytes), out;
  const TStreamOutcome outcome = streamer.Translate(in, out);
  // The same bytes decided, decoded and translated whole.
  TTextForm form;
  try {
    form = DetectTextForm(bytes, rule);
  } catch (const EEncodingError& e) {
    Require(outcome.status == TStreamOutcome::Status::BadEncoding && outcome.Error == e.what() &&
            out.Bytes().empty());
    SetActiveCodePage(codePage);
    return 0;
  }
  Require(outcome.Form == form);
  const std::string text = DecodeText(bytes, form);
  Require(EncodeText(text, form) == bytes);
  std::string error;
  const std::string whole = TranslateText(tables, options, text, &error, nullptr, form.Encoding);
  if (outcome.status == TStreamOutcome::Status::Failed) {
    Require(outcome.Error == error);
    TMemoryStream back;
    TStreamTranslator::CopyLines(in, back, form);
    Require(back.Bytes() == EncodeText(whole, form));
  } else {
    Require(error.empty());
    Require(out.Bytes() == EncodeText(whole, form));
    Require((outcome.status == TStreamOutcome::Status::HoldsNul) ==
            (text.find('\0') != std::string::npos));
  }
  SetActiveCodePage(codePage);
  return 0;
}

int SqlLexer(const uint8_t* data, size_t size) {
  // Lines end at CR, LF or CR LF; every other byte, NUL too, is the lexer's.
  std::vector<std::string_view> lines;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  for (size_t at = 0; at <= text.size();) {
    const size_t end = std::min(text.find_first_of("\r\n", at), text.size());
    lines.push_back(text.substr(at, end - at));
    at = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
  }
  std::vector<TLexSpan> spans;
  for (int d = 0; d <= static_cast<int>(TDialect::MySql); ++d) {
    const auto dialect = static_cast<TDialect>(d);
    TSqlLexer lexer(dialect), skipper(dialect);
    std::vector<TLexState> before;  // the state before each line
    std::vector<std::vector<TLexSpan>> all;
    for (std::string_view line : lines) {
      before.push_back(lexer.State());
      lexer.Lex(line, spans);
      skipper.Skip(line);
      Require(skipper.State() == lexer.State());
      uint32_t at = 0;
      for (size_t i = 0; i < spans.size(); ++i) {
        const TLexSpan& s = spans[i];
        Require(s.Begin == at && s.End > s.Begin && s.Begin <= s.NameBegin &&
                s.NameBegin <= s.NameEnd && s.NameEnd <= s.End);
        Require(i == 0 || s.Kind != TLexKind::Code || spans[i - 1].Kind != TLexKind::Code);
        at = s.End;
      }
      Require(at == line.size());
      // Stopped before a dollar quote, the same spans cut there.
      TSqlLexer stopper(dialect, before.back());
      std::vector<TLexSpan> some;
      const size_t stop = stopper.LexToDollarQuote(line, some);
      Require(stop <= line.size() && (stop == line.size() || dialect == TDialect::Postgres));
      Require(some.size() <= spans.size());
      for (size_t i = 0; i < some.size(); ++i)
        Require(some[i].Kind == spans[i].Kind && some[i].Begin == spans[i].Begin &&
                some[i].End == std::min<size_t>(spans[i].End, stop));
      Require(stop < line.size() ? stopper.State() == TLexState{} : some == spans);
      all.push_back(spans);
    }
    // A restart before every line must give that line's spans and state; a
    // few restarts run on to the end.
    for (size_t k = 0; k < lines.size(); ++k) {
      TSqlLexer restarted(dialect, before[k]);
      const size_t last = k % (1 + lines.size() / 8) == 0 ? lines.size() : k + 1;
      for (size_t j = k; j < last; ++j) {
        restarted.Lex(lines[j], spans);
        Require(spans == all[j]);
        Require(j + 1 == lines.size() || restarted.State() == before[j + 1]);
      }
    }
  }
  return 0;
}

int DialectTranslate(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t flags = data[0];
  const std::string text = Bytes(data + 1, size - 1);
  const auto dialect = static_cast<TDialect>(1 + flags % 5);
  const bool keep = (flags & 8) != 0;
  const TransTables tables = Tables().Tables();
  TTranslateOptions plain;
  plain.TableName = TOuterText::FromAnsi((flags & 16) != 0 ? "Kupac" : "");
  TTranslateOptions lexed = plain;
  lexed.Dialect = {dialect, keep, keep};
  std::string plainError, lexedError;
  const std::string plainOut = TranslateText(tables, plain, text, &plainError);
  const std::string lexedOut = TranslateText(tables, lexed, text, &lexedError);
  // Without quoted names, string literals and comments, the dialect changes
  // nothing. (A comment read as words still ends the word before it:
  // Ime--x is the name Ime and a comment.)
  if (!keep && text.find_first_of("'\"`[]-#/") == std::string::npos) {
    Require(lexedOut == plainOut && lexedError == plainError);
  }
  // On two threads in chunks of a size the input chooses, the same bytes.
  static const std::shared_ptr<const TNameDictionary> dictionary = TNameDictionary::Build(tables);
  TMemoryStream in(text), out;
  uint64_t bytesRead = 0;
  lexed.Jobs = 2;
  TParallelTranslator parallel(tables, dictionary, lexed, 1 + (flags >> 5));
  parallel.Run(in, out, lexed.TableName.Ansi, false, bytesRead);
  Require(lexedError.empty() && out.Bytes() == lexedOut);
  QuotedNameAsItStands(text, dialect, plain.TableName.Ansi);
  return 0;
}

int StatementCutter(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const auto dialect = static_cast<TDialect>(data[0] % 6);
  const std::string_view script(reinterpret_cast<const char*>(data + 1), size - 1);
  const std::vector<TSqlStatement> cut = CutStatements(script, dialect);
  auto isBlank = [](char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
  };
  // Each text stands in the script after the one before, not empty and
  // trimmed; the lines do not go back and stay within the script's.
  size_t from = 0, breaks = 0, line = 1;
  for (const TSqlStatement& s : cut) {
    Require(!s.Text.empty() && !isBlank(s.Text.front()) && !isBlank(s.Text.back()));
    const size_t at = script.find(s.Text, from);
    Require(at != std::string_view::npos);
    for (size_t i = from; i < at; ++i)
      if (script[i] == '\n' || (script[i] == '\r' && (i + 1 == at || script[i + 1] != '\n')))
        ++breaks;
    Require(s.Line >= line && s.Line >= breaks + 1);
    Require(s.Role <= TStatementRole::CommitsItself);
    line = s.Line;
    from = at + s.Text.size();
  }
  const auto newlines = static_cast<size_t>(std::count(script.begin(), script.end(), '\n') +
                                            std::count(script.begin(), script.end(), '\r'));
  Require(line <= 1 + newlines);
  // A statement to run, cut again after another one on its line (so that
  // its first line is read as code, as where it stood), gives itself back,
  // alone or with a separator after it (the trimming may have left its last
  // line as GO, or a mysql "--" at a line's end), where no DELIMITER line
  // may have changed the separator before it.
  const bool delimiters = dialect == TDialect::MySql &&
                          LowerAscii(std::string(script)).find("delimiter") != std::string::npos;
  auto givesBack = [dialect](const std::string& again, const std::string& text) {
    const std::vector<TSqlStatement> cut = CutStatements(again, dialect);
    return cut.size() == 2 && cut[1].Text == text && cut[1].Line == 1;
  };
  for (const TSqlStatement& s : cut) {
    if (s.Role != TStatementRole::Run || delimiters) continue;
    Require(givesBack("x;" + s.Text, s.Text) || givesBack("x;" + s.Text + ";", s.Text));
  }
  return 0;
}

}  // namespace qualtren::fuzz
