// The benchmark corpus generator: names compounded from a list of local
// roots (Croatian, with their letters in code page 1250) and their English
// equivalents, picked by a seeded generator so that every run sees the same
// schema and the same script.
#include "bench/corpus.h"

#include <algorithm>
#include <array>
#include <set>
#include <utility>

#include "bench/corpus_words.h"
#include "dataset/dataset.h"

namespace qualtren::bench {

namespace {

// splitmix64: small, fast, and the same on every platform.
class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed) {}
  uint64_t Next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // 0 <= result < n
  size_t Below(size_t n) { return static_cast<size_t>(Next() % n); }
  // Small indexes far more often than large ones (roughly Zipf-like).
  size_t Skewed(size_t n) {
    const double u = static_cast<double>(Next() >> 11) / 9007199254740992.0;
    return std::min(n - 1, static_cast<size_t>(u * u * u * static_cast<double>(n)));
  }
  bool Chance(int percent) { return Below(100) < static_cast<size_t>(percent); }

 private:
  uint64_t state_;
};

std::string Compound(const Root& a, const Root& b, bool english) {
  return std::string(english ? a.English : a.Local) + (english ? b.English : b.Local);
}

// Every compound of two different roots, in a seeded order.
std::vector<std::pair<size_t, size_t>> ShuffledPairs(Random& random) {
  std::vector<std::pair<size_t, size_t>> pairs;
  for (size_t i = 0; i < kRoots.size(); ++i)
    for (size_t j = 0; j < kRoots.size(); ++j)
      if (i != j) pairs.emplace_back(i, j);
  for (size_t i = pairs.size(); i > 1; --i)
    std::swap(pairs[i - 1], pairs[random.Below(i)]);
  return pairs;
}

// The script's writer: statements one after another, each line ending in CR LF.
class ScriptWriter {
 public:
  ScriptWriter(const CorpusSchema& schema, uint64_t seed, TScriptShape shape)
      : schema_(schema),
        random_(seed),
        distinct_(shape == TScriptShape::ManyDistinctWords ||
                  shape == TScriptShape::LongStatements),
        long_(shape == TScriptShape::LongStatements) {}

  std::string Write(size_t bytes) {
    text_.reserve(bytes + 4096);
    while (text_.size() < bytes) {
      const size_t kind = random_.Below(100);
      if (kind < 35)
        JoinSelect();
      else if (kind < 50)
        SimpleSelect();
      else if (kind < 70)
        Insert();
      else if (kind < 82)
        Update();
      else if (kind < 88)
        Exec();
      else
        Comment();
      if (long_) {
        // The statement's lines joined by blanks make one line.
        text_.back() = '\r';
        text_ += '\n';
      }
      if (random_.Chance(40)) text_ += "\r\n";
    }
    return std::move(text_);
  }

 private:
  void Line(const std::string& line) {
    text_ += line;
    text_ += long_ ? " " : "\r\n";
  }

  // Long statements pick tables and columns evenly, so that every name of
  // the schema comes up.
  size_t Pick(size_t n) { return long_ ? random_.Below(n) : random_.Skewed(n); }
  // How many columns a list names: `few` plus up to `more`, and in a long
  // statement several times as many.
  size_t Width(size_t few, size_t more) {
    return long_ ? 8 * few + random_.Below(8 * more) : few + random_.Below(more);
  }

  const CorpusSchema::Table& PickTable() { return schema_.Tables[Pick(schema_.Tables.size())]; }

  // A column of the table, now and then a name that no table knows.
  std::string Column(const CorpusSchema::Table& table) {
    if (random_.Chance(3))
      return "Stari" + std::string(kRoots[random_.Below(kRoots.size())].Local) +
             std::to_string(random_.Below(50));
    // A generated script names generated columns: many, each seldom.
    if (distinct_ && random_.Chance(10))
      return std::string(kRoots[random_.Below(kRoots.size())].Local) + "_" +
             std::to_string(random_.Below(1000));
    return schema_.ColumnNames[table.Columns[Pick(table.Columns.size())]].Local;
  }

  std::string Literal() {
    if (distinct_ && random_.Chance(25))
      return random_.Chance(50) ? "@p" + std::to_string(random_.Below(20000))
                                : std::to_string(random_.Below(1000000));
    switch (random_.Below(5)) {
      case 0:
        return std::to_string(random_.Below(1000));
      case 1:
        return std::to_string(random_.Below(100000));
      case 2:
        return std::to_string(random_.Below(10000)) + "." + std::to_string(random_.Below(100));
      case 3:
        return "'" + std::string(kLiterals[random_.Below(kLiterals.size())]) + "'";
      default:
        return "'20" + std::to_string(10 + random_.Below(15)) + "-0" +
               std::to_string(1 + random_.Below(9)) + "-1" + std::to_string(random_.Below(10)) +
               "'";
    }
  }

  std::string Indent() { return random_.Chance(20) ? "\t" : "  "; }

