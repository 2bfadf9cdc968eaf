// The "table add" subcommand: the rows of CSV files added to a translation
// table file, all or none, by the rules of trans/table_add (a row the table
// holds already is skipped, a row that would give a local name another
// English name or an empty one is refused unless asked for); the file is
// replaced in one step.
#include <algorithm>
#include <deque>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "base/codepage.h"
#include "base/stream.h"
#include "base/utf.h"
#include "cli/commands.h"
#include "cli/csv.h"
#include "dataset/field.h"
#include "trans/table_add.h"

namespace qualtren {

namespace {

// Where a row of the input stands, for messages: "unknown.csv: line 3".
struct TPlace {
  const std::string* File = nullptr;
  int Line = 0;
  std::string Text() const { return *File + ": line " + std::to_string(Line); }
};

// A row of the input: a value (ANSI, or none for null) per field of the
// table that the header names.
struct TInputRow {
  TPlace Place;
  std::vector<std::optional<std::string>> Values;  // by field of the table
};

class TTableAdd {
 public:
  TTableAdd(const TableAddOptions& options, TVirtualTable& table)
      : options_(options), table_(table) {}

  // Reads the table's fields and rows.
  void ReadTable() {
    const std::string& file = options_.TableFile;
    std::vector<std::string> names;
    for (size_t i = 0; i < table_.FieldDefs().Count(); ++i)
      names.push_back(table_.FieldDefs()[i].Name);
    layout_ = LayoutOfFields(names);
    if (layout_ == nullptr)
      throw Exception(file +
                      ": not a translation table: it has no field TableNameAng, "
                      "ProcedureNameAng or FieldNameAng");
    table_.Open();
    for (const char* name : {layout_->ScopeField, layout_->LocalField, layout_->EnglishField}) {
      if (name == nullptr) continue;
      if (table_.FindField(name) == nullptr) throw Exception(file + ": no field " + name);
    }
    for (size_t i = 0; i < table_.FieldCount(); ++i)
      if (table_.Field(i).FieldKind() == TFieldKind::fkData) fields_.push_back(&table_.Field(i));
    scope_ = layout_->ScopeField ? FieldIndex(layout_->ScopeField) : -1;
    local_ = FieldIndex(layout_->LocalField);
    english_ = FieldIndex(layout_->EnglishField);

    int record = 0;
    for (table_.First(); !table_.Eof(); table_.Next())
      held_.push_back({++record, scope_ >= 0 ? fields_[scope_]->AsString() : std::string(),
                       fields_[local_]->AsString(), fields_[english_]->AsString()});
  }

  // Reads a CSV file into rows of the table's fields; raises "FILE: line N:
  // ..." for what cannot be read.
  void ReadCsv(const std::string& file) {
    try {
      const std::vector<CsvRow> rows = ParseCsv(ReadWholeFile(file));
      if (rows.empty()) return;
      const CsvRow& header = rows.front();
      std::vector<int> columns;  // the field of the table of each column
      for (size_t c = 0; c < header.Fields.size(); ++c) {
        const CsvField& h = header.Fields[c];
        const std::string name = CsvFieldToAnsi(h, "the name of column " + std::to_string(c + 1));
        const int at = FieldIndexOrNone(name);
        if (at < 0)
          CsvError(h.Line,
                   "the table has no field \"" + h.Text + "\" (its fields: " + FieldList() + ")");
        if (std::find(columns.begin(), columns.end(), at) != columns.end())
          CsvError(h.Line, "the field name \"" + h.Text + "\" is given twice");
        columns.push_back(at);
      }
      for (int needed : {scope_, local_, english_})
        if (needed >= 0 && std::find(columns.begin(), columns.end(), needed) == columns.end())
          CsvError(header.Line, "the header does not name the field " +
                                    AnsiToUtf8(fields_[needed]->FieldName()));
      files_.push_back(file);
      for (size_t r = 1; r < rows.size(); ++r) {
        const CsvRow& row = rows[r];
        CheckCsvRowWidth(row, columns.size());
        TInputRow in{{&files_.back(), row.Line}, {}};
        in.Values.resize(fields_.size());
        for (size_t c = 0; c < columns.size(); ++c) {
          const CsvField& field = row.Fields[c];
          if (field.Text.empty() && !field.Quoted) continue;
          const std::string what = "the value of field \"" + header.Fields[c].Text + "\"";
          std::string value = CsvFieldToAnsi(field, what);
          if (value.size() > static_cast<size_t>(kMaxStringFieldSize))
            CsvError(field.Line, what + " is " + std::to_string(value.size()) +
                                     " bytes long, longer than a string field can hold, " +
                                     std::to_string(kMaxStringFieldSize));
          in.Values[columns[c]] = std::move(value);
        }
        input_.push_back(std::move(in));
      }
    } catch (const std::exception& e) {
      const std::string message = MessageWithReason(e);
      if (message.find(file) != std::string::npos) throw;
      throw Exception(file + ": " + message);
    }
  }

  // Decides on every row of the input by the rules of table add; the
  // refusals, one message each.
  std::vector<std::string> Decide() {
    std::vector<TTransRow> rows;
    rows.reserve(input_.size());
    for (const TInputRow& row : input_)
      rows.push_back({0, Value(row, scope_), Value(row, local_), Value(row, english_)});
    TTableAddRules rules;
    rules.Kind = layout_->Kind;
    rules.TableName = options_.TableFile;
    rules.EnglishField = fields_[english_]->FieldName();
    rules.AllowEmpty = options_.AllowEmpty;
    rules.Replace = options_.Replace;
    rules.RefuseSeparator = false;  // the command line adds such a name; table check tells it
    decision_ =
        DecideTableAdd(held_, rows, rules, [this](size_t i) { return input_[i].Place.Text(); });
    std::vector<std::string> refusals;
    for (const TTableAddRefusal& r : decision_.Refusals)
      refusals.push_back(input_[r.Row].Place.Text() + ": " + r.Reason);
    return refusals;
  }

