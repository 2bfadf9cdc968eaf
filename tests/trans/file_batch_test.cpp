// Tests of committing the files of a batch in groups: where groups end,
// failures inside a group, backups as links that keep modes and owners,
// copies for files with several hard links or left as they were, and no
// name of a temporary file in sight before or after a commit.
#include "trans/file_batch.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "base/exception.h"
#include "base/stream.h"
#include "temp_dir.h"

namespace qualtren {
namespace {

namespace fs = std::filesystem;

// A translation that marks each text: "T:" + the text. A text holding a NUL
// byte is refused as such, one holding "FAIL" fails.
TStreamOutcome Mark(TStream& in, TStream& out) {
  std::string text(static_cast<size_t>(in.Size()), '\0');
  in.ReadBuffer(text.data(), text.size());
  TStreamOutcome outcome;
  if (text.find('\0') != std::string::npos) {
    outcome.status = TStreamOutcome::Status::HoldsNul;
  } else if (text.find("FAIL") != std::string::npos) {
    outcome.status = TStreamOutcome::Status::Failed;
    outcome.Error = "the names cannot be looked up";
  } else {
    out.WriteBytes("T:" + text);
  }
  return outcome;
}

class FileBatchTest : public ::testing::Test {
 protected:
  std::string Path(const std::string& name) const { return dir_ + "/" + name; }
  void Write(const std::string& name, const std::string& bytes, unsigned mode = 0644) const {
    fs::create_directories(fs::path(Path(name)).parent_path());
    std::ofstream(Path(name), std::ios::binary) << bytes;
    ::chmod(Path(name).c_str(), mode);
  }
  std::string Read(const std::string& name) const { return ReadWholeFile(Path(name)); }
  static struct stat Stat(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
    return st;
  }
  // The names in a directory, hidden ones included, sorted.
  std::vector<std::string> Entries(const std::string& name = "") const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(Path(name)))
      names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  TPreparedFile Prepare(const std::string& name) const { return PrepareFile(Mark, Path(name)); }
  // What a committed file says: its error's message with the reason, or its
  // outcome.
  static std::string Said(const TCommittedFile& file) {
    if (file.Error) {
      try {
        std::rethrow_exception(file.Error);
      } catch (const std::exception& e) {
        return MessageWithReason(e);
      }
    }
    switch (file.Outcome.kind) {
      case TFileOutcome::Kind::Translated:
        return "translated";
      case TFileOutcome::Kind::HoldsNul:
        return "holds NUL";
      case TFileOutcome::Kind::BadEncoding:
        return "bad encoding";
      case TFileOutcome::Kind::TranslationFailed:
        return "failed: " + file.Outcome.Error;
    }
    return "?";
  }
  static TBatchOptions Options(size_t groupFiles, const std::string& ending = "bak") {
    TBatchOptions options;
    options.BackupEnding = ending;
    options.GroupFiles = groupFiles;
    return options;
  }

