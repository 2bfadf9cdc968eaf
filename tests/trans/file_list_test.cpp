// Tests of mask matching, directory listing, backups and atomic replacement.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "base/exception.h"
#include "base/stream.h"
#include "temp_dir.h"
#include "trans/file_list.h"

namespace qualtren {
namespace {

class TempDir : public testsupport::TTempDir {
 public:
  TempDir() : TTempDir("qualtren-fl") {}
  void Write(const std::string& name, const std::string& bytes) const {
    std::ofstream(Path() + "/" + name, std::ios::binary) << bytes;
  }
};

TEST(FileList, MasksMatchStarsAndQuestionMarksCaseSensitively) {
  // A name, a mask, and whether the mask takes the name.
  const struct {
    const char* Name;
    const char* Mask;
    bool Matches;
  } cases[] = {{"a.txt", "*.txt", true},
               {".hidden.txt", "*.txt", true},
               {"a.TXT", "*.txt", false},
               {"a.txtbak", "*.txt", false},
               {"a.txtbak", "*.txt*", true},
               {"ab.sql", "a?.sql", true},
               {"a.sql", "a?.sql", false},
               {"abcabd", "*abd", true},
               {"", "*", true},
               {"x", "", false}};
  for (const auto& c : cases)
    EXPECT_EQ(MatchesMask(c.Name, c.Mask), c.Matches) << c.Name << " by " << c.Mask;
}

TEST(FileList, ListsRegularFilesOnlySortedAndNothingForAMissingDirectory) {
  TempDir dir;
  dir.Write("b.txt", "b");
  dir.Write("a.txt", "a");
  dir.Write(".h.txt", "h");
  dir.Write("c.sql", "c");
  ASSERT_EQ(::mkdir((dir.Path() + "/sub.txt").c_str(), 0755), 0);
  std::string prefix = DirectoryPrefix(dir.Path());
  EXPECT_EQ(ListMatchingFiles(prefix, "*.txt"),
            (std::vector<std::string>{".h.txt", "a.txt", "b.txt"}));
  EXPECT_TRUE(ListMatchingFiles(DirectoryPrefix(dir.Path() + "/none"), "*").empty());
  EXPECT_EQ(DirectoryPrefix(""), "/");
}

TEST(FileList, ABackupHoldsOtherBytesWhenItIsAFileThatDiffers) {
  TempDir dir;
  const std::string f = dir.Path() + "/f", big(200000, 'x');  // more than a block compared
  const struct {
    std::string File, Backup;  // "-": none
    bool Differs;
  } cases[] = {{"a", "-", false},     {"abc", "abc", false}, {"abc", "abd", true},
               {"abc", "abcd", true}, {big, big, false},     {big, big.substr(1) + "y", true},
               {"-", "abc", false}};
  for (const auto& c : cases) {
    ::unlink(f.c_str());
    ::unlink((f + "bak").c_str());
    if (c.File != "-") dir.Write("f", c.File);
    if (c.Backup != "-") dir.Write("fbak", c.Backup);
    EXPECT_EQ(BackupHoldsOtherBytes(f, "bak"), c.Differs) << c.File.size() << c.Backup.size();
  }
  // No ending makes no backup; a folder in its place is none either.
  dir.Write("f", "abc");
  EXPECT_FALSE(BackupHoldsOtherBytes(f, ""));
  ::unlink((f + "bak").c_str());
  ASSERT_EQ(::mkdir((f + "bak").c_str(), 0700), 0);
  EXPECT_FALSE(BackupHoldsOtherBytes(f, "bak"));
}

TEST(FileList, ReplaceKeepsPermissionsAndRefusesReadOnlyFiles) {
  TempDir dir;
  std::string name = dir.Path() + "/f.txt";
  dir.Write("f.txt", "old");
  ::chmod(name.c_str(), 0640);
  ReplaceFileContents(name, "new\r\n");
  EXPECT_EQ(ReadWholeFile(name), "new\r\n");
  struct stat st;
  ASSERT_EQ(::stat(name.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  ::chmod(name.c_str(), 0444);
  try {
    ReplaceFileContents(name, "x");
    FAIL();
  } catch (const EFCreateError& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot create file " + name);
  }
  EXPECT_EQ(ReadWholeFile(name), "new\r\n");
  CopyFileOverwrite(name, name + "bak");
  EXPECT_EQ(ReadWholeFile(name + "bak"), "new\r\n");
  dir.Write("g", "second");
  CopyFileOverwrite(dir.Path() + "/g", name + "bak");
  EXPECT_EQ(ReadWholeFile(name + "bak"), "second");
  EXPECT_THROW(CopyFileOverwrite(dir.Path() + "/missing", name + "bak"), EFOpenError);
}

}  // namespace
}  // namespace qualtren