  size_t Added() const { return decision_.Added.size(); }
  size_t Replaced() const { return decision_.Replaced.size(); }
  size_t Skipped() const { return decision_.Skipped; }

  // Writes the decisions into the table: string fields made as long as
  // their longest new value needs, the English names replaced in place,
  // the new rows appended.
  void Apply() {
    Widen();
    int record = 0;
    for (table_.First(); !table_.Eof(); table_.Next()) {
      const auto it = decision_.ReplaceAt.find(++record);
      if (it == decision_.ReplaceAt.end()) continue;
      table_.Edit();
      fields_[english_]->SetAsString(*input_[it->second].Values[english_]);
      table_.Post();
    }
    for (size_t i : decision_.Added) {
      table_.Append();
      for (size_t f = 0; f < fields_.size(); ++f) {
        if (input_[i].Values[f])
          fields_[f]->SetAsString(*input_[i].Values[f]);
        else
          fields_[f]->Clear();
      }
      table_.Post();
    }
  }

 private:
  int FieldIndexOrNone(const std::string& name) const {
    for (size_t f = 0; f < fields_.size(); ++f)
      if (AnsiUpperCase(fields_[f]->FieldName()) == AnsiUpperCase(name)) return static_cast<int>(f);
    return -1;
  }
  int FieldIndex(const std::string& name) const {
    const int at = FieldIndexOrNone(name);
    if (at < 0) throw Exception(options_.TableFile + ": no field " + name);
    return at;
  }
  std::string FieldList() const {
    std::string out;
    for (const TField* f : fields_)
      out += (out.empty() ? "" : ", ") + AnsiToUtf8(f->FieldName());
    return out;
  }

  static std::string Value(const TInputRow& row, int field) {
    return field >= 0 && row.Values[field] ? *row.Values[field] : std::string();
  }

  // String fields too short for a value they are to take grow to fit it;
  // the table keeps its records across the change.
  void Widen() {
    std::vector<size_t> longest(fields_.size(), 0);
    auto note = [&](const TInputRow& row, size_t f) {
      if (row.Values[f]) longest[f] = std::max(longest[f], row.Values[f]->size());
    };
    for (size_t i : decision_.Added)
      for (size_t f = 0; f < fields_.size(); ++f)
        note(input_[i], f);
    for (size_t i : decision_.Replaced)
      note(input_[i], static_cast<size_t>(english_));
    bool changed = false;
    for (size_t f = 0; f < fields_.size(); ++f) {
      if (fields_[f]->DataType() != ftString) continue;
      TFieldDef* def = table_.FieldDefs().Find(fields_[f]->FieldName());
      if (def == nullptr || def->DataType != ftString ||
          longest[f] <= static_cast<size_t>(def->Size))
        continue;
      def->Size = static_cast<int>(longest[f]);
      changed = true;
    }
    if (!changed) return;
    std::vector<std::string> names;
    for (const TField* f : fields_)
      names.push_back(f->FieldName());
    table_.FieldDefs().Changed();
    // The change may have made the fields anew.
    table_.Open();
    for (size_t f = 0; f < fields_.size(); ++f)
      fields_[f] = &table_.FieldByName(names[f]);
  }

  const TableAddOptions& options_;
  TVirtualTable& table_;
  const TTransTableLayout* layout_ = nullptr;
  std::vector<TField*> fields_;  // the data fields of the table
  int scope_ = -1, local_ = -1, english_ = -1;
  std::vector<TTransRow> held_;
  std::deque<std::string> files_;  // the CSV files read, for the places of their rows
  std::vector<TInputRow> input_;
  TTableAddDecision decision_;
};

}  // namespace

int RunTableAdd(const TableAddOptions& options, CliIo& io) {
  TVirtualTable table;
  table.LoadTableFile(options.TableFile);
  if (table.LastLoadedVersion() < 0)
    throw Exception(options.TableFile +
                    ": an XML table file; \"table add\" writes binary ones (make it one with "
                    "\"table convert\" first)");
  TTableAdd add(options, table);
  add.ReadTable();
  for (const std::string& csv : options.Csv)
    add.ReadCsv(csv);
  const std::vector<std::string> refusals = add.Decide();
  if (!refusals.empty()) {
    for (const std::string& r : refusals)
      io.Err << kMessagePrefix << r << '\n';
    io.Err << kMessagePrefix << options.TableFile << ": nothing added, " << refusals.size()
           << (refusals.size() == 1 ? " row" : " rows") << " refused\n";
    return kExitError;
  }
  if (add.Added() + add.Replaced() > 0) {
    add.Apply();
    table.SaveTableFile(options.TableFile);
  }
  io.Out << options.TableFile << ": " << add.Added() << " added, " << add.Skipped() << " skipped, "
         << add.Replaced() << " replaced\n";
  io.Out.flush();
  if (!io.Out) throw EWriteError();
  return kExitOk;
}

const char* const kTableAddHelp =
    "Refusals:\n"
    "  A refused row is named with its file and line, and then nothing is added. String "
    "fields grow to fit longer values. The file is replaced in one step (a temporary file "
    "renamed over it)\n\n"
    "Exit status:\n"
    "  0  every row added, skipped or replaced\n"
    "  2  a refused row, bad usage or any failure (a file that cannot be read or written, a "
    "CSV error); the table file is then left as it was";

}  // namespace qualtren
