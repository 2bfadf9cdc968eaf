// Tests of the command line's streaming: input larger than what is kept in
// memory, read ahead for the automatic table name and read again; a failure
// deep in a streamed text; and files translated by several workers with the
// reports of one.
#include <string>

#include "cli_fixture.h"

namespace qualtren::clitest {
namespace {

using StreamCli = CliTest;

TEST_F(StreamCli, LargeInputIsReadAheadAndAgainThroughPipeAndFileAlike) {
  MakeTables("t");
  // More than the 8 MiB kept in memory, with the only "from " at the end:
  // the automatic table name is known only after the whole input was read,
  // and it decides Grad (Racun's, not Kupac's).
  std::string input, expected;
  while (input.size() < (9u << 20)) {
    input += "select Ime, Grad\n";
    expected += "select Name, PlaceOfIssue\r\n";
  }
  input += "from Racun";
  expected += "from Invoice\r\n";
  Write("big.sql", input);

  RunResult r = Run("translate --tables t big.sql");
  EXPECT_EQ(r.Status, 0) << r.Err;
  EXPECT_TRUE(r.Out == expected) << r.Out.size() << " bytes";
  r = Run("translate --tables t", input, "C", true);
  EXPECT_EQ(r.Status, 0) << r.Err;
  EXPECT_TRUE(r.Out == expected) << r.Out.size() << " bytes";
}

TEST_F(StreamCli, AFailureDeepInTheTextGivesBackTheWholeInput) {
  MakeTables("broken", false);
  // Hundreds of kilobytes translate before the column table, which lacks its
  // English field, is asked for Ime.
  std::string input;
  while (input.size() < 300000)
    input += "exec Obracun 1\r";
  input += "select Ime\nexec Obracun 2";
  std::string normalized;
  for (char c : input)
    normalized += c == '\r' || c == '\n' ? std::string("\r\n") : std::string(1, c);
  normalized += "\r\n";
  Write("in.sql", input);
  const std::string message = "qualtren-cli: tbTableStr_Trans: Field 'FieldNameAng' not found\n";

  for (bool pipe : {false, true}) {
    RunResult r = pipe ? Run("translate --tables broken", input, "C", true)
                       : Run("translate --tables broken in.sql");
    EXPECT_EQ(r.Status, 1) << pipe;
    EXPECT_TRUE(r.Out == normalized) << pipe << ": " << r.Out.size() << " bytes";
    EXPECT_EQ(r.Err, message) << pipe;
  }

  Write("d/in.txt", input);
  RunResult r = Run("files d --tables broken --backup ''");
  EXPECT_EQ(r.Status, 1);
  EXPECT_EQ(r.Err,
            "qualtren-cli: left untouched: d/in.txt: the translation failed: tbTableStr_Trans: "
            "Field 'FieldNameAng' not found\n"
            "summary: 0 translated, 1 left untouched, 0 failed\n");
  EXPECT_TRUE(Read("d/in.txt") == input);
}

TEST_F(StreamCli, WorkersGiveTheReportsAndFilesOfOne) {
  MakeTables("t");
  for (const char* dir : {"one", "four"}) {
    for (int i = 0; i < 40; ++i) {
      const std::string name = std::string(dir) + "/f" + std::to_string(100 + i) + ".txt";
      if (i % 7 == 3)
        Write(name, std::string("exec Obracun\0x", 14));
      else
        Write(name, "select Ime, Iznos from Kupac -- " + std::to_string(i) + "\nexec Obracun");
    }
    // A directory where a backup should go makes that file fail.
    fs::create_directories(Path(std::string(dir) + "/f120.txtbak"));
  }
  const RunResult one = Run("files one --tables t --jobs 1 --verbose");
  const RunResult four = Run("files four --tables t --jobs 4 --verbose");
  EXPECT_EQ(one.Status, 1);
  EXPECT_EQ(four.Status, one.Status);
  std::string expected = one.Err;
  for (size_t p = expected.find("one/"); p != std::string::npos; p = expected.find("one/", p))
    expected.replace(p, 4, "four/");
  EXPECT_EQ(four.Err, expected);
  EXPECT_NE(one.Err.find("summary: 33 translated, 6 left untouched, 1 failed\n"), std::string::npos)
      << one.Err;
  for (int i = 0; i < 40; ++i) {
    const std::string name = "/f" + std::to_string(100 + i) + ".txt";
    EXPECT_EQ(Read("four" + name), Read("one" + name)) << name;
  }
}

}  // namespace
}  // namespace qualtren::clitest
