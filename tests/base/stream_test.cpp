// Tests of the checked stream operations, the file stream and the atomic
// file writer.
#include "base/stream.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>

#include "base/exception.h"

namespace qualtren {
namespace {

namespace fs = std::filesystem;

// A fresh directory for one test, removed with everything in it afterwards.
class TempDir {
 public:
  TempDir() {
    std::string pattern = (fs::temp_directory_path() / "qualtren-stream-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data());
  }
  ~TempDir() {
    std::error_code ec;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path_, ec);
  }
  std::string File(const std::string& name) const { return path_ + "/" + name; }
  size_t Count() const {
    return static_cast<size_t>(
        std::distance(fs::directory_iterator(path_), fs::directory_iterator()));
  }

 private:
  std::string path_;
};

// Writes a whole file through TAtomicFileWriter and commits it.
void WriteAtomically(const std::string& target, std::string_view bytes) {
  TAtomicFileWriter w(target);
  w.Stream().WriteBytes(bytes);
  w.Commit();
}

void WriteFile(const std::string& name, const std::string& bytes) {
  std::ofstream(name, std::ios::binary) << bytes;
}

template <typename F>
std::string MessageOf(F f) {
  try {
    f();
  } catch (const Exception& e) {
    return e.Message();
  }
  return "(no error)";
}

TEST(Stream, ShortReadRaisesReadError) {
  TMemoryStream m(std::string("\x01\x02\x03", 3));
  EXPECT_EQ(m.ReadU16(), 0x0201);
  EXPECT_EQ(MessageOf([&] { m.ReadU16(); }), "Stream read error");
  TMemoryStream m2(std::string("\x78\x56\x34\x12\xFF", 5));
  EXPECT_EQ(m2.ReadI32(), 0x12345678);
  EXPECT_EQ(m2.ReadU8(), 0xFF);
  EXPECT_THROW(m2.ReadU8(), EReadError);
  TMemoryStream neg;
  neg.WriteI32(-2);
  neg.SetPosition(0);
  EXPECT_EQ(neg.ReadI32(), -2);
}

TEST(Stream, ReadBytesWithALyingCountFailsBeforeAllocating) {
  TMemoryStream m(std::string("abcdef"));
  m.SetPosition(2);
  EXPECT_EQ(m.ReadBytes(3), "cde");
  // A count far beyond any memory must fail at once, not try to allocate.
  EXPECT_EQ(MessageOf([&] { m.ReadBytes(static_cast<size_t>(1) << 62); }), "Stream read error");
  EXPECT_THROW(m.ReadBytes(2), EReadError);
  EXPECT_EQ(m.Position(), 5);  // nothing consumed by the failures
  EXPECT_EQ(m.ReadBytes(1), "f");
  EXPECT_EQ(m.ReadBytes(0), "");
}

TEST(Stream, MemoryStreamWritesAndSeeks) {
  TMemoryStream m;
  m.WriteBytes("hello");
  m.SetPosition(1);
  m.WriteBytes("EL");
  EXPECT_EQ(m.Bytes(), "hELlo");
  EXPECT_EQ(m.Seek(-1, SeekOrigin::End), 4);
  EXPECT_EQ(m.Remaining(), 1);
  m.SetPosition(7);
  m.WriteBytes("!");
  EXPECT_EQ(m.Bytes(), std::string("hELlo\0\0!", 8));
  TMemoryStream copy;
  m.SetPosition(1);
  copy.CopyFrom(m, 4);
  EXPECT_EQ(copy.Bytes(), "ELlo");
  m.SetPosition(6);
  EXPECT_THROW(copy.CopyFrom(m, 5), EReadError);
}

TEST(Stream, FileStream) {
  TempDir dir;
  std::string missing = dir.File("missing.vtd");
  EXPECT_EQ(MessageOf([&] { TFileStream f(missing, FileMode::OpenRead); }),
            "Cannot open file " + missing);
  EXPECT_EQ(MessageOf([&] { ReadWholeFile(missing); }), "Cannot open file " + missing);
  std::string dirAsFile = dir.File("");
  EXPECT_THROW(TFileStream(dirAsFile, FileMode::OpenRead), EFOpenError);
  std::string name = dir.File("a.bin");
  {
    TFileStream f(name, FileMode::Create);
    f.WriteBytes("0123456789");
    f.SetPosition(2);
    EXPECT_EQ(f.ReadBytes(3), "234");
    EXPECT_EQ(f.Size(), 10);
    f.Flush();
  }
  EXPECT_EQ(ReadWholeFile(name), "0123456789");
  {
    TFileStream f(name, FileMode::OpenRead);
    EXPECT_THROW(f.WriteBytes("x"), EWriteError);  // read-only stream
    EXPECT_THROW(f.ReadBytes(11), EReadError);
  }
  std::string noDir = dir.File("no/such/dir.bin");
  EXPECT_EQ(MessageOf([&] { TFileStream f(noDir, FileMode::Create); }),
            "Cannot create file " + noDir);
}

TEST(Stream, AtomicWriterLeavesTheOldFileWholeWithoutCommit) {
  TempDir dir;
  std::string target = dir.File("table.vtd");
  WriteFile(target, "old contents");
  {
    TAtomicFileWriter w(target);
    w.Stream().WriteBytes("new");
    EXPECT_EQ(ReadWholeFile(target), "old contents");
  }
  EXPECT_EQ(ReadWholeFile(target), "old contents");
  EXPECT_EQ(dir.Count(), 1u);  // no temporary file left behind
  {
    TAtomicFileWriter w(target);
    w.Stream().WriteBytes("new contents");
    w.Commit();
    EXPECT_THROW(w.Commit(), EStreamError);  // a second commit is refused, not a crash
  }
  EXPECT_EQ(ReadWholeFile(target), "new contents");
  EXPECT_EQ(dir.Count(), 1u);
  // A file that did not exist is created.
  std::string fresh = dir.File("fresh.vtd");
  WriteAtomically(fresh, "x");
  EXPECT_EQ(ReadWholeFile(fresh), "x");
}

TEST(Stream, AtomicWriterKeepsPermissions) {
  TempDir dir;
  std::string target = dir.File("script.sql");
  WriteFile(target, "a");
  // The second mode does not even let the owner read the file.
  for (const auto& [mode, bytes] : {std::pair{0751u, "b"}, std::pair{0220u, "c"}}) {
    ASSERT_EQ(::chmod(target.c_str(), mode), 0);
    WriteAtomically(target, bytes);
    struct stat st;
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, mode);
  }
  ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
  EXPECT_EQ(ReadWholeFile(target), "c");
}

TEST(Stream, AtomicWriterRefusesAReadOnlyTarget) {
  TempDir dir;
  std::string target = dir.File("locked.sql");
  WriteFile(target, "keep");
  ASSERT_EQ(::chmod(target.c_str(), 0444), 0);
  EXPECT_EQ(MessageOf([&] { TAtomicFileWriter w(target); }), "Cannot create file " + target);
  EXPECT_EQ(ReadWholeFile(target), "keep");
  EXPECT_EQ(dir.Count(), 1u);
  std::string inMissingDir = dir.File("nowhere/x.sql");
  EXPECT_EQ(MessageOf([&] { TAtomicFileWriter w(inMissingDir); }),
            "Cannot create file " + inMissingDir);
  EXPECT_EQ(MessageOf([&] { TAtomicFileWriter w(dir.File("")); }),
            "Cannot create file " + dir.File(""));
}

}  // namespace
}  // namespace qualtren
