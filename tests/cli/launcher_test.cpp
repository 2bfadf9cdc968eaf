// Tests of the launcher of the menu entry (packaging/qualtren-menu), laid
// out as installed beside a stand-in for the window that writes down where
// it started: the tables folder under XDG_DATA_HOME or HOME, made with the
// sample tables, a folder of the user's own left alone, and a start in the
// current folder when no tables folder can be had.
#include <cstdlib>
#include <string>
#include <vector>

#include "cli_fixture.h"

namespace qualtren::clitest {
namespace {

class Launcher : public CliTest {
 protected:
  void SetUp() override {
    CliTest::SetUp();
    const char* source = std::getenv("QUALTREN_SOURCE");  // ctest names the source tree
    const fs::path root = source ? source : ".";
    fs::create_directories(Path("p/bin"));
    fs::create_directories(Path("p/share/qualtren/examples"));
    fs::copy_file(root / "packaging/qualtren-menu", Path("p/bin/qualtren-menu"));
    for (const char* t : kTables)
      fs::copy_file(root / "examples" / t, Path("p/share/qualtren/examples") / t);
    Write("p/bin/qualtren", "#!/bin/sh\n{ pwd; printf '%s\\n' \"$@\"; } > \"$WINDOW_LOG\"\n");
    fs::permissions(Path("p/bin/qualtren"), fs::perms::owner_all, fs::perm_options::add);
    fs::create_directories(Path("cwd"));
  }

  // Runs the launcher from cwd/ with only the given environment; what the
  // window wrote down (its folder, then its arguments) and the status.
  RunResult Launch(const std::string& environment) const {
    RunResult r =
        Execute("cd " + Quote(Path("cwd").string()) + " && env -i PATH=/usr/bin:/bin " +
                "WINDOW_LOG=" + Quote(Path("window.log").string()) + " " + environment + " " +
                Quote(Path("p/bin/qualtren-menu").string()) + " one 'two words' >" +
                Quote(Path(".stdout").string()) + " 2>" + Quote(Path(".stderr").string()));
    r.Out = Read("window.log");
    fs::remove(Path("window.log"));
    return r;
  }

  static constexpr const char* kTables[] = {"Q47SifTable.vtd", "Q47SifSQL_SP.vtd",
                                            "Q47SifTableStr.vtd"};
};

TEST_F(Launcher, StartsTheWindowInTheTablesFolderMadeWithTheSamples) {
  const std::string home = "HOME=" + Quote(Path("home").string());
  struct TCase {
    const char* Name;
    std::string Environment;
    std::string Folder;  // below the temporary directory
  };
  const std::vector<TCase> cases = {
      {"XDG_DATA_HOME", home + " XDG_DATA_HOME=" + Quote(Path("xdg").string()), "xdg/qualtren"},
      {"no XDG_DATA_HOME", home, "home/.local/share/qualtren"},
      {"an empty XDG_DATA_HOME", home + " XDG_DATA_HOME=", "home/.local/share/qualtren"},
      {"a relative XDG_DATA_HOME", home + " XDG_DATA_HOME=xdg", "home/.local/share/qualtren"},
  };
  for (const TCase& c : cases) {
    fs::remove_all(Path("xdg"));
    fs::remove_all(Path("home"));
    const RunResult r = Launch(c.Environment);
    EXPECT_EQ(r.Status, 0) << c.Name;
    EXPECT_EQ(r.Err, "") << c.Name;
    EXPECT_EQ(r.Out, Path(c.Folder).string() + "\none\ntwo words\n") << c.Name;
    size_t entries = 0;
    for (const auto& e : fs::directory_iterator(Path(c.Folder))) {
      (void)e;
      ++entries;
    }
    EXPECT_EQ(entries, 3u) << c.Name;
    for (const char* t : kTables)
      EXPECT_EQ(Read(c.Folder + "/" + t), Read(std::string("p/share/qualtren/examples/") + t))
          << c.Name << " " << t;
  }
}

TEST_F(Launcher, LeavesTheUsersOwnTablesAlone) {
  const std::string env = "HOME=" + Quote(Path("home").string());
  Write("home/.local/share/qualtren/Q47SifTable.vtd", "the user's own");
  const RunResult r = Launch(env);
  EXPECT_EQ(r.Status, 0);
  EXPECT_EQ(r.Out, Path("home/.local/share/qualtren").string() + "\none\ntwo words\n");
  EXPECT_EQ(Read("home/.local/share/qualtren/Q47SifTable.vtd"), "the user's own");
  EXPECT_FALSE(fs::exists(Path("home/.local/share/qualtren/Q47SifTableStr.vtd")));
}

TEST_F(Launcher, StartsTheWindowWhereItIsWhenThereIsNoTablesFolder) {
  const std::string cwd = Path("cwd").string();
  RunResult r = Launch("");
  EXPECT_EQ(r.Status, 0);
  EXPECT_EQ(r.Out, cwd + "\none\ntwo words\n");
  EXPECT_EQ(r.Err, "qualtren-menu: neither XDG_DATA_HOME nor HOME is set: the window starts in " +
                       cwd + "\n");

  Write("file", "a file where the data folder should be");
  r = Launch("XDG_DATA_HOME=" + Quote(Path("file").string()));
  EXPECT_EQ(r.Out, cwd + "\none\ntwo words\n");
  EXPECT_NE(r.Err.find("qualtren-menu: cannot make the tables folder " + Path("file").string() +
                       "/qualtren: the window starts in " + cwd + "\n"),
            std::string::npos)
      << r.Err;
}

}  // namespace
}  // namespace qualtren::clitest
