// The "table suggest" subcommand: every empty English name of CSV files in
// the forms "table add" takes is proposed from the words the tables and the
// glossary files know; the files are written back with only those fields
// changed, review.csv lists each proposal with its words and their sources,
// and words.csv the words no glossary knows, most needed first.
#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "base/codepage.h"
#include "base/stream.h"
#include "base/utf.h"
#include "cli/commands.h"
#include "cli/csv.h"
#include "trans/file_list.h"
#include "trans/name_suggester.h"
#include "trans/trans_layout.h"

namespace qualtren {

namespace {

// A CSV file read, with the English fields to fill in.
struct TSuggestFile {
  std::string Name;
  std::string Text;  // as read
  struct TEdit {
    size_t Begin = 0, End = 0;  // the English field's bytes
    std::string Value;          // UTF-8
  };
  std::vector<TEdit> Edits;
};

// A word no glossary knows, over the names left empty.
struct TUnknownWord {
  std::string Folded;                     // the word as letter case is ignored
  std::string Word;                       // as first met, in UTF-8
  std::string Name;                       // a name holding it, as written, in UTF-8
  std::unordered_set<std::string> Names;  // the folded names that hold it
};

class TSuggestRun {
 public:
  explicit TSuggestRun(const TNameSuggester& suggester) : suggester_(suggester) {}

  // Reads a CSV file and proposes the English names it leaves empty.
  void ReadFile(const std::string& name) {
    files_.push_back({name, ReadWholeFile(name), {}});
    TSuggestFile& file = files_.back();
    try {
      const std::vector<CsvRow> rows = ParseCsv(file.Text);
      if (rows.empty()) return;
      const CsvRow& header = rows.front();
      std::vector<std::string> names;
      for (size_t c = 0; c < header.Fields.size(); ++c)
        names.push_back(
            CsvFieldToAnsi(header.Fields[c], "the name of column " + std::to_string(c + 1)));
      const TTransTableLayout* layout = LayoutOfFields(names);
      if (layout == nullptr)
        CsvError(header.Line,
                 "the header names no field TableNameAng, ProcedureNameAng or FieldNameAng");
      const size_t local = Column(names, layout->LocalField, header.Line);
      const size_t english = Column(names, layout->EnglishField, header.Line);
      for (size_t r = 1; r < rows.size(); ++r) {
        const CsvRow& row = rows[r];
        CheckCsvRowWidth(row, names.size());
        if (!row.Fields[english].Text.empty()) continue;
        Propose(file, row, layout->Kind, row.Fields[local], row.Fields[english]);
      }
    } catch (const std::exception& e) {
      const std::string message = MessageWithReason(e);
      if (message.find(name) != std::string::npos) throw;
      throw Exception(name + ": " + message);
    }
  }

  // Writes the CSV files that gained names, then review.csv and words.csv.
  void Write(const std::string& dir) const {
    for (const TSuggestFile& file : files_) {
      if (file.Edits.empty()) continue;
      std::string text;
      size_t at = 0;
      for (const TSuggestFile::TEdit& edit : file.Edits) {
        text.append(file.Text, at, edit.Begin - at);
        text += Quoted(edit.Value);
        at = edit.End;
      }
      text.append(file.Text, at, std::string::npos);
      ReplaceFileContents(file.Name, text);
    }
    ReplaceFileContents((std::filesystem::path(dir) / "review.csv").string(), review_);
    ReplaceFileContents((std::filesystem::path(dir) / "words.csv").string(), WordsCsv());
  }

  size_t Proposed() const { return proposed_; }
  size_t Left() const { return left_; }

 private:
  static size_t Column(const std::vector<std::string>& names, const char* field, int line) {
    for (size_t c = 0; c < names.size(); ++c)
      if (FoldTransName(names[c]) == FoldTransName(field)) return c;
    CsvError(line, std::string("the header does not name the field ") + field);
  }

  static std::string Quoted(const std::string& value) {
    std::string out = "\"";
    for (char c : value)
      out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
  }

  void Propose(TSuggestFile& file, const CsvRow& row, TNameKind kind, const CsvField& field,
               const CsvField& englishField) {
    const std::string local = CsvFieldToAnsi(field, "the local name");
    const TNameSuggestion suggestion = suggester_.Suggest(kind, local);
    if (!suggestion.English) {
      ++left_;
      const std::string folded = FoldTransName(local);
      for (const std::string& word : suggestion.Unknown) {
        auto [it, isNew] = unknown_.try_emplace(FoldTransName(word));
        if (isNew) {
          it->second.Folded = it->first;
          it->second.Word = AnsiToUtf8(word);
          it->second.Name = field.Text;
        }
        it->second.Names.insert(folded);
      }
      return;
    }
    ++proposed_;
    const std::string english = AnsiToUtf8(*suggestion.English);
    file.Edits.push_back({englishField.Begin, englishField.End, english});
    std::string words, sources;
    for (const TSuggestedWord& w : suggestion.Words) {
      words += (words.empty() ? "" : "; ") + AnsiToUtf8(w.Local) + "=" + AnsiToUtf8(w.English);
      sources += (sources.empty() ? "" : "; ") + w.Source + (w.Folded ? " folded" : "");
    }
    review_ += CsvLine({file.Name, std::to_string(row.Line), field.Text, english, words, sources});
  }

