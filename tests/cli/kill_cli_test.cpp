// Crash tests of "qualtren-cli files": runs killed at random moments lose no
// byte (every file holds its old bytes or its whole translation, every backup
// is whole), leave no partly written temporary file even before the next run
// (where the file system makes files without names), and the next run leaves
// nothing stray behind; a file system that fills up during a run loses
// nothing either, and the messages say why.
#include <fcntl.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <iostream>
#include <random>
#include <string>
#include <thread>

#include "base/stream.h"
#include "cli_fixture.h"

namespace qualtren::clitest {
namespace {

class KillCli : public CliTest {
 protected:
  // No more than one temporary file lies in "d", holding the whole
  // translation of the file it was to replace; `killsLeavingOne` counts
  // the times there is one.
  void CheckTemporaries(const std::vector<std::string>& translated, const std::string& when,
                        int& killsLeavingOne) {
    int temporaries = 0;
    for (const auto& e : fs::directory_iterator(Path("d"))) {
      const std::string file = e.path().filename().string();
      if (file[0] != '.') continue;
      ++temporaries;
      std::string target;
      EXPECT_TRUE(IsTemporaryFileName(file, &target)) << when << file;
      const int i = std::atoi(target.c_str() + 1) - 1000;
      ASSERT_TRUE(i >= 0 && i < static_cast<int>(translated.size()) &&
                  "/" + target == "/f" + std::to_string(1000 + i) + ".sql")
          << when << file;
      EXPECT_EQ(Read("d/" + file), translated[i]) << when << file;
    }
    EXPECT_LE(temporaries, 1) << when;
    if (temporaries != 0) ++killsLeavingOne;
  }
};

// Starts "files d" in `dir`, going on over the backups that the runs before
// it made, and kills it after `delay`; `status` is how the run ended.
void KillFilesRunAfter(const fs::path& dir, const std::string& cli,
                       std::chrono::duration<double, std::nano> delay, int& status) {
  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    if (::chdir(dir.c_str()) != 0) ::_exit(127);
    const int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, 1);
    ::dup2(null, 2);
    // Each run goes on over the backups that the runs before it made.
    ::execl(cli.c_str(), "qualtren-cli", "files", "d", "--tables", "t", "--mask", "*.sql", "--jobs",
            "2", "--overwrite-backups", static_cast<char*>(nullptr));
    ::_exit(127);
  }
  std::this_thread::sleep_for(delay);
  ::kill(pid, SIGKILL);
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
}

// After a run that finished: `dir` holds its `files` files and a backup of
// each, nothing else, and no backup is another name of its file.
void ExpectFilesAndWholeBackupsOnly(const fs::path& dir, int kFiles) {
  size_t entries = 0;
  for (const auto& e : fs::directory_iterator(dir)) {
    const std::string file = e.path().filename().string();
    EXPECT_TRUE(file.size() == 9 || (file.size() == 12 && file.substr(9) == "bak")) << file;
    ++entries;
  }
  EXPECT_EQ(entries, 2u * kFiles);
  // Every file was replaced: no backup is another name of its file.
  for (int i = 0; i < kFiles; ++i) {
    const std::string name = "/f" + std::to_string(1000 + i) + ".sql";
    struct stat st;
    ASSERT_EQ(::stat((dir.string() + name + "bak").c_str(), &st), 0) << name;
    EXPECT_EQ(st.st_nlink, 1u) << name;
  }
}

