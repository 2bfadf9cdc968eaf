// Tests of what an atomic replace keeps of a file: a symbolic link stays a
// link, modes and owners stay, a backup copy has its original's permissions;
// and of its temporary files: hidden, never listed, removed when stale.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "base/exception.h"
#include "base/stream.h"
#include "temp_dir.h"
#include "trans/file_list.h"

namespace qualtren {
namespace {

namespace fs = std::filesystem;

class ReplaceTest : public ::testing::Test {
 protected:
  std::string Path(const std::string& name) const { return dir_ + "/" + name; }
  void Write(const std::string& name, const std::string& bytes) const {
    fs::create_directories(fs::path(Path(name)).parent_path());
    std::ofstream(Path(name), std::ios::binary) << bytes;
  }
  static unsigned Mode(const std::string& path) {
    struct stat st;
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
  }
  // Everything in a directory, hidden files included.
  size_t Entries(const std::string& name) const {
    return static_cast<size_t>(
        std::distance(fs::directory_iterator(Path(name)), fs::directory_iterator()));
  }
  testsupport::TTempDir temp_{"qualtren-replace"};
  const std::string& dir_ = temp_.Path();
};

TEST_F(ReplaceTest, ALinkStaysALinkAndItsTargetIsRewrittenBesideIt) {
  Write("elsewhere/target.txt", "old");
  fs::create_directories(Path("here"));
  fs::create_symlink("../elsewhere/target.txt", Path("here/link.txt"));
  fs::create_symlink("link.txt", Path("here/link2.txt"));  // a link to the link

  ReplaceFileContents(Path("here/link2.txt"), "new");
  EXPECT_TRUE(fs::is_symlink(Path("here/link.txt")));
  EXPECT_TRUE(fs::is_symlink(Path("here/link2.txt")));
  EXPECT_EQ(ReadWholeFile(Path("elsewhere/target.txt")), "new");
  EXPECT_EQ(Entries("here"), 2u);
  EXPECT_EQ(Entries("elsewhere"), 1u);

  // A link that leads nowhere yet makes the file it names.
  fs::create_symlink("../elsewhere/new.txt", Path("here/dangling.txt"));
  ReplaceFileContents(Path("here/dangling.txt"), "made");
  EXPECT_EQ(ReadWholeFile(Path("elsewhere/new.txt")), "made");
  EXPECT_TRUE(fs::is_symlink(Path("here/dangling.txt")));

  // A loop of links is refused, named as given, with the reason.
  fs::create_symlink("loop2", Path("here/loop1"));
  fs::create_symlink("loop1", Path("here/loop2"));
  try {
    ReplaceFileContents(Path("here/loop1"), "x");
    ADD_FAILURE() << "no error";
  } catch (const EFCreateError& e) {
    EXPECT_EQ(MessageWithReason(e),
              "Cannot create file " + Path("here/loop1") + " (Too many levels of symbolic links)");
  }
}

TEST_F(ReplaceTest, ModesAndOwnersStayAndBackupsHaveTheirOriginalsPermissions) {
  for (unsigned mode : {0600u, 0640u, 0755u}) {
    Write("f.txt", "old");
    ::chmod(Path("f.txt").c_str(), mode);
    CopyFileOverwrite(Path("f.txt"), Path("f.txtbak"));
    EXPECT_EQ(Mode(Path("f.txtbak")), mode);
    ReplaceFileContents(Path("f.txt"), "new");
    EXPECT_EQ(Mode(Path("f.txt")), mode);
  }
  // A read-only file: its backup is read-only as well, a later backup
  // replaces it, and the file itself is refused with the reason.
  Write("r.txt", "read only");
  ::chmod(Path("r.txt").c_str(), 0444);
  CopyFileOverwrite(Path("r.txt"), Path("r.txtbak"));
  EXPECT_EQ(Mode(Path("r.txtbak")), 0444u);
  CopyFileOverwrite(Path("r.txt"), Path("r.txtbak"));
  EXPECT_EQ(ReadWholeFile(Path("r.txtbak")), "read only");
  try {
    ReplaceFileContents(Path("r.txt"), "x");
    ADD_FAILURE() << "no error";
  } catch (const EFCreateError& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot create file " + Path("r.txt"));
    EXPECT_EQ(e.SystemError(), EACCES);
  }
  EXPECT_EQ(ReadWholeFile(Path("r.txt")), "read only");

  // Owner and group stay where the process may set them.
  if (::geteuid() != 0) GTEST_SKIP() << "changing owners needs root";
  Write("o.txt", "owned");
  ASSERT_EQ(::chown(Path("o.txt").c_str(), 4321, 4322), 0);
  ::chmod(Path("o.txt").c_str(), 0640);
  CopyFileOverwrite(Path("o.txt"), Path("o.txtbak"));
  ReplaceFileContents(Path("o.txt"), "still owned");
  for (const char* name : {"o.txt", "o.txtbak"}) {
    struct stat st;
    ASSERT_EQ(::stat(Path(name).c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, 4321u) << name;
    EXPECT_EQ(st.st_gid, 4322u) << name;
    EXPECT_EQ(st.st_mode & 07777, 0640u) << name;
  }
}

TEST_F(ReplaceTest, TemporaryFilesAreHiddenNeverListedAndRemovedWhenStale) {
  std::string target;
  long pid = 0;
  EXPECT_TRUE(IsTemporaryFileName(".a.sql.qualtren-1234-Ab3dEf", &target, &pid));
  EXPECT_EQ(target, "a.sql");
  EXPECT_EQ(pid, 1234);
  for (const char* name :
       {"a.sql.qualtren-1234-Ab3dEf", ".a.sql.qualtren--Ab3dEf", ".a.sql.qualtren-12x4-Ab3dEf",
        ".a.sql.qualtren-1234-Ab3dE", ".qualtren-1234-Ab3dEf", ".a.sql.Zvf1xF", "a.sql"})
    EXPECT_FALSE(IsTemporaryFileName(name)) << name;

  // While a writer is open its file lies hidden beside the target.
  Write("d/a.sql", "a");
  {
    TAtomicFileWriter writer(Path("d/a.sql"));
    writer.Stream().WriteBytes("b");
    ASSERT_EQ(Entries("d"), 2u);
    for (const auto& e : fs::directory_iterator(Path("d"))) {
      if (e.path().filename() != "a.sql") {
        EXPECT_TRUE(IsTemporaryFileName(e.path().filename().string())) << e.path();
      }
    }
    // The mask * does not take it, and it is not stale: this process runs.
    EXPECT_EQ(ListMatchingFiles(Path("d/"), "*"), std::vector<std::string>{"a.sql"});
    EXPECT_EQ(Entries("d"), 2u);
  }
  EXPECT_EQ(Entries("d"), 1u);

  // Leftovers of a process that no longer runs go, those of a backup copy
  // (which the mask does not take) too; a file of a running process stays.
  Write("d/.a.sql.qualtren-999999999-Ab3dEf", "stale");
  Write("d/.a.sqlbak.qualtren-999999999-Ab3dEf", "stale backup");
  Write(std::string("d/.a.sql.qualtren-") + std::to_string(::getpid()) + "-Ab3dEf", "live");
  EXPECT_EQ(ListMatchingFiles(Path("d/"), "*.sql"), std::vector<std::string>{"a.sql"});
  EXPECT_FALSE(fs::exists(Path("d/.a.sql.qualtren-999999999-Ab3dEf")));
  EXPECT_FALSE(fs::exists(Path("d/.a.sqlbak.qualtren-999999999-Ab3dEf")));
  EXPECT_EQ(Entries("d"), 2u);
}

}  // namespace
}  // namespace qualtren