  std::string WordsCsv() const {
    std::vector<const TUnknownWord*> words;
    for (const auto& [key, word] : unknown_)
      words.push_back(&word);
    std::sort(words.begin(), words.end(), [](const TUnknownWord* a, const TUnknownWord* b) {
      if (a->Names.size() != b->Names.size()) return a->Names.size() > b->Names.size();
      return a->Folded < b->Folded;
    });
    std::string csv = "Word,Count,Name\r\n";
    for (const TUnknownWord* w : words)
      csv += CsvLine({w->Word, std::to_string(w->Names.size()), w->Name});
    return csv;
  }

  const TNameSuggester& suggester_;
  std::vector<TSuggestFile> files_;
  std::string review_ = "File,Line,LocalName,EnglishName,Words,Sources\r\n";
  std::unordered_map<std::string, TUnknownWord> unknown_;  // by the folded word
  size_t proposed_ = 0, left_ = 0;
};

}  // namespace

const char* const kTableSuggestHelp =
    "Words:\n"
    "  A local name (of a column row, its FieldName) is cut into words at changes of case "
    "(KolicinaNaStanju), underscores and digits (DATUM_RACUNA2). A run of letters that no "
    "one-word glossary row knows whole is cut into the fewest known words that cover it "
    "exactly (stavkaracuna: stavka racuna), or left whole. ID, Id and SQL are known words "
    "that keep their form\n\n"
    "Glossary:\n"
    "  The one-word pairs of the three tables of --tables (a local and an English name that "
    "each cut into one word: Kupac, Customer; the first row wins), then the --glossary "
    "files in order, a later row winning. Words are compared with letter case ignored under "
    "the code page. From the left, the longest run of words that a row holds is taken "
    "(datum racuna: invoice date), so a phrase whose order flips in English is given once. "
    "An English word of a glossary file written in two or more capitals (VAT) keeps its "
    "form in pascal and camel\n\n"
    "Names:\n"
    "  A name is proposed only when every word of it is known, in the style of --style or "
    "else the one most English names of its table use (pascal when none); digits stay "
    "where they stand, in the snake styles after an underscore. An English name that is "
    "filled in is never changed\n\n"
    "Files:\n"
    "  Each CSV file that gained a name is written back in one step (a temporary file "
    "renamed over it) with only those fields changed. Beside the first CSV file: "
    "review.csv (File,Line,LocalName,EnglishName,Words,Sources: each proposal with its "
    "words and the table record or glossary line each came from, \"folded\" where a "
    "diacritic was folded) and words.csv (Word,Count,Name: each word no glossary knows, "
    "with the number of names left empty that hold it, a column counted by its FieldName "
    "alone, and one of those names; most needed first). Fill in words.csv's English into "
    "a glossary file (Word,English) and run suggest again. It prints \"N proposed, M "
    "left\"\n\n"
    "Exit status:\n"
    "  0  every empty English name proposed\n"
    "  1  some are left empty (words.csv names their unknown words)\n"
    "  2  bad usage, or a file that cannot be read or written (a CSV error, a table that "
    "fails to load); a file that cannot be read stops the run before any file is written";

int RunTableSuggest(const TableSuggestOptions& options, CliIo& io) {
  TSuggestOptions suggest;
  suggest.FoldDiacritics = options.FoldDiacritics;
  suggest.TablesDir = options.TablesDir;
  if (!options.Style.empty()) {
    suggest.Style = NameStyleFromName(options.Style);
    if (!suggest.Style) throw EUsageError("--style: no style " + options.Style);
  }
  TTransTableSet tables;
  LoadTables(tables, options.TablesDir);
  const TTransRows rows = ReadTransRows(tables, options.TablesDir);
  const TNameSuggester suggester(rows, suggest, options.Glossaries);
  TSuggestRun run(suggester);
  for (const std::string& csv : options.Csv)
    run.ReadFile(csv);
  run.Write(std::filesystem::path(options.Csv.front()).parent_path().string());
  io.Out << run.Proposed() << " proposed, " << run.Left() << " left\n";
  io.Out.flush();
  if (!io.Out) throw EWriteError();
  return run.Left() == 0 ? kExitOk : kExitFailed;
}

}  // namespace qualtren
