// The name dictionary built while the tables load, against the one built
// after: random tables saved to files (column tables of up to thousands of
// records, so that the load tells of many runs of them, tables met again
// after others, null names, now and then a field missing or one of another
// type), loaded both ways, give the same answers; a file cut short fails
// the same way.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "base/codepage.h"
#include "base/exception.h"
#include "random_translation.h"
#include "temp_dir.h"
#include "trans/name_dictionary.h"

namespace qualtren {
namespace {

using namespace randomtest;

// Everything the dictionary answers of `words`, as text.
std::string Answers(const TNameDictionary& d, const std::vector<std::string>& words) {
  std::string all;
  std::string folded;
  const auto value = [&](int32_t id) {
    return id == TNameDictionary::kNone
               ? std::string("-")
               : std::string(d.Value(id, false)) + "|" + std::string(d.Value(id, true));
  };
  for (const std::string& w : words) {
    all += w + ":";
    if (const TNameDictionary::TEntry* e = d.Find(w, folded))
      all += value(e->Table) + "," + value(e->Procedure) + "," + value(e->AnyColumn) + "," +
             (e->HasColumns ? "c" : "");
    all += " columns:";
    d.ForEachColumnOf(d.TableId(w), [&](const TNameDictionary::TEntry& e, std::string_view en) {
      all += value(e.AnyColumn) + "=" + std::string(en) + ";";
    });
    all += "\n";
  }
  return all;
}

TEST(DictionaryLoad, BuiltWhileLoadingAnswersAsBuiltAfter) {
  SetActiveCodePage(1250);
  Random r(17);
  std::vector<std::string> words = BasicWords().Names;
  words.insert(words.end(), BasicWords().TableNames.begin(), BasicWords().TableNames.end());
  words.push_back("Unknown");
  int built = 0;
  for (int round = 0; round < 24; ++round) {
    testsupport::TTempDir dir("qualtren-dictload");
    {
      RandomTables tables(r, BasicWords());
      TVirtualTable& columns = tables.set.TableStr;
      // A field of another type takes the load off the path of text values.
      if (r.Chance(15)) {
        columns.Close();
        columns.FieldDefs().Add("Number", ftInteger);
        columns.Open();
      }
      const size_t extra = r.Chance(30) ? r.Below(100) : r.Below(7000);
      for (size_t i = 0; i < extra; ++i) {
        columns.Append();
        for (size_t f = 0; f < columns.FieldCount(); ++f) {
          const std::string name = columns.Field(f).FieldName();
          if (name == "Number" || r.Chance(3)) continue;  // null
          columns.Field(f).SetAsString(name == "FieldNameAng" ? r.Pick(BasicWords().English)
                                       : name == "TableName"  ? r.Pick(BasicWords().TableNames)
                                                              : r.Pick(BasicWords().Names));
        }
        columns.Post();
      }
      tables.set.Table.SaveTableFile(dir.Path() + "/" + kTableNamesFile);
      tables.set.StoredProc.SaveTableFile(dir.Path() + "/" + kProcedureNamesFile);
      columns.SaveTableFile(dir.Path() + "/" + kColumnNamesFile);
    }
    SCOPED_TRACE(testing::Message() << "round " << round);
    TTransTableSet after, meanwhile;
    after.Load(dir.Path());
    const auto expected = TNameDictionary::Build(after.Tables());
    const auto got = TNameDictionary::LoadAndBuild(meanwhile, dir.Path());
    ASSERT_EQ(got == nullptr, expected == nullptr);
    if (!got) continue;
    ++built;
    EXPECT_EQ(got->Records(), expected->Records());
    EXPECT_EQ(Answers(*got, words), Answers(*expected, words));

    // Cut short in its records, the column file fails the load both ways.
    const std::string file = dir.Path() + "/" + kColumnNamesFile;
    std::filesystem::resize_file(file, std::filesystem::file_size(file) * 2 / 3);
    std::string error, errorMeanwhile;
    try {
      TTransTableSet set;
      set.Load(dir.Path());
    } catch (const std::exception& e) {
      error = e.what();
    }
    try {
      TTransTableSet set;
      TNameDictionary::LoadAndBuild(set, dir.Path());
    } catch (const std::exception& e) {
      errorMeanwhile = e.what();
    }
    EXPECT_EQ(errorMeanwhile, error);
  }
  EXPECT_GT(built, 12);
  SetActiveCodePage(1252);
}

}  // namespace
}  // namespace qualtren
