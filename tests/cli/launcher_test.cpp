// Tests of the launcher of the menu entry (packaging/qualtren-menu), laid
// out as installed beside a stand-in for the window that writes down the
// folder it starts in and its arguments.
#include <cstdlib>
#include <string>

#include "cli_fixture.h"

namespace qualtren::clitest {
namespace {

using Launcher = CliTest;

TEST_F(Launcher, StartsTheWindowInTheTablesFolderMadeWithTheSamples) {
  const char* source = std::getenv("QUALTREN_SOURCE");  // ctest names the source tree
  const fs::path examples = fs::path(source ? source : ".") / "examples";
  const char* tables[] = {"Q47SifTable.vtd", "Q47SifSQL_SP.vtd", "Q47SifTableStr.vtd"};
  fs::create_directories(Path("p/bin"));
  fs::create_directories(Path("p/share/qualtren"));
  fs::create_directories(Path("cwd"));
  fs::copy(examples.parent_path() / "packaging/qualtren-menu", Path("p/bin/qualtren-menu"));
  fs::create_directory_symlink(examples, Path("p/share/qualtren/examples"));
  Write("p/bin/qualtren", "#!/bin/sh\n{ pwd; printf '%s\\n' \"$@\"; } > \"$LOG\"\n");
  fs::permissions(Path("p/bin/qualtren"), fs::perms::owner_all);
  Write("file", "a file where the data folder should be");
  Write("own/qualtren/Q47SifTable.vtd", "the user's own");

  const std::string cwd = Path("cwd").string(), home = Quote(Path("home").string());
  const struct {
    std::string Environment, Folder, Err;  // Folder: where the window starts, below dir_
  } cases[] = {
      {"HOME=" + home + " XDG_DATA_HOME=" + Quote(Path("xdg").string()), "xdg/qualtren", ""},
      {"HOME=" + home, "home/.local/share/qualtren", ""},
      {"HOME=" + home + " XDG_DATA_HOME=", "home/.local/share/qualtren", ""},
      {"HOME=" + home + " XDG_DATA_HOME=xdg", "home/.local/share/qualtren", ""},  // relative
      {"XDG_DATA_HOME=" + Quote(Path("own").string()), "own/qualtren", ""},
      {"", "cwd", "neither XDG_DATA_HOME nor HOME is set: the window starts in " + cwd},
      {"XDG_DATA_HOME=" + Quote(Path("file").string()), "cwd",
       "cannot make the tables folder " + Path("file").string() +
           "/qualtren: the window starts in " + cwd},
  };
  for (const auto& c : cases) {
    fs::remove_all(Path("xdg"));
    fs::remove_all(Path("home"));
    const RunResult r = Execute(
        "cd " + Quote(cwd) + " && env -i PATH=/usr/bin:/bin LOG=" + Quote(Path("log").string()) +
        " " + c.Environment + " ../p/bin/qualtren-menu one 'two words' >" +
        Quote(Path(".stdout").string()) + " 2>" + Quote(Path(".stderr").string()));
    EXPECT_EQ(r.Status, 0) << c.Environment;
    EXPECT_EQ(Read("log"), Path(c.Folder).string() + "\none\ntwo words\n") << c.Environment;
    EXPECT_EQ(r.Err.empty(), c.Err.empty()) << r.Err;
    EXPECT_NE(r.Err.find(c.Err), std::string::npos) << r.Err;
    if (c.Folder == "cwd") continue;
    for (const char* t : tables) {
      if (c.Folder == "own/qualtren")  // the user's own tables stay as they are
        EXPECT_EQ(Read(c.Folder + "/" + t), t == tables[0] ? "the user's own" : "") << t;
      else
        EXPECT_EQ(Read(c.Folder + "/" + t), Read("p/share/qualtren/examples/" + std::string(t)));
    }
  }
}

}  // namespace
}  // namespace qualtren::clitest