  void JoinSelect() {
    const auto& t1 = PickTable();
    const auto& t2 = PickTable();
    const std::string a = kAliases[random_.Below(5)];
    const std::string b = kAliases[5 + random_.Below(5)];
    std::string select = "select " + a + "." + Column(t1);
    for (size_t i = 0, n = Width(1, 5); i < n; ++i)
      select += ", " + (random_.Chance(50) ? a + "." + Column(t1) : b + "." + Column(t2));
    const bool multiLine = random_.Chance(60);
    const std::string from = "from " + t1.Names.Local + " " + a;
    const std::string join = (random_.Chance(30) ? "left join " : "join ") + t2.Names.Local + " " +
                             b + " on " + b + "." + Column(t2) + " = " + a + "." + Column(t1);
    std::string where = "where " + a + "." + Column(t1) + " = " + Literal();
    if (random_.Chance(50)) where += " and " + b + "." + Column(t2) + " > " + Literal();
    if (random_.Chance(15)) where += " and " + a + "." + Column(t1) + " like 'Za%'";
    const std::string order =
        "order by " + a + "." + Column(t1) + (random_.Chance(30) ? " desc" : "");
    if (multiLine) {
      Line(select);
      Line(from);
      Line(join);
      Line(Indent() + where);
      Line(order + ";");
    } else {
      Line(select + " " + from + " " + join + " " + where + " " + order + ";");
    }
  }

  void SimpleSelect() {
    const auto& t = PickTable();
    const std::string c1 = Column(t), c2 = Column(t);
    Line("select " + c1 + ", " + c2 + ", count(*) as Broj from " + t.Names.Local + " where " +
         Column(t) + " <> " + Literal());
    Line(Indent() + "group by " + c1 + ", " + c2 + " having count(*) > 1;");
  }

  void Insert() {
    const auto& t = PickTable();
    std::string columns, values;
    for (size_t i = 0, n = Width(2, 6); i < n; ++i) {
      if (i) columns += ", ", values += ", ";
      columns += Column(t);
      values += Literal();
    }
    Line("insert into " + t.Names.Local + " (" + columns + ")");
    Line("values (" + values + ");");
  }

  void Update() {
    const auto& t = PickTable();
    const std::string c = Column(t);
    Line("update " + t.Names.Local + " set " + c + " = " + Literal() + ", " + Column(t) + " = " +
         Column(t) + " + 1");
    Line(Indent() + "where " + Column(t) + " = " + Literal() + ";");
  }

  void Exec() {
    const auto& p = schema_.Procedures[random_.Skewed(schema_.Procedures.size())];
    Line("exec " + p.Local + " " + Literal() + ", " + Literal() + ";");
  }

  void Comment() {
    const auto& t = PickTable();
    if (random_.Chance(70)) {
      Line("-- " + std::string(kLiterals[random_.Below(kLiterals.size())]) + ": " + t.Names.Local +
           " po " + Column(t) + " (" + std::to_string(random_.Below(100)) + "%)");
    } else {
      Line("/* " + t.Names.Local + ": " + Column(t) + ", " + Column(t));
      Line("   " + std::string(kLiterals[random_.Below(kLiterals.size())]) + " */");
    }
  }

  const CorpusSchema& schema_;
  Random random_;
  bool distinct_;
  bool long_;
  std::string text_;
};

void AddRecord(TVirtualTable& t, const std::vector<std::string>& values) {
  t.Append();
  for (size_t i = 0; i < values.size(); ++i)
    t.Field(i).SetAsString(values[i]);
  t.Post();
}

void Define(TVirtualTable& t, const std::vector<const char*>& fields) {
  t.Close();
  t.ClearTable();
  for (const char* f : fields)
    t.FieldDefs().Add(f, ftString, 40);
  t.Open();
}

}  // namespace

CorpusSchema MakeSchema(size_t tables, size_t columnsPerTable, size_t procedures, uint64_t seed) {
  Random random(seed);
  CorpusSchema schema;

  // Column names: the single roots first (the common ones: Sifra, Naziv,
  // Datum, ...), then compounds of two roots.
  std::vector<std::pair<size_t, size_t>> pairs = ShuffledPairs(random);
  for (const Root& r : kRoots)
    schema.ColumnNames.push_back({r.Local, r.English});
  for (size_t i = 0; i < 4000 && i < pairs.size(); ++i)
    schema.ColumnNames.push_back({Compound(kRoots[pairs[i].first], kRoots[pairs[i].second], false),
                                  Compound(kRoots[pairs[i].first], kRoots[pairs[i].second], true)});

  // Table names: compounds taken from the other end of the same order, with
  // a number behind them once the compounds run out.
  std::vector<std::pair<size_t, size_t>> tablePairs = ShuffledPairs(random);
  for (size_t i = 0; i < tables; ++i) {
    const auto& p = tablePairs[i % tablePairs.size()];
    CorpusSchema::Table t;
    t.Names = {Compound(kRoots[p.first], kRoots[p.second], false),
               Compound(kRoots[p.first], kRoots[p.second], true)};
    if (i >= tablePairs.size()) {
      t.Names.Local += std::to_string(i / tablePairs.size());
      t.Names.English += std::to_string(i / tablePairs.size());
    }
    std::set<size_t> chosen;
    for (size_t c = 0; c < 6 && c < columnsPerTable; ++c)
      chosen.insert(random.Below(30));  // Sifra, Naziv, Datum and the like
    while (chosen.size() < columnsPerTable)
      chosen.insert(random.Skewed(schema.ColumnNames.size()));
    t.Columns.assign(chosen.begin(), chosen.end());
    for (size_t c = t.Columns.size(); c > 1; --c)
      std::swap(t.Columns[c - 1], t.Columns[random.Below(c)]);
    for (size_t c : t.Columns)
      schema.ColumnRecords.push_back(
          {t.Names.Local, schema.ColumnNames[c].Local, schema.ColumnNames[c].English});
    schema.Tables.push_back(std::move(t));
  }

  for (size_t i = 0; i < procedures; ++i) {
    const auto& p = pairs[pairs.size() - 1 - (i % pairs.size())];
    schema.Procedures.push_back({"sp" + Compound(kRoots[p.first], kRoots[p.second], false),
                                 "sp" + Compound(kRoots[p.first], kRoots[p.second], true)});
  }
  return schema;
}

