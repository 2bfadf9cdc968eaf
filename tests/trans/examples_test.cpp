// Tests that the sample tables in examples/ load and translate the sample
// SQL script into the expected text.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "dataset/dataset.h"
#include "options_fixture.h"
#include "table/virtual_table.h"
#include "trans/trans_tables.h"
#include "trans/translate.h"

using namespace qualtren;

namespace {

std::string ExamplesDir() {
  const char* source = std::getenv("QUALTREN_SOURCE");
  return std::string(source ? source : ".") + "/examples";
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  EXPECT_TRUE(in) << path;
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

TEST(Examples, SampleTranslatesToExpected) {
  TTransTableSet set;
  set.Load(ExamplesDir());
  const TransTables tables = set.Tables();

  // The example rows are there, in front.
  EXPECT_EQ(TranslateName(tables, "", "Kupac", "T"), "Customer");
  EXPECT_EQ(TranslateName(tables, "", "Kupac", "F"), "CustomerId");
  EXPECT_EQ(TranslateName(tables, "Kupac", "Ime", "F"), "Name");
  EXPECT_EQ(TranslateName(tables, "", "Obracun", "F"), "Settle");

  const std::string sample = ReadFile(ExamplesDir() + "/sample.sql");
  const std::string expected = ReadFile(ExamplesDir() + "/sample_expected.sql");
  ASSERT_FALSE(sample.empty());
  ASSERT_NE(sample, expected);
  std::string error = "not cleared";
  EXPECT_EQ(TranslateText(tables, AnsiOptions("", true), sample, &error), expected);
  EXPECT_EQ(error, "");
}
