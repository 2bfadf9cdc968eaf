// The workload of "table suggest": a generated schema of column names built
// from a vocabulary of local words in the four naming styles, a few holding
// a word outside it, with a glossary of the vocabulary (less a share of it
// when asked), the tables to run against and the English expected of each
// name; and the check of what suggest made of it against that expectation.
//
//   qualtren_names DIR [NAMES [REMOVED_PERCENT]]   writes the workload into DIR
//   qualtren_names --check DIR                     compares DIR's outcome with it
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "base/codepage.h"
#include "base/csv.h"
#include "base/stream.h"
#include "trans/name_words.h"

namespace {

using namespace qualtren;

constexpr size_t kVocabulary = 400;  // the words of the names
constexpr size_t kOutside = 60;      // words outside the vocabulary
constexpr double kOutsideShare = 0.01;

// A word of two to four syllables of a consonant and a vowel, some closed by
// a consonant: words of the shape of the local language's.
std::string MakeWord(std::mt19937& random) {
  static const std::string consonants = "bcdfghjklmnprstvz", vowels = "aeiou";
  std::string word;
  const int syllables = 2 + static_cast<int>(random() % 3);
  for (int s = 0; s < syllables; ++s) {
    word += consonants[random() % consonants.size()];
    word += vowels[random() % vowels.size()];
    if (random() % 4 == 0) word += consonants[random() % consonants.size()];
  }
  return word;
}

// `count` words different from each other and from those of `taken`.
std::vector<std::string> MakeWords(size_t count, std::mt19937& random,
                                   std::set<std::string>& taken) {
  std::vector<std::string> words;
  while (words.size() < count) {
    std::string word = MakeWord(random);
    if (taken.insert(word).second) words.push_back(std::move(word));
  }
  return words;
}

void WriteFile(const std::filesystem::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

std::vector<TEnglishWord> Words(const std::vector<std::string>& texts) {
  std::vector<TEnglishWord> words;
  for (const std::string& text : texts)
    words.push_back({text, false, false});
  return words;
}

// Tables of names of two words, which give the glossary no pair; the
// local table names.
std::vector<std::string> WriteTables(const std::filesystem::path& dir,
                                     const std::vector<std::string>& local,
                                     const std::vector<std::string>& english,
                                     std::mt19937& random) {
  const TWordFolder folder;
  std::string tables = "TableName,TableNameAng\n", columns = "TableName,FieldName,FieldNameAng\n";
  std::vector<std::string> tableNames;
  for (size_t t = 0; t < 3000; ++t) {
    const size_t a = random() % kVocabulary, b = random() % kVocabulary;
    tableNames.push_back(ComposeName(Words({local[a], local[b]}), TNameStyle::Pascal, folder));
    tables += tableNames.back() + "," +
              ComposeName(Words({english[a], english[b]}), TNameStyle::Pascal, folder) + "\n";
  }
  for (size_t c = 0; c < 20000; ++c) {
    const size_t a = random() % kVocabulary, b = random() % kVocabulary;
    columns += tableNames[random() % tableNames.size()] + "," +
               ComposeName(Words({local[a], local[b]}), TNameStyle::Pascal, folder) + "," +
               ComposeName(Words({english[a], english[b]}), TNameStyle::Pascal, folder) + "\n";
  }
  WriteFile(dir / "tables/table.csv", tables);
  WriteFile(dir / "tables/column.csv", columns);
  WriteFile(dir / "tables/proc.csv", "Naziv,ProcedureNameAng\nObracun,Settle\n");
  return tableNames;
}

int Make(const std::filesystem::path& dir, size_t names, int removedPercent) {
  std::mt19937 random(90000);
  const TWordFolder folder;
  std::set<std::string> taken;
  const std::vector<std::string> local = MakeWords(kVocabulary, random, taken);
  const std::vector<std::string> outside = MakeWords(kOutside, random, taken);
  std::set<std::string> englishTaken;
  std::vector<std::string> english = MakeWords(kVocabulary, random, englishTaken);
  for (std::string& word : english)
    word = "x" + word;  // no English word is a local one
  // The words left out of the glossary: a share of the vocabulary.
  std::vector<size_t> order(kVocabulary);
  for (size_t i = 0; i < kVocabulary; ++i)
    order[i] = i;
  std::shuffle(order.begin(), order.end(), random);
  std::vector<bool> removed(kVocabulary, false);
  for (size_t i = 0; i < kVocabulary * static_cast<size_t>(removedPercent) / 100; ++i)
    removed[order[i]] = true;

  std::filesystem::create_directories(dir / "tables");
  std::string glossary = "Word,English\n";
  for (size_t i = 0; i < kVocabulary; ++i)
    if (!removed[i]) glossary += local[i] + "," + english[i] + "\n";
  WriteFile(dir / "glossary.csv", glossary);

  const std::vector<std::string> tableNames = WriteTables(dir, local, english, random);

  // The names: two to four words in one of the four styles, now and then a
  // number at the end; a share holds one word outside the vocabulary.
  const TNameStyle styles[] = {TNameStyle::Pascal, TNameStyle::Camel, TNameStyle::Snake,
                               TNameStyle::UpperSnake};
  std::string harvest = "TableName,FieldName,FieldNameAng\n", expected = "Expected,Unknown\n";
  for (size_t n = 0; n < names; ++n) {
    std::vector<TEnglishWord> localWords, englishWords;
    std::string unknown;
    const size_t count = 2 + random() % 3;
    for (size_t w = 0; w < count; ++w) {
      const size_t i = random() % kVocabulary;
      localWords.push_back({local[i], false, false});
      englishWords.push_back({english[i], false, false});
      if (removed[i]) unknown += (unknown.empty() ? "" : " ") + local[i];
    }
    if (std::uniform_real_distribution<double>(0, 1)(random) < kOutsideShare) {
      const std::string& word = outside[random() % kOutside];
      localWords.insert(localWords.begin() + static_cast<long>(random() % (count + 1)),
                        {word, false, false});
      unknown += (unknown.empty() ? "" : " ") + word;
    }
    if (random() % 5 == 0) {
      const std::string digits = std::to_string(1 + random() % 9);
      localWords.push_back({digits, false, true});
      englishWords.push_back({digits, false, true});
    }
    harvest += tableNames[random() % tableNames.size()] + "," +
               ComposeName(localWords, styles[random() % 4], folder) + ",\n";
    expected +=
        (unknown.empty() ? ComposeName(englishWords, TNameStyle::Pascal, folder) : std::string()) +
        "," + unknown + "\n";
  }
  WriteFile(dir / "harvest.csv", harvest);
  WriteFile(dir / "expected.csv", expected);
  return 0;
}

std::vector<CsvRow> ReadCsv(const std::filesystem::path& path) {
  std::vector<CsvRow> rows = ParseCsv(ReadWholeFile(path.string()));
  if (!rows.empty()) rows.erase(rows.begin());  // the header
  return rows;
}

int Check(const std::filesystem::path& dir) {
  const TWordFolder folder;
  const std::vector<CsvRow> harvest = ReadCsv(dir / "harvest.csv");
  const std::vector<CsvRow> expected = ReadCsv(dir / "expected.csv");
  if (harvest.size() != expected.size()) throw std::runtime_error("harvest.csv lost rows");
  size_t known = 0, exact = 0, otherwise = 0, unknownNames = 0, unknownProposed = 0;
  std::map<std::string, std::set<std::string>> namesOf;  // unknown word -> folded names
  for (size_t r = 0; r < harvest.size(); ++r) {
    const std::string& got = harvest[r].Fields.at(2).Text;
    const std::string& want = expected[r].Fields.at(0).Text;
    if (!want.empty()) {
      ++known;
      if (got == want)
        ++exact;
      else if (!got.empty())
        ++otherwise;
      continue;
    }
    ++unknownNames;
    if (!got.empty()) ++unknownProposed;
    const std::string& words = expected[r].Fields.at(1).Text;
    for (size_t at = 0; at <= words.size();) {
      size_t end = words.find(' ', at);
      if (end == std::string::npos) end = words.size();
      namesOf[folder.Fold(words.substr(at, end - at))].insert(
          folder.Fold(harvest[r].Fields.at(1).Text));
      at = end + 1;
    }
  }
  size_t listed = 0, wrong = 0, extra = 0;
  std::set<std::string> seen;
  for (const CsvRow& row : ReadCsv(dir / "words.csv")) {
    const std::string word = folder.Fold(row.Fields.at(0).Text);
    seen.insert(word);
    const auto it = namesOf.find(word);
    if (it == namesOf.end())
      ++extra;
    else if (std::to_string(it->second.size()) == row.Fields.at(1).Text)
      ++listed;
    else
      ++wrong;
  }
  const size_t missing = namesOf.size() - (listed + wrong);
  std::printf(
      "names of known words: %zu, proposed exactly: %zu (%.2f%%), proposed otherwise: %zu\n", known,
      exact, known ? 100.0 * exact / known : 100.0, otherwise);
  std::printf("names holding an unknown word: %zu, proposed: %zu\n", unknownNames, unknownProposed);
  std::printf(
      "unknown words: %zu, in words.csv with their count: %zu, with another count: %zu, "
      "missing: %zu; other rows of words.csv: %zu\n",
      namesOf.size(), listed, wrong, missing, extra);
  const bool met = exact * 100 >= known * 98 && unknownProposed == 0 && wrong == 0 && missing == 0;
  std::printf("targets %s\n", met ? "met" : "MISSED");
  return met ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    SetActiveCodePage(1252);
    if (argc == 3 && std::string(argv[1]) == "--check") return Check(argv[2]);
    if (argc < 2 || argc > 4) {
      std::fprintf(stderr,
                   "usage: qualtren_names DIR [NAMES [REMOVED_PERCENT]]\n"
                   "       qualtren_names --check DIR\n");
      return 2;
    }
    const size_t names = argc > 2 ? std::stoul(argv[2]) : 90000;
    const int removed = argc > 3 ? std::stoi(argv[3]) : 0;
    return Make(argv[1], names, removed);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "qualtren_names: %s\n", e.what());
    return 2;
  }
}
