// Tests of "qualtren-cli files": the files of one directory or of a tree
// translated in place, with backups, untouched and failed files, and the
// summary line; putting them back from the backups; the progress line.
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "cli_fixture.h"

namespace qualtren::clitest {
namespace {

// Every run here is over the example tables in t/.
class FilesCli : public CliTest {
 protected:
  void SetUp() override {
    CliTest::SetUp();
    if (!HasFatalFailure()) MakeTables("t");
  }
};

TEST_F(FilesCli, TranslatesMatchingFilesWithBackupsAndLeavesNulFilesUntouched) {
  const std::string a = "select Ime\nfrom Kupac";
  const std::string nul = std::string("exec Obracun\0tail", 17);
  Write("d/a.txt", a);
  Write("d/b.txt", nul);
  Write("d/c.sql", "exec Obracun");
  Write("d/a.txtbak", "an older backup");
  fs::create_directories(Path("d/sub.txt"));

  // The older backup holds other bytes than its file: only
  // --overwrite-backups lets the run replace it.
  RunResult r = ExpectRun("files d --tables t --verbose --overwrite-backups", 1,
                          "translated: d/a.txt\n"
                          "qualtren-cli: left untouched: d/b.txt: the file holds a NUL byte\n"
                          "summary: 1 translated, 1 left untouched, 0 failed\n");
  EXPECT_EQ(r.Out, "");
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
            "qualtren-cli: failed: d/b.txt: Cannot create file d/b.txtbak (Is a directory)\n"
            "summary: 2 translated, 0 left untouched, 1 failed\n");
  EXPECT_EQ(Read("d/a.txt"), "exec Settle\r\n");
  EXPECT_EQ(Read("d/b.txt"), "exec Obracun");
  EXPECT_EQ(Read("d/c.txt"), "select Name from Customer\r\n");

