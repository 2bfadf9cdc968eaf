// Tests of the spill stream: bytes kept in memory up to the bound, then in an
// unnamed temporary file that leaves nothing behind.
#include "base/spill_stream.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "base/exception.h"

namespace qualtren {
namespace {

namespace fs = std::filesystem;

std::string ReadFrom(TSpillStream& s, int64_t pos, size_t count) {
  s.SetPosition(pos);
  std::string out(count, '\0');
  out.resize(s.Read(out.data(), count));
  return out;
}

TEST(SpillStream, KeepsEveryByteAcrossTheBoundAndLeavesNoFile) {
  std::string dir = (fs::temp_directory_path() / "qualtren-spill-test-XXXXXX").string();
  ASSERT_NE(::mkdtemp(dir.data()), nullptr);
  const char* oldTmp = std::getenv("TMPDIR");
  const std::string savedTmp = oldTmp ? oldTmp : "";
  ::setenv("TMPDIR", dir.c_str(), 1);

  std::string all;
  {
    TSpillStream s(10);
    for (const std::string piece : {"abcdefgh", "ij", "klmnopqrstuvwxyz", "", "0123456789"}) {
      s.WriteBytes(piece);
      all += piece;
      EXPECT_EQ(s.Spilled(), all.size() > 10) << all;
    }
    EXPECT_EQ(s.ByteCount(), all.size());
    EXPECT_EQ(ReadFrom(s, 0, 1000), all);
    EXPECT_EQ(ReadFrom(s, 9, 4), all.substr(9, 4));
    EXPECT_EQ(ReadFrom(s, static_cast<int64_t>(all.size()), 5), "");
    // Overwriting inside, and reading after the end of what was written.
    s.SetPosition(2);
    s.WriteBytes("XY");
    all.replace(2, 2, "XY");
    EXPECT_EQ(ReadFrom(s, 0, 1000), all);
    // The temporary file has no name in the directory.
    EXPECT_TRUE(fs::is_empty(dir));

    s.Clear();
    EXPECT_FALSE(s.Spilled());
    EXPECT_EQ(s.ByteCount(), 0u);
    s.WriteBytes("again");
    EXPECT_EQ(ReadFrom(s, 0, 100), "again");
  }
  EXPECT_TRUE(fs::is_empty(dir));
  if (oldTmp)
    ::setenv("TMPDIR", savedTmp.c_str(), 1);
  else
    ::unsetenv("TMPDIR");
  fs::remove_all(dir);
}

TEST(SpillStream, ATemporaryDirectoryThatIsMissingIsNamed) {
  const char* oldTmp = std::getenv("TMPDIR");
  const std::string savedTmp = oldTmp ? oldTmp : "";
  ::setenv("TMPDIR", "/nonexistent/qualtren", 1);
  TSpillStream s(4);
  s.WriteBytes("abc");
  try {
    s.WriteBytes("def");
    ADD_FAILURE() << "no error";
  } catch (const EStreamError& e) {
    EXPECT_EQ(std::string(e.what()),
              "Cannot create a temporary file in /nonexistent/qualtren (No such file or "
              "directory)");
  }
  if (oldTmp)
    ::setenv("TMPDIR", savedTmp.c_str(), 1);
  else
    ::unsetenv("TMPDIR");
}

}  // namespace
}  // namespace qualtren
