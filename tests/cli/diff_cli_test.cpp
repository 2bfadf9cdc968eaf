// Tests of "translate --diff" and "files --dry-run": the unified diff byte
// for byte, the exit statuses, and diffs that patch turns into the
// translation while the dry run changes nothing.
#include <map>
#include <random>
#include <string>

#include "cli_fixture.h"

namespace qualtren::clitest {
namespace {

using DiffCli = CliTest;

std::string WithoutCr(std::string s) {
  std::erase(s, '\r');
  return s;
}

TEST_F(DiffCli, DiffsShowLinesWithTheirOwnBreaks) {
  MakeTables("t");

  // CR LF lines compare equal to the CR LF lines of the translation: only the
  // translated lines differ, shown with their CR.
  Write("crlf.sql", "select Iznos\r\nfrom Racun\r\nx = 1\r\n");
  RunResult r = Run("translate --tables t --diff crlf.sql");
  EXPECT_EQ(r.Status, 1) << r.Err;
  EXPECT_EQ(r.Out,
            "--- a/crlf.sql\n+++ b/crlf.sql\n@@ -1,3 +1,3 @@\n"
            "-select Iznos\r\n-from Racun\r\n+select Amount\r\n+from Invoice\r\n x = 1\r\n");
  EXPECT_EQ(r.Err, "");

  // LF lines against CR LF ones differ only where a name was replaced; a last
  // line without a break differs from the same line with one.
  r = Run("translate --tables t --diff -", "exec Obracun\nselect 1\nend");
  EXPECT_EQ(r.Status, 1);
  EXPECT_EQ(r.Out,
            "--- a/-\n+++ b/-\n@@ -1,3 +1,3 @@\n-exec Obracun\n+exec Settle\r\n select 1\n"
            "-end\n\\ No newline at end of file\n+end\r\n");

  // Nothing would change: no output, status 0, whatever the line breaks.
  for (const char* text : {"select 1\r\nx\r\n", "select 1\nx\n", "select 1\rx\r", ""}) {
    r = Run("translate --tables t --diff", text);
    EXPECT_EQ(r.Status, 0) << text;
    EXPECT_EQ(r.Out, "") << text;
  }

  // Three lines of context; changes with up to six lines between them share
  // a hunk, further apart they get one each. A lone CR shows as CR LF, a
  // range of one line has no count, comment lines are added lines.
  std::string text;
  for (int i = 1; i <= 20; ++i)
    text += (i == 2 || i == 9 || i == 19 ? "exec Obracun " : "line ") + std::to_string(i) + "\r";
  Write("far.sql", text);
  r = Run("translate --tables t --diff --comment '--prefix=-- ' far.sql");
  EXPECT_EQ(r.Status, 1);
  EXPECT_EQ(r.Out,
            "--- a/far.sql\n+++ b/far.sql\n"
            "@@ -1,12 +1,14 @@\n line 1\r\n-exec Obracun 2\r\n+-- exec Obracun 2\r\n"
            "+exec Settle 2\r\n line 3\r\n line 4\r\n line 5\r\n line 6\r\n line 7\r\n"
            " line 8\r\n-exec Obracun 9\r\n+-- exec Obracun 9\r\n+exec Settle 9\r\n line 10\r\n"
            " line 11\r\n line 12\r\n"
            "@@ -16,5 +18,6 @@\n line 16\r\n line 17\r\n line 18\r\n-exec Obracun 19\r\n"
            "+-- exec Obracun 19\r\n+exec Settle 19\r\n line 20\r\n");
  Write("one.sql", "exec Obracun");
  EXPECT_EQ(Run("translate --tables t --diff one.sql").Out,
            "--- a/one.sql\n+++ b/one.sql\n@@ -1 +1 @@\n-exec Obracun\n"
            "\\ No newline at end of file\n+exec Settle\r\n");

  // 2: input that cannot be read or translated, and nothing on standard output.
  Write("nul.sql", std::string("exec Obracun\0", 13));
  Write("fail.sql", "select Ime\r\n");
  MakeTables("broken", false);
  for (const char* args : {"--tables t nul.sql", "--tables t missing.sql",
                           "--tables broken fail.sql", "--tables nowhere crlf.sql"}) {
    r = Run(std::string("translate --diff ") + args);
    EXPECT_EQ(r.Status, 2) << args;
    EXPECT_EQ(r.Out, "") << args;
    EXPECT_EQ(r.Err.rfind("qualtren-cli: ", 0), 0u) << args;
  }
  EXPECT_EQ(Run("translate --diff --tables broken fail.sql").Err,
            "qualtren-cli: the translation failed: tbTableStr_Trans: Field 'FieldNameAng' not "
            "found\n");
}

TEST_F(DiffCli, DryRunChangesNothingAndItsDiffPatchesIntoTheTranslation) {
  MakeTables("t");
  // A random tree: lines with and without names, CR LF, LF and mixed breaks,
  // last lines without a break, and lines that stand more than once.
  const std::vector<std::string> lines = {
      "select Iznos, Kupac", "from Racun", "where Ime = 'x'", "",
      "exec Obracun 1",      "x = 1",      "Kupac",           "-- a note"};
  std::mt19937 random(14);
  std::map<std::string, std::string> files;
  for (int k = 0; k < 24; ++k) {
    const std::string name = std::string("d/") +
                             (k % 3 == 0   ? "sub/"
                              : k % 3 == 1 ? ""
                                           : "sub/x/") +
                             "f" + std::to_string(k) + ".sql";
    std::string text;
    const int n = static_cast<int>(random() % 30);
    const int breaks = static_cast<int>(random() % 3);
    for (int i = 0; i < n; ++i) {
      text += lines[random() % lines.size()];
      const bool crlf = breaks == 0 || (breaks == 2 && random() % 2 == 0);
      text += crlf ? "\r\n" : "\n";
    }
    if (n > 0 && random() % 4 == 0) text += "exec Obracun";
    Write(name, text);
    files[name] = text;
  }

  RunResult r = Run("files d --tables t --mask '*.sql' --recursive --dry-run --jobs 3");
  EXPECT_EQ(r.Status, 1) << r.Err;
  for (const auto& [name, text] : files)
    EXPECT_EQ(Read(name), text) << name;  // not a byte changed, no backup made
  EXPECT_FALSE(fs::exists(Path("d/f1.sqlbak")));
  const std::string diff = r.Out;
  Write("patch.diff", diff);
  EXPECT_EQ(diff, Run("files d --tables t --mask '*.sql' --recursive --dry-run --jobs 1").Out);

  // The diff applied to a copy gives the translation, but for the breaks of
  // the lines that it leaves alone.
  fs::create_directories(Path("copy"));
  fs::copy(Path("d"), Path("copy/d"), fs::copy_options::recursive);
  ASSERT_EQ(Shell("cd copy && patch -p1 -s --binary --no-backup-if-mismatch <../patch.diff"), 0);
  r = Run("files d --tables t --mask '*.sql' --recursive --backup ''");
  ASSERT_EQ(r.Status, 0) << r.Err;
  int changed = 0;
  for (const auto& [name, text] : files) {
    EXPECT_EQ(WithoutCr(Read("copy/" + name)), WithoutCr(Read(name))) << name;
    changed += WithoutCr(text) != WithoutCr(Read(name)) ? 1 : 0;
  }
  EXPECT_EQ(r.Err, "summary: 24 translated, 0 left untouched, 0 failed\n");
  EXPECT_GT(changed, 0);

  // A translated tree: nothing would change, status 0, and the summary says so.
  r = Run("files d --tables t --mask '*.sql' --recursive --dry-run");
  EXPECT_EQ(r.Status, 0);
  EXPECT_EQ(r.Out, "");
  EXPECT_EQ(r.Err,
            "summary: 0 would change, 24 would not change, 0 would be left untouched, 0 failed\n");

  // 2: a file that the run would leave untouched; the others are still shown.
  Write("e/a.sql", "exec Obracun\r\n");
  Write("e/b.sql", std::string("exec Obracun\0", 13));
  r = Run("files e --tables t --mask '*.sql' --dry-run --verbose");
  EXPECT_EQ(r.Status, 2);
  EXPECT_EQ(r.Out, "--- a/e/a.sql\n+++ b/e/a.sql\n@@ -1 +1 @@\n-exec Obracun\r\n+exec Settle\r\n");
  EXPECT_EQ(r.Err,
            "would change: e/a.sql\n"
            "qualtren-cli: would be left untouched: e/b.sql: the file holds a NUL byte\n"
            "summary: 1 would change, 0 would not change, 1 would be left untouched, 0 failed\n");
}

}  // namespace
}  // namespace qualtren::clitest
