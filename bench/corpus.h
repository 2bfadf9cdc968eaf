// A deterministic generator of benchmark corpora: a schema of local and
// English names (tables, their columns, stored procedures), the three
// translation tables filled from it, and an SQL script of a given size that
// uses the schema as a migration script would.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "trans/trans_tables.h"

namespace qualtren::bench {

/// The code page of the corpus's names and script: Croatian letters (č, ć,
/// ž, š, đ) stand in many names.
inline constexpr int kCorpusCodePage = 1250;

/// A schema of local names with their English translations.
struct CorpusSchema {
  struct Name {
    std::string Local;
    std::string English;
  };
  struct Table {
    Name Names;
    std::vector<size_t> Columns;  // indexes into ColumnNames
  };
  struct ColumnRecord {
    std::string Table;  // local table name
    std::string Local;
    std::string English;
  };

  std::vector<Table> Tables;
  std::vector<Name> ColumnNames;  // distinct column names of the whole schema
  std::vector<ColumnRecord> ColumnRecords;
  std::vector<Name> Procedures;
};

/// Makes a schema of `tables` tables with about `columnsPerTable` columns
/// each and `procedures` stored procedures. The same arguments always give
/// the same schema.
CorpusSchema MakeSchema(size_t tables, size_t columnsPerTable, size_t procedures,
                        uint64_t seed = 1);

/// The schema the speed targets are stated for: 3 000 tables, about 90 000
/// column records, 200 procedures.
const CorpusSchema& StandardSchema();

/// Defines and fills the three translation tables from the schema.
/// `columnRecords` limits the column table to that many records: fewer than
/// the schema has are its first records, more are padded with records of
/// names that the script never uses.
void FillTransTables(const CorpusSchema& schema, size_t columnRecords, TTransTableSet& tables);

/// Fills the three translation tables as FillTransTables does and saves them
/// into `dir` under their file names.
void SaveTransTableFiles(const CorpusSchema& schema, size_t columnRecords, const std::string& dir);

/// The shape of a script: the standard one repeats its words much as a
/// hand-written migration does (about 60 000 distinct words in 20 MiB); the
/// one of many distinct words also uses generated names with digits that
/// no table holds, temporary tables, variables and wide literals, as a
/// generated script does (more than 100 000 distinct words in 20 MiB). Long
/// statements are those of many distinct words, each on one line of up to
/// a few KB, naming many columns of tables picked evenly (every name of the
/// schema is used). One line and lines of ten hold the words of the
/// standard script, all on one line (as minified or generated SQL comes)
/// or ten to a line.
enum class TScriptShape { Standard, ManyDistinctWords, LongStatements, OneLine, LinesOfTen };

/// The shape named "standard", "distinct", "long", "one-line" or
/// "lines-of-ten"; false for another name.
bool ScriptShapeFromName(const std::string& name, TScriptShape& shape);

/// An SQL script of at least `bytes` bytes with CR LF line breaks: selects
/// with joins and aliases, inserts, updates, EXEC calls, comments and
/// literals, mostly naming tables and columns of the schema, some names that
/// no table holds.
std::string MakeScript(const CorpusSchema& schema, size_t bytes, uint64_t seed = 7,
                       TScriptShape shape = TScriptShape::Standard);

/// The words of `script` (cut at blanks, TABs and line breaks) joined by
/// blanks, CR LF behind every `wordsPerLine` words and behind the last;
/// with 0, all on one line.
std::string RelayWords(std::string_view script, size_t wordsPerLine);

/// Every local name of the schema and its English name, one pair a line,
/// separated by a TAB: the lookup table of a hand-written script.
std::string NamesTsv(const CorpusSchema& schema);

}  // namespace qualtren::bench