  testsupport::TTempDir temp_{"qualtren-batch"};
  const std::string& dir_ = temp_.Path();
};

class FileBatchSyncTest : public FileBatchTest, public ::testing::WithParamInterface<bool> {};

// With one syncfs for a group, and with an fsync of each file, as on file
// systems whose syncfs does not reach the storage.
INSTANTIATE_TEST_SUITE_P(SyncfsAndEachFile, FileBatchSyncTest, ::testing::Bool());

TEST_P(FileBatchSyncTest, AGroupIsCommittedWhenFullAndNothingIsNamedBefore) {
  for (const char* name : {"a", "b", "c", "d", "e"})
    Write(name, std::string("old ") + name);
  const ino_t inodeOfA = Stat(Path("a")).st_ino;
  TBatchOptions options = Options(2);
  options.SyncEachFile = GetParam();
  TFileBatch batch(options);

  EXPECT_TRUE(batch.Add(Prepare("a")).empty());
  // Translated but not committed: the file as it was, and no name of a
  // temporary file (where the file system makes files without names).
  EXPECT_EQ(Read("a"), "old a");
  TPreparedFile b = Prepare("b");
  ASSERT_TRUE(b.Replaces());
  if (!b.Output->Named()) {
    EXPECT_EQ(Entries(), (std::vector<std::string>{"a", "b", "c", "d", "e"}));
  }
  std::vector<TCommittedFile> done = batch.Add(std::move(b));
  ASSERT_EQ(done.size(), 2u);
  EXPECT_EQ(done[0].Name, Path("a"));
  EXPECT_EQ(done[1].Name, Path("b"));
  EXPECT_EQ(Said(done[0]), "translated");
  EXPECT_EQ(Read("a"), "T:old a");
  EXPECT_EQ(Read("b"), "T:old b");
  // The backup is the original itself, under the backup's name.
  EXPECT_EQ(Read("abak"), "old a");
  EXPECT_EQ(Stat(Path("abak")).st_ino, inodeOfA);
  EXPECT_EQ(Stat(Path("abak")).st_nlink, 1u);

  EXPECT_TRUE(batch.Add(Prepare("c")).empty());
  EXPECT_EQ(batch.Add(Prepare("d")).size(), 2u);
  EXPECT_TRUE(batch.Add(Prepare("e")).empty());
  EXPECT_EQ(Read("e"), "old e");
  done = batch.Finish();
  ASSERT_EQ(done.size(), 1u);
  EXPECT_EQ(Read("e"), "T:old e");
  EXPECT_EQ(Entries(), (std::vector<std::string>{"a", "abak", "b", "bbak", "c", "cbak", "d", "dbak",
                                                 "e", "ebak"}));

  // A group also ends at its bytes: here every file fills one.
  TBatchOptions bytes = Options(100);
  bytes.GroupBytes = 1;
  bytes.SyncEachFile = GetParam();
  TFileBatch byBytes(bytes);
  EXPECT_EQ(byBytes.Add(Prepare("a")).size(), 1u);
  EXPECT_EQ(Read("a"), "T:T:old a");
  EXPECT_EQ(Read("abak"), "T:old a");  // an older backup is replaced
  EXPECT_TRUE(byBytes.Finish().empty());
}

TEST_P(FileBatchSyncTest, AFailureInsideAGroupFailsThatFileAloneAndLeavesItsBackupACopy) {
  Write("ok", "fine");
  Write("dirbackup", "its backup cannot be made");
  fs::create_directories(Path("dirbackupbak"));
  Write("readonly", "may not be written", 0444);
  Write("nul", std::string("a\0b", 3));
  Write("fails", "FAIL here");
  Write("unsynced", "its translation does not reach the disk");
  Write("gone", "removed before its commit");

  TBatchOptions options = Options(100);
  options.SyncEachFile = GetParam();
  options.SyncFault = [this](const std::string& name) {
    return name == Path("unsynced") ? EIO : 0;
  };
  TFileBatch batch(options);
  for (const char* name : {"ok", "dirbackup", "readonly", "nul", "fails", "unsynced", "gone"})
    EXPECT_TRUE(batch.Add(Prepare(name)).empty());
  fs::remove(Path("gone"));
  const std::vector<TCommittedFile> done = batch.Finish();
  ASSERT_EQ(done.size(), 7u);
  EXPECT_EQ(Said(done[0]), "translated");
  EXPECT_EQ(Said(done[1]),
            "Cannot create file " + Path("dirbackupbak") + " (" + std::strerror(EISDIR) + ")");
  EXPECT_EQ(Said(done[2]),
            "Cannot create file " + Path("readonly") + " (" + std::strerror(EACCES) + ")");
  EXPECT_EQ(Said(done[3]), "holds NUL");
  EXPECT_EQ(Said(done[4]), "failed: the names cannot be looked up");
  EXPECT_EQ(Said(done[5]),
            "Cannot create file " + Path("unsynced") + " (" + std::strerror(EIO) + ")");
  // The backup of a file that is gone cannot be made; the file is not made again.
  EXPECT_EQ(Said(done[6]).rfind("Cannot open file " + Path("gone"), 0), 0u) << Said(done[6]);
  EXPECT_FALSE(fs::exists(Path("gone")));

  EXPECT_EQ(Read("ok"), "T:fine");
  EXPECT_EQ(Read("dirbackup"), "its backup cannot be made");
  // Every file left as it was has a backup of its own: a copy, never a
  // second name of the file.
  for (const char* name : {"readonly", "nul", "fails", "unsynced"}) {
    const std::string file = Path(name), backup = file + "bak";
    EXPECT_EQ(ReadWholeFile(backup), ReadWholeFile(file)) << name;
    EXPECT_NE(Stat(backup).st_ino, Stat(file).st_ino) << name;
    EXPECT_EQ(Stat(file).st_nlink, 1u) << name;
  }
  EXPECT_EQ(Stat(Path("readonlybak")).st_mode & 07777, 0444u);
  for (const std::string& entry : Entries())
    EXPECT_NE(entry[0], '.') << entry;
}

// A run that stops at its first failure, however the file fails (before
// its commit, at its backup or at its sync): the files before it are
// committed, and those after it keep their bytes and get no backup of
// their own making (a backup linked before a failed sync becomes a copy).
TEST_P(FileBatchSyncTest, StoppingAtTheFirstFailureSkipsTheRestOfTheGroup) {
  for (const std::string how : {"readonly", "backup", "sync"}) {
    SCOPED_TRACE(how);
    fs::remove_all(Path("run"));
    Write("run/a", "first");
    Write("run/fail", "fails " + how, how == "readonly" ? 0444 : 0644);
    if (how == "backup") fs::create_directories(Path("run/failbak"));
    Write("run/z", "after");
    TBatchOptions options = Options(10);
    options.SyncEachFile = GetParam();
    options.StopAtFailure = true;
    options.SyncFault = [&](const std::string& name) {
      return how == "sync" && name == Path("run/fail") ? EIO : 0;
    };
    TFileBatch batch(options);
    for (const char* name : {"run/a", "run/fail", "run/z"})
      EXPECT_TRUE(batch.Add(Prepare(name)).empty());
    const std::vector<TCommittedFile> done = batch.Finish();
    ASSERT_EQ(done.size(), 3u);
    EXPECT_EQ(Said(done[0]), "translated");
    EXPECT_FALSE(done[0].Skipped);
    EXPECT_EQ(Said(done[1]).rfind("Cannot create file " + Path("run/fail"), 0), 0u)
        << Said(done[1]);
    EXPECT_FALSE(done[1].Skipped);
    EXPECT_TRUE(done[2].Skipped);
    EXPECT_EQ(Read("run/a"), "T:first");
    EXPECT_EQ(Read("run/abak"), "first");
    EXPECT_EQ(Read("run/fail"), "fails " + how);
    EXPECT_EQ(Read("run/z"), "after");
    EXPECT_EQ(Stat(Path("run/z")).st_nlink, 1u);
    EXPECT_EQ(fs::exists(Path("run/zbak")), how == "sync");
    for (const std::string& entry : Entries("run"))
      EXPECT_NE(entry[0], '.') << entry;
  }
}

TEST_F(FileBatchTest, LinksModesAndOwnersStay) {
  Write("other/target", "through a link", 0640);
  fs::create_directories(Path("here"));
  fs::create_symlink("../other/target", Path("here/link"));
  Write("here/exec", "a script", 0755);
  const ino_t inodeOfTarget = Stat(Path("other/target")).st_ino;

  TFileBatch batch(Options(10));
  EXPECT_TRUE(batch.Add(Prepare("here/link")).empty());
  EXPECT_TRUE(batch.Add(Prepare("here/exec")).empty());
  ASSERT_EQ(batch.Finish().size(), 2u);

  // The link stays a link, the file it leads to is rewritten beside itself,
  // and the backup stands beside the link: the original's inode.
  EXPECT_TRUE(fs::is_symlink(Path("here/link")));
  EXPECT_EQ(Read("other/target"), "T:through a link");
  EXPECT_EQ(Stat(Path("other/target")).st_mode & 07777, 0640u);
  EXPECT_EQ(Read("here/linkbak"), "through a link");
  EXPECT_EQ(Stat(Path("here/linkbak")).st_ino, inodeOfTarget);
  EXPECT_EQ(Stat(Path("here/linkbak")).st_mode & 07777, 0640u);
  EXPECT_EQ(Entries("other"), std::vector<std::string>{"target"});
  EXPECT_EQ(Stat(Path("here/exec")).st_mode & 07777, 0755u);
  EXPECT_EQ(Stat(Path("here/execbak")).st_mode & 07777, 0755u);

  // Owner and group stay, of the file and of its backup.
  if (::geteuid() != 0) GTEST_SKIP() << "changing owners needs root";
  Write("owned", "owned", 0640);
  ASSERT_EQ(::chown(Path("owned").c_str(), 4321, 4322), 0);
  TFileBatch owned(Options(1));
  ASSERT_EQ(owned.Add(Prepare("owned")).size(), 1u);
  for (const char* name : {"owned", "ownedbak"}) {
    EXPECT_EQ(Stat(Path(name)).st_uid, 4321u) << name;
    EXPECT_EQ(Stat(Path(name)).st_gid, 4322u) << name;
    EXPECT_EQ(Stat(Path(name)).st_mode & 07777, 0640u) << name;
  }
}

TEST_F(FileBatchTest, AFileWithSeveralHardLinksGetsACopyAsItsBackup) {
  Write("f", "shared");
  ASSERT_EQ(::link(Path("f").c_str(), Path("g").c_str()), 0);
  // An older backup that is read-only is replaced all the same.
  Write("fbak", "older", 0444);
  TFileBatch batch(Options(10));
  EXPECT_TRUE(batch.Add(Prepare("f")).empty());
  ASSERT_EQ(batch.Finish().size(), 1u);
  EXPECT_EQ(Read("f"), "T:shared");
  EXPECT_EQ(Read("g"), "shared");  // the other name keeps the old bytes
  EXPECT_EQ(Read("fbak"), "shared");
  EXPECT_NE(Stat(Path("fbak")).st_ino, Stat(Path("g")).st_ino);
  EXPECT_EQ(Stat(Path("g")).st_nlink, 1u);

  // A backup that a killed run linked to its file before replacing it is
  // kept as it is, and the file is replaced.
  Write("h", "half done");
  ASSERT_EQ(::link(Path("h").c_str(), Path("hbak").c_str()), 0);
  const ino_t inodeOfH = Stat(Path("h")).st_ino;
  TFileBatch again(Options(1));
  ASSERT_EQ(again.Add(Prepare("h")).size(), 1u);
  EXPECT_EQ(Read("h"), "T:half done");
  EXPECT_EQ(Stat(Path("hbak")).st_ino, inodeOfH);
  EXPECT_EQ(Stat(Path("hbak")).st_nlink, 1u);
}

TEST_F(FileBatchTest, WithoutBackupsAndWithoutFinishingNothingStrayIsLeft) {
  Write("a", "one");
  Write("b", "two");
  {
    TFileBatch batch(Options(10, ""));
    EXPECT_TRUE(batch.Add(Prepare("a")).empty());
    EXPECT_TRUE(batch.Add(Prepare("b")).empty());
    // Dropped before a commit: the files stay as they were.
  }
  EXPECT_EQ(Read("a"), "one");
  EXPECT_EQ(Entries(), (std::vector<std::string>{"a", "b"}));
  TFileBatch batch(Options(10, ""));
  EXPECT_TRUE(batch.Add(Prepare("a")).empty());
  ASSERT_EQ(batch.Finish().size(), 1u);
  EXPECT_EQ(Read("a"), "T:one");
  EXPECT_EQ(Entries(), (std::vector<std::string>{"a", "b"}));
}

}  // namespace
}  // namespace qualtren
