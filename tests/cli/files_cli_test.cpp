// Tests of "qualtren-cli files": the files of one directory translated in
// place, with backups, untouched and failed files, and the summary line.
#include <string>

#include "cli_fixture.h"

namespace qualtren::clitest {
namespace {

using FilesCli = CliTest;

TEST_F(FilesCli, TranslatesMatchingFilesWithBackupsAndLeavesNulFilesUntouched) {
  MakeTables("t");
  const std::string a = "select Ime\nfrom Kupac";
  const std::string nul = std::string("exec Obracun\0tail", 17);
  Write("d/a.txt", a);
  Write("d/b.txt", nul);
  Write("d/c.sql", "exec Obracun");
  Write("d/a.txtbak", "an older backup");
  fs::create_directories(Path("d/sub.txt"));

  RunResult r = Run("files d --tables t --verbose");
  EXPECT_EQ(r.Status, 1);
  EXPECT_EQ(r.Out, "");
  EXPECT_EQ(r.Err,
            "translated: d/a.txt\n"
            "qualtren-cli: left untouched: d/b.txt: the file holds a NUL byte\n"
            "summary: 1 translated, 1 left untouched, 0 failed\n");
  EXPECT_EQ(Read("d/a.txt"), "select Name\r\nfrom Customer\r\n");
  EXPECT_EQ(Read("d/a.txtbak"), a);
  // The backup is made before the file is read, so the untouched file has one.
  EXPECT_EQ(Read("d/b.txt"), nul);
  EXPECT_EQ(Read("d/b.txtbak"), nul);
  EXPECT_EQ(Read("d/c.sql"), "exec Obracun");
  EXPECT_FALSE(fs::exists(Path("d/c.sqlbak")));
  EXPECT_TRUE(fs::is_directory(Path("d/sub.txt")));
  EXPECT_FALSE(fs::exists(Path("d/sub.txtbak")));

  // Without --verbose only untouched and failed files are named; a mask that
  // also matches the backups only sees the files that were there before the
  // run, so a backup made by the run is not translated by it.
  fs::remove_all(Path("d"));
  Write("d/a.txt", a);
  r = Run("files d --tables t --mask '*.txt*' --backup '~'");
  EXPECT_EQ(r.Status, 0);
  EXPECT_EQ(r.Err, "summary: 1 translated, 0 left untouched, 0 failed\n");
  EXPECT_EQ(Read("d/a.txt~"), a);
  EXPECT_EQ(Read("d/a.txt"), "select Name\r\nfrom Customer\r\n");

  // An empty backup text makes no copies; comment options apply to each file.
  Write("e/x.sql", "exec Obracun");
  Write("e/y.sql", "nothing here");
  Write("e/Z.SQL", "exec Obracun");
  r = Run("files e --tables t --mask '*.sql' --backup= --comment '--prefix=-- '");
  EXPECT_EQ(r.Status, 0) << r.Err;
  EXPECT_EQ(r.Err, "summary: 2 translated, 0 left untouched, 0 failed\n");
  EXPECT_EQ(Read("e/x.sql"), "-- exec Obracun\r\nexec Settle\r\n");
  EXPECT_EQ(Read("e/y.sql"), "nothing here\r\n");
  EXPECT_EQ(Read("e/Z.SQL"), "exec Obracun");  // the mask is case-sensitive
  EXPECT_EQ(std::distance(fs::directory_iterator(Path("e")), fs::directory_iterator()), 3);

  // No matching file: nothing to do, status 0.
  r = Run("files e --tables t --mask '*.none'");
  EXPECT_EQ(r.Status, 0);
  EXPECT_EQ(r.Err, "summary: 0 translated, 0 left untouched, 0 failed\n");
}

TEST_F(FilesCli, FailedFilesAreCountedAndTheRunGoesOn) {
  MakeTables("t");
  MakeTables("broken", false);
  Write("d/a.txt", "exec Obracun");
  Write("d/b.txt", "exec Obracun");
  Write("d/c.txt", "select Ime from Kupac");
  // A directory where b's backup should go makes the backup copy fail: b is
  // then left as it was, and the run goes on with c.
  fs::create_directories(Path("d/b.txtbak"));

  RunResult r = Run("files d --tables t");
  EXPECT_EQ(r.Status, 1);
  EXPECT_EQ(r.Err,
            "qualtren-cli: failed: d/b.txt: Cannot create file d/b.txtbak\n"
            "summary: 2 translated, 0 left untouched, 1 failed\n");
  EXPECT_EQ(Read("d/a.txt"), "exec Settle\r\n");
  EXPECT_EQ(Read("d/b.txt"), "exec Obracun");
  EXPECT_EQ(Read("d/c.txt"), "select Name from Customer\r\n");

  // A failed translation leaves its file untouched; files without a match
  // for the broken column table are translated.
  Write("f/a.txt", "select Ime from Kupac");
  Write("f/b.txt", "exec Obracun");
  r = Run("files f --tables broken --backup '' --verbose");
  EXPECT_EQ(r.Status, 1);
  EXPECT_EQ(r.Err,
            "qualtren-cli: left untouched: f/a.txt: the translation failed: tbTableStr_Trans: "
            "Field 'FieldNameAng' not found\n"
            "translated: f/b.txt\n"
            "summary: 1 translated, 1 left untouched, 0 failed\n");
  EXPECT_EQ(Read("f/a.txt"), "select Ime from Kupac");
  EXPECT_EQ(Read("f/b.txt"), "exec Settle\r\n");
}

TEST_F(FilesCli, UsageAndTableErrorsTouchNothing) {
  MakeTables("t");
  Write("d/a.txt", "exec Obracun");

  RunResult r = Run("files nowhere --tables t");
  EXPECT_EQ(r.Status, 2);
  EXPECT_EQ(r.Err, "qualtren-cli: directory not found: nowhere\n");
  r = Run("files d/a.txt --tables t");
  EXPECT_EQ(r.Status, 2);
  EXPECT_EQ(r.Err, "qualtren-cli: not a directory: d/a.txt\n");

  r = Run("files d --tables nowhere");
  EXPECT_EQ(r.Status, 2);
  EXPECT_EQ(r.Err, "qualtren-cli: Cannot open file nowhere/Q47SifTable.vtd\n");
  EXPECT_EQ(Read("d/a.txt"), "exec Obracun");
  EXPECT_FALSE(fs::exists(Path("d/a.txtbak")));

  r = Run("files d --tables t --mask");
  EXPECT_EQ(r.Status, 2);
  EXPECT_EQ(r.Err.rfind("qualtren-cli: ", 0), 0u);
  EXPECT_FALSE(fs::exists(Path("d/a.txtbak")));
}

}  // namespace
}  // namespace qualtren::clitest