const CorpusSchema& StandardSchema() {
  static const CorpusSchema schema = MakeSchema(3000, 30, 200);
  return schema;
}

void FillTransTables(const CorpusSchema& schema, size_t columnRecords, TTransTableSet& tables) {
  TVirtualTable& tableNames = tables.Table;
  TVirtualTable& procedureNames = tables.StoredProc;
  TVirtualTable& columnNames = tables.TableStr;
  Define(tableNames, {"TableName", "TableNameAng"});
  for (const auto& t : schema.Tables)
    AddRecord(tableNames, {t.Names.Local, t.Names.English});
  Define(procedureNames, {"Naziv", "ProcedureNameAng"});
  for (const auto& p : schema.Procedures)
    AddRecord(procedureNames, {p.Local, p.English});
  Define(columnNames, {"TableName", "FieldName", "FieldNameAng"});
  for (size_t i = 0; i < columnRecords; ++i) {
    if (i < schema.ColumnRecords.size()) {
      const auto& c = schema.ColumnRecords[i];
      AddRecord(columnNames, {c.Table, c.Local, c.English});
    } else {
      const std::string n = std::to_string(i);
      AddRecord(columnNames, {"Dodatna" + std::to_string(i / 30), "Dodatak" + n, "Extra" + n});
    }
  }
  for (TVirtualTable* t : {&tableNames, &procedureNames, &columnNames})
    t->First();
}

bool ScriptShapeFromName(const std::string& name, TScriptShape& shape) {
  if (name == "standard")
    shape = TScriptShape::Standard;
  else if (name == "distinct")
    shape = TScriptShape::ManyDistinctWords;
  else if (name == "long")
    shape = TScriptShape::LongStatements;
  else if (name == "one-line")
    shape = TScriptShape::OneLine;
  else if (name == "lines-of-ten")
    shape = TScriptShape::LinesOfTen;
  else
    return false;
  return true;
}

std::string MakeScript(const CorpusSchema& schema, size_t bytes, uint64_t seed,
                       TScriptShape shape) {
  if (shape == TScriptShape::OneLine || shape == TScriptShape::LinesOfTen)
    return RelayWords(ScriptWriter(schema, seed, TScriptShape::Standard).Write(bytes),
                      shape == TScriptShape::OneLine ? 0 : 10);
  return ScriptWriter(schema, seed, shape).Write(bytes);
}

std::string RelayWords(std::string_view script, size_t wordsPerLine) {
  std::string text;
  text.reserve(script.size() + 2);
  size_t words = 0;
  for (size_t i = 0; i < script.size();) {
    const size_t begin = script.find_first_not_of(" \t\r\n", i);
    if (begin == std::string_view::npos) break;
    size_t end = script.find_first_of(" \t\r\n", begin);
    if (end == std::string_view::npos) end = script.size();
    if (words > 0) text += wordsPerLine > 0 && words % wordsPerLine == 0 ? "\r\n" : " ";
    text.append(script.substr(begin, end - begin));
    ++words;
    i = end;
  }
  if (words > 0) text += "\r\n";
  return text;
}

std::string NamesTsv(const CorpusSchema& schema) {
  std::string tsv;
  for (const auto& c : schema.ColumnNames)
    tsv += c.Local + "\t" + c.English + "\n";
  for (const auto& t : schema.Tables)
    tsv += t.Names.Local + "\t" + t.Names.English + "\n";
  for (const auto& p : schema.Procedures)
    tsv += p.Local + "\t" + p.English + "\n";
  return tsv;
}

void SaveTransTableFiles(const CorpusSchema& schema, size_t columnRecords, const std::string& dir) {
  TTransTableSet tables;
  FillTransTables(schema, columnRecords, tables);
  tables.Table.SaveTableFile(dir + "/" + kTableNamesFile);
  tables.StoredProc.SaveTableFile(dir + "/" + kProcedureNamesFile);
  tables.TableStr.SaveTableFile(dir + "/" + kColumnNamesFile);
}

}  // namespace qualtren::bench