TEST_F(KillCli, KilledRunsLoseNothingAndTheNextRunLeavesNothingStray) {
  MakeTables("t");
  constexpr int kFiles = 240;
  auto name = [](int i) { return "/f" + std::to_string(1000 + i) + ".sql"; };
  auto original = [](int i) {
    std::string text;
    for (int line = 0; line < 1 + i % 50; ++line)
      text += "select Ime, Grad\nfrom Kupac -- " + std::to_string(i) + "\n";
    return text;
  };
  // The translations, made by a run that nobody stops; translating them
  // again changes nothing, so a file is right in exactly two states.
  for (int i = 0; i < kFiles; ++i) {
    Write("d" + name(i), original(i));
    Write("ref" + name(i), original(i));
  }
  // Its length sets when the killed runs are killed: somewhere inside.
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(Run("files ref --tables t --mask '*.sql' --jobs 2").Status, 0);
  const auto length = std::chrono::steady_clock::now() - start;
  std::vector<std::string> translated;
  for (int i = 0; i < kFiles; ++i)
    translated.push_back(Read("ref" + name(i)));
  ASSERT_EQ(Read("ref" + name(0) + "bak"), original(0));

  auto checkFiles = [&](const std::string& when) {
    for (int i = 0; i < kFiles; ++i) {
      const std::string now = Read("d" + name(i));
      EXPECT_TRUE(now == original(i) || now == translated[i]) << when << name(i);
      if (fs::exists(Path("d" + name(i) + "bak"))) {
        const std::string backup = Read("d" + name(i) + "bak");
        EXPECT_TRUE(backup == original(i) || backup == translated[i]) << when << name(i);
      }
    }
  };

  // Where the directory's file system makes files without names, a killed
  // run leaves no temporary file behind. One file at most can lie under a
  // hidden name: the translation that was linked under a temporary name and
  // not yet renamed over its file when the kill came (no call links a file
  // over an existing name); it then holds its whole translation.
  const int probe = ::open(Path("d").c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  const bool unnamedFiles = probe >= 0;
  if (probe >= 0) ::close(probe);
  if (!unnamedFiles)
    std::cout << "no O_TMPFILE in " << Path("d") << ": temporary files are checked only after the "
              << "next run\n";
  int killsLeavingOne = 0;

  std::mt19937 random(20261208);
  int killedMidway = 0;
  std::string exits;  // how the runs that were not killed ended
  for (int round = 0; round < 6; ++round) {
    int status = 0;
    ASSERT_NO_FATAL_FAILURE(
        KillFilesRunAfter(dir_, cli_, length * (0.05 + 0.85 * (random() % 1000) / 1000.0), status));
    if (WIFSIGNALED(status))
      ++killedMidway;
    else
      exits += " " + std::to_string(WEXITSTATUS(status));
    checkFiles("after kill " + std::to_string(round) + ": ");
    if (unnamedFiles)
      CheckTemporaries(translated, "after kill " + std::to_string(round) + ": ", killsLeavingOne);
  }
  EXPECT_GT(killedMidway, 0) << "exit statuses:" << exits;
  if (killsLeavingOne != 0)
    std::cout << killsLeavingOne << " kill(s) came between a link and its rename\n";

  // The next run finishes the work and removes what the killed ones left.
  const RunResult last = Run("files d --tables t --mask '*.sql' --overwrite-backups");
  EXPECT_EQ(last.Status, 0) << last.Err;
  checkFiles("after the last run: ");
  for (int i = 0; i < kFiles; ++i)
    EXPECT_TRUE(Read("d" + name(i)) == translated[i]) << name(i);
  ExpectFilesAndWholeBackupsOnly(Path("d"), kFiles);
}

TEST_F(KillCli, AFullFileSystemLosesNothingAndSaysWhy) {
  MakeTables("t");
  fs::create_directories(Path("small"));
  if (::mount("tmpfs", Path("small").c_str(), "tmpfs", 0, "size=256k") != 0)
    GTEST_SKIP() << "no tmpfs can be mounted here";
  struct Unmount {
    std::string path;
    ~Unmount() { ::umount2(path.c_str(), MNT_DETACH); }
  } unmount{Path("small")};

  // Six files of 30 KB, with backups: room for some of the work only.
  std::vector<std::string> originals;
  for (int i = 0; i < 6; ++i) {
    originals.push_back("select Ime from Kupac -- " + std::string(30000, 'x') + "\n");
    Write("small/f" + std::to_string(i) + ".sql", originals.back());
  }
  const RunResult r = Run("files small --tables t --mask '*.sql' --jobs 1");
  EXPECT_EQ(r.Status, 1);
  EXPECT_NE(r.Err.find("(No space left on device)\n"), std::string::npos) << r.Err;
  for (int i = 0; i < 6; ++i) {
    const std::string name = "small/f" + std::to_string(i) + ".sql";
    const std::string now = Read(name);
    EXPECT_TRUE(now == originals[i] ||
                now == "select Name from Customer -- " + std::string(30000, 'x') + "\r\n")
        << name;
    if (fs::exists(Path(name + "bak"))) {
      EXPECT_TRUE(Read(name + "bak") == originals[i]) << name;
    }
  }
  for (const auto& e : fs::directory_iterator(Path("small")))
    EXPECT_NE(e.path().filename().string()[0], '.') << e.path();
}

}  // namespace
}  // namespace qualtren::clitest