  // A failed translation leaves its file untouched; files without a match
  // for the broken column table are translated.
  Write("f/a.txt", "select Ime from Kupac");
  Write("f/b.txt", "exec Obracun");
  ExpectRun("files f --tables broken --backup '' --verbose", 1,
            "qualtren-cli: left untouched: f/a.txt: the translation failed: tbTableStr_Trans: "
            "Field 'FieldNameAng' not found\n"
            "translated: f/b.txt\n"
            "summary: 1 translated, 1 left untouched, 0 failed\n");
  EXPECT_EQ(Read("f/a.txt"), "select Ime from Kupac");
  EXPECT_EQ(Read("f/b.txt"), "exec Settle\r\n");
}

TEST_F(FilesCli, BackupsAreTheOriginalsAndMessagesKeepTheOrderOfTheFiles) {
  // Enough files for several groups of the batch, the odd ones among them.
  auto name = [](int i) { return "d/f" + std::to_string(1000 + i) + ".sql"; };
  std::string expected;
  for (int i = 0; i < 600; ++i) {
    if (i == 7) {
      Write(name(i), std::string("exec Obracun\0", 13));
      expected += "qualtren-cli: left untouched: " + name(i) + ": the file holds a NUL byte\n";
    } else if (i == 300) {
      Write(name(i), "exec Obracun");
      fs::permissions(Path(name(i)), fs::perms::owner_read);
      expected += "qualtren-cli: failed: " + name(i) + ": Cannot create file " + name(i) +
                  " (Permission denied)\n";
    } else if (i == 450) {
      Write(name(i), "exec Obracun");
      fs::create_directories(Path(name(i) + "bak"));
      expected += "qualtren-cli: failed: " + name(i) + ": Cannot create file " + name(i) +
                  "bak (Is a directory)\n";
    } else {
      Write(name(i), "exec Obracun -- " + std::to_string(i));
      expected += "translated: " + name(i) + "\n";
    }
  }
  // A file with a second name keeps the old bytes under that name.
  ASSERT_EQ(::link(Path(name(9)).c_str(), Path("d/second.txt").c_str()), 0);
  struct stat before;
  ASSERT_EQ(::stat(Path(name(1)).c_str(), &before), 0);

  // The second run goes over the first one's backups on purpose.
  for (const char* jobs : {"1", "2"}) {
    const RunResult r = Run(std::string("files d --tables t --mask '*.sql' --verbose "
                                        "--overwrite-backups --jobs ") +
                            jobs);
    EXPECT_EQ(r.Status, 1) << jobs;
    EXPECT_EQ(r.Err, expected + "summary: 597 translated, 1 left untouched, 2 failed\n") << jobs;
  }
  EXPECT_EQ(Read(name(0)), "exec Settle -- 0\r\n");
  // After two runs the backup holds the first translation: the file as the
  // second run found it, under the backup's name.
  EXPECT_EQ(Read(name(1) + "bak"), "exec Settle -- 1\r\n");
  struct stat backup, file;
  ASSERT_EQ(::stat(Path(name(1) + "bak").c_str(), &backup), 0);
  ASSERT_EQ(::stat(Path(name(1)).c_str(), &file), 0);
  EXPECT_NE(backup.st_ino, before.st_ino);
  EXPECT_NE(backup.st_ino, file.st_ino);
  EXPECT_EQ(backup.st_nlink, 1u);
  EXPECT_EQ(Read("d/second.txt"), "exec Obracun -- 9");
  EXPECT_EQ(Read(name(9)), "exec Settle -- 9\r\n");
  // Files left as they were have copies as their backups.
  for (int i : {7, 300}) {
    ASSERT_EQ(::stat(Path(name(i)).c_str(), &file), 0);
    EXPECT_EQ(file.st_nlink, 1u) << name(i);
    EXPECT_EQ(Read(name(i) + "bak"), Read(name(i))) << name(i);
  }
  for (const auto& e : fs::directory_iterator(Path("d")))
    EXPECT_NE(e.path().filename().string()[0], '.') << e.path();
}

TEST_F(FilesCli, UsageAndTableErrorsTouchNothing) {
  Write("d/a.txt", "exec Obracun");

  RunResult r = Run("files nowhere --tables t");
  EXPECT_EQ(r.Status, 2);
  EXPECT_EQ(r.Err, "qualtren-cli: directory not found: nowhere\n");
  r = Run("files d/a.txt --tables t");
  EXPECT_EQ(r.Status, 2);
  EXPECT_EQ(r.Err, "qualtren-cli: not a directory: d/a.txt\n");

  r = Run("files d --tables nowhere");
  EXPECT_EQ(r.Status, 2);
  EXPECT_EQ(r.Err,
            "qualtren-cli: Cannot open file nowhere/Q47SifTable.vtd (No such file or directory)\n");
  EXPECT_EQ(Read("d/a.txt"), "exec Obracun");
  EXPECT_FALSE(fs::exists(Path("d/a.txtbak")));

  r = Run("files d --tables t --mask");
  EXPECT_EQ(r.Status, 2);
  EXPECT_EQ(r.Err.rfind("qualtren-cli: ", 0), 0u);
  EXPECT_FALSE(fs::exists(Path("d/a.txtbak")));
}

TEST_F(FilesCli, RecursiveRunsSkipLinksBackupsAndTemporaryFilesAndRestoreUndoesThem) {
  const std::string a = "exec Obracun\n", b = "select Ime from Kupac", c = "select Iznos\r\n";
  Write("d/a.sql", a);
  Write("d/sub/b.sql", b);
  Write("d/sub/deeper/c.sql", c);
  // A backup and a temporary file of an earlier run, links to a file and to
  // a directory, a file the mask leaves out.
  Write("d/a.sqlbak", "an older backup");
  Write("d/sub/b.sql.Xy12Z9", "left by a killed run");
  Write("d/sub/deeper/c.sqlbak.a1B2c3", "left by a killed backup");
  fs::create_symlink("../a.sql", Path("d/sub/link.sql"));
  fs::create_directories(Path("elsewhere"));
  Write("elsewhere/e.sql", "exec Obracun");
  fs::create_symlink("../elsewhere", Path("d/sub/linked"));
  Write("d/x.txt", "exec Obracun");

  // Flat: the directory alone.
  RunResult r = Run("files d --tables t --mask '*.sql*' --dry-run --verbose");
  EXPECT_EQ(r.Err,
            "would change: d/a.sql\n"
            "summary: 1 would change, 0 would not change, 0 would be left untouched, 0 failed\n");

  r = Run("files d --tables t --mask '*.sql*' --recursive --verbose --overwrite-backups");
  EXPECT_EQ(r.Status, 0) << r.Err;
  EXPECT_EQ(r.Err,
            "translated: d/a.sql\ntranslated: d/sub/b.sql\ntranslated: d/sub/deeper/c.sql\n"
            "summary: 3 translated, 0 left untouched, 0 failed\n");
  EXPECT_EQ(Read("d/sub/b.sql"), "select Name from Customer\r\n");
  EXPECT_EQ(Read("d/sub/b.sqlbak"), b);
  EXPECT_EQ(Read("elsewhere/e.sql"), "exec Obracun");
  EXPECT_TRUE(fs::is_symlink(Path("d/sub/link.sql")));
  EXPECT_EQ(Read("d/sub/b.sql.Xy12Z9"), "left by a killed run");
  EXPECT_EQ(Read("d/x.txt"), "exec Obracun");
  EXPECT_FALSE(fs::exists(Path("d/a.sqlbakbak")));

  // Restore puts every file back byte for byte and removes the backups; a
  // file without a backup is named and left alone.
  Write("d/sub/new.sql", "exec Obracun");
  ExpectRun("files d --mask '*.sql' --recursive --restore", 1,
            "qualtren-cli: left alone: d/sub/new.sql: no backup d/sub/new.sqlbak\n"
            "summary: 3 restored, 1 without a backup, 0 failed\n");
  EXPECT_EQ(Read("d/a.sql"), a);
  EXPECT_EQ(Read("d/sub/b.sql"), b);
  EXPECT_EQ(Read("d/sub/deeper/c.sql"), c);
  EXPECT_EQ(Read("d/sub/new.sql"), "exec Obracun");
  for (const char* gone : {"d/a.sqlbak", "d/sub/b.sqlbak", "d/sub/deeper/c.sqlbak"})
    EXPECT_FALSE(fs::exists(Path(gone))) << gone;

  // A restore keeps the file's permissions, with a backup ending of its own.
  fs::remove(Path("d/sub/new.sql"));
  ASSERT_EQ(Run("files d --tables t --mask '*.sql' --backup .orig").Status, 0);
  fs::permissions(Path("d/a.sql"), fs::perms::owner_read | fs::perms::owner_write);
  r = Run("files d --mask '*.sql' --backup .orig --restore --verbose");
  EXPECT_EQ(r.Status, 0);
  EXPECT_EQ(r.Err, "restored: d/a.sql\nsummary: 1 restored, 0 without a backup, 0 failed\n");
  EXPECT_EQ(Read("d/a.sql"), a);
  EXPECT_EQ(fs::status(Path("d/a.sql")).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write);

  // A restore needs a backup ending, and is no dry run.
  EXPECT_EQ(Run("files d --restore --backup ''").Status, 2);
  EXPECT_EQ(Run("files d --restore --dry-run").Status, 2);
}

TEST_F(FilesCli, ASecondRunNeverOverwritesTheOriginalsInTheBackups) {
  const std::string original = "select Ime from Kupac\n";
  for (char c = 'a'; c <= 'g'; ++c)
    Write(std::string("d/") + c + ".sql", original);
  Write("d/same.sql", "nothing to translate\r\n");
  ASSERT_EQ(Run("files d --tables t --mask '*.sql'").Status, 0);
  // A backup behind a link is read through it, as the copy would write it.
  fs::remove(Path("d/g.sqlbak"));
  Write("elsewhere/g.keep", original);
  fs::create_symlink("../elsewhere/g.keep", Path("d/g.sqlbak"));

  // Refused, the first five named and the rest counted; nothing touched.
  const std::string refused =
      "qualtren-cli: 7 backups hold other bytes than their files, and this run would overwrite "
      "them: d/a.sqlbak, d/b.sqlbak, d/c.sqlbak, d/d.sqlbak, d/e.sqlbak and 2 more\n"
      "qualtren-cli: nothing was touched: put the files back first (--restore), move the "
      "backups away, or give --overwrite-backups\n";
  EXPECT_EQ(ExpectRun("files d --tables t --mask '*.sql' --jobs 3", 2, refused).Out, "");
  for (char c = 'a'; c <= 'f'; ++c)
    EXPECT_EQ(Read(std::string("d/") + c + ".sqlbak"), original) << c;
  EXPECT_EQ(Read("elsewhere/g.keep"), original);
  EXPECT_EQ(Read("d/a.sql"), "select Name from Customer\r\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(Path("d")), fs::directory_iterator()), 16);

  // One clash is named alone; a backup equal to its file is none.
  for (char c = 'b'; c <= 'g'; ++c)
    fs::remove(Path(std::string("d/") + c + ".sql"));
  ExpectRun("files d --tables t --mask '*.sql'", 2,
            "qualtren-cli: 1 backup holds other bytes than its file, and this run would overwrite "
            "it: d/a.sqlbak\n"
            "qualtren-cli: nothing was touched: put the files back first (--restore), move the "
            "backups away, or give --overwrite-backups\n");

  // A dry run, a run without backups and a restore are as they were.
  ExpectRun("files d --tables t --mask '*.sql' --dry-run", 0,
            "summary: 0 would change, 2 would not change, 0 would be left untouched, 0 failed\n");
  ExpectRun("files d --tables t --mask '*.sql' --backup=", 0,
            "summary: 2 translated, 0 left untouched, 0 failed\n");
  EXPECT_EQ(Read("d/a.sqlbak"), original);

  // --overwrite-backups goes on and replaces the backup, as runs did before.
  ExpectRun("files d --tables t --mask '*.sql' --overwrite-backups", 0,
            "summary: 2 translated, 0 left untouched, 0 failed\n");
  EXPECT_EQ(Read("d/a.sqlbak"), "select Name from Customer\r\n");
  ExpectRun("files d --mask '*.sql' --restore", 0,
            "summary: 2 restored, 0 without a backup, 0 failed\n");
}

TEST_F(FilesCli, ProgressIsShownOnATerminalOnly) {
  Write("d/a.sql", "exec Obracun");
  Write("d/b.sql", "exec Obracun");
  // On a terminal: a line redrawn in place, then erased before the summary.
  RunResult r = RunOnTerminal("files d --tables t --mask '*.sql' --dry-run");
  EXPECT_EQ(r.Status, 1);
  EXPECT_NE(r.Err.find("\r[0/2] 0:00 d/a.sql\x1b[K"), std::string::npos) << r.Err;
  EXPECT_NE(r.Err.find("\r\x1b[Ksummary: 2 would change"), std::string::npos) << r.Err;
  EXPECT_EQ(r.Out.substr(0, 14), "--- a/d/a.sql\n");
  r = RunOnTerminal("files d --tables t --mask '*.sql' --dry-run --quiet");
  EXPECT_EQ(r.Err.find('\x1b'), std::string::npos) << r.Err;
  r = RunOnTerminal("report --tables t --mask '*.sql' d");
  EXPECT_NE(r.Err.find("\r[0/2] 0:00 d/a.sql\x1b[K"), std::string::npos) << r.Err;

  // translate shows the bytes read once the input is over a mebibyte.
  std::string big;
  while (big.size() < (3u << 20))
    big += "select Iznos from Racun\r\n";
  Write("big.sql", big);
  r = RunOnTerminal("translate --tables t big.sql");
  EXPECT_EQ(r.Status, 0);
  EXPECT_NE(r.Err.find(" of 3.0 MiB read, 0:0"), std::string::npos) << r.Err;
  EXPECT_TRUE(r.Err.ends_with("\r\x1b[K")) << r.Err;  // erased at the end
  EXPECT_EQ(RunOnTerminal("translate --quiet --tables t big.sql").Err, "");

  // Not a terminal: nothing but the summary.
  r = Run("files d --tables t --mask '*.sql' --dry-run");
  EXPECT_EQ(r.Err,
            "summary: 2 would change, 0 would not change, 0 would be left untouched, 0 failed\n");
  EXPECT_EQ(Run("translate --tables t big.sql").Err, "");
}

}  // namespace
}  // namespace qualtren::clitest
