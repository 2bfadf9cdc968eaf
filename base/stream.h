// Byte streams: the abstract stream with checked reads and writes, a stream
// in memory, a stream over a file, and a file written beside its target and
// renamed into place only when complete.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace qualtren {

enum class SeekOrigin { Begin, Current, End };

// Streams own what they read and write (memory, a file): they are not copied.
class TStream {
 public:
  TStream() = default;
  virtual ~TStream() = default;
  TStream(const TStream&) = delete;
  TStream& operator=(const TStream&) = delete;

  // Reads up to count bytes; returns how many were read.
  virtual size_t Read(void* buffer, size_t count) = 0;
  // Writes up to count bytes; returns how many were written.
  virtual size_t Write(const void* buffer, size_t count) = 0;
  virtual int64_t Seek(int64_t offset, SeekOrigin origin) = 0;

  int64_t Position() { return Seek(0, SeekOrigin::Current); }
  void SetPosition(int64_t pos) { Seek(pos, SeekOrigin::Begin); }
  /// The stream's length (by seeking to its end and back, unless the
  /// stream knows it).
  virtual int64_t Size();
  // Bytes between the position and the end.
  int64_t Remaining() { return Size() - Position(); }

  // Reads exactly count bytes or raises "Stream read error".
  void ReadBuffer(void* buffer, size_t count);
  // Writes exactly count bytes or raises "Stream write error".
  void WriteBuffer(const void* buffer, size_t count);

  uint8_t ReadU8();
  uint16_t ReadU16();
  int32_t ReadI32();
  /// The little-endian numbers that ReadU16 and ReadI32 read, decoded from
  /// bytes already in memory.
  static uint16_t DecodeU16(const char* bytes) {
    const auto* b = reinterpret_cast<const uint8_t*>(bytes);
    return static_cast<uint16_t>(b[0] | (b[1] << 8));
  }
  static int32_t DecodeI32(const char* bytes) {
    const auto* b = reinterpret_cast<const uint8_t*>(bytes);
    return static_cast<int32_t>(static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) |
                                (static_cast<uint32_t>(b[2]) << 16) |
                                (static_cast<uint32_t>(b[3]) << 24));
  }
  // Reads count bytes after checking that the stream still holds them, so a
  // lying length never allocates more than the stream could deliver.
  std::string ReadBytes(size_t count);
  void WriteU16(uint16_t v);
  void WriteI32(int32_t v);
  void WriteBytes(std::string_view bytes) { WriteBuffer(bytes.data(), bytes.size()); }

  // Copies count bytes from source (all from its position when count < 0).
  void CopyFrom(TStream& source, int64_t count);
};

/// A stream that is only read: writing to it writes nothing (Write returns 0).
class TInputStream : public TStream {
 public:
  size_t Write(const void*, size_t) final { return 0; }
};

class TMemoryStream : public TStream {
 public:
  TMemoryStream() = default;
  explicit TMemoryStream(std::string bytes) : data_(std::move(bytes)) {}

  size_t Read(void* buffer, size_t count) override;
  size_t Write(const void* buffer, size_t count) override;
  int64_t Seek(int64_t offset, SeekOrigin origin) override;

  int64_t Size() override { return static_cast<int64_t>(data_.size()); }

  const std::string& Bytes() const { return data_; }
  /// The next `count` bytes, in place, and the position moved past them;
  /// raises "Stream read error" when fewer are left.
  std::string_view ReadView(size_t count);
  void Clear() {
    data_.clear();
    pos_ = 0;
  }

 private:
  std::string data_;
  size_t pos_ = 0;
};

enum class FileMode {
  OpenRead,  // an existing file, read only ("Cannot open file %s")
  Create,    // created or truncated, read and write ("Cannot create file %s")
};

class TFileStream : public TStream {
 public:
  TFileStream(const std::string& fileName, FileMode mode);
  /// Takes over a file descriptor that is open for reading and writing.
  TFileStream(int fd, std::string fileName) : fileName_(std::move(fileName)), fd_(fd) {}
  ~TFileStream() override;

  size_t Read(void* buffer, size_t count) override;
  size_t Write(const void* buffer, size_t count) override;
  int64_t Seek(int64_t offset, SeekOrigin origin) override;

  // Flushes buffered data to the operating system; raises "Stream write error".
  void Flush();
  const std::string& FileName() const { return fileName_; }
  /// The file descriptor, for calls on the open file (ownership stays here).
  int Handle() const { return fd_; }

 private:
  std::string fileName_;
  int fd_ = -1;
};

/// Writes a file through a temporary file in the same directory, renamed
/// over the target only by Commit(); without Commit() the temporary file is
/// removed and the target is left as it was. What the target is stays: a
/// symbolic link keeps being a link and the file it leads to is written (the
/// temporary file stands beside that file); an existing file keeps its
/// permissions and, where the process may set them, its owner and group; a
/// new file gets 0666 less the umask. Creating fails with "Cannot create
/// file %s" (the target's name as given) when the target exists and may not
/// be written, or when its directory takes no new file.
///
/// The temporary file is hidden and carries a fixed marker and the process
/// id: "." + name + ".qualtren-" + pid + "-" + six characters, so that no
/// file mask takes it for a script by accident and a leftover of a process
/// that was killed can be told from the file of one that is running.
class TAtomicFileWriter {
 public:
  /// With `replaceReadOnly` an existing target without write permission is
  /// replaced all the same (a backup copy made earlier of a read-only file).
  explicit TAtomicFileWriter(const std::string& target, bool replaceReadOnly = false);
  ~TAtomicFileWriter();
  TAtomicFileWriter(const TAtomicFileWriter&) = delete;
  TAtomicFileWriter& operator=(const TAtomicFileWriter&) = delete;

  TStream& Stream() { return *stream_; }
  /// The file gets the permissions, owner and group of `file` instead (a
  /// backup copy thereby never has more permissions than its original).
  void TakeAttributesOf(const std::string& file);
  /// Flushes the file to disk and renames it over the target. Without
  /// `syncDirectory` the rename is left for the caller to make durable
  /// (SyncDirectoryOf), so that a batch of files syncs each folder once.
  void Commit(bool syncDirectory = true);

 private:
  std::string target_;     // as given, for messages
  std::string finalPath_;  // the file written: the target, its links followed
  std::string tempName_;
  std::unique_ptr<TFileStream> stream_;
  bool committed_ = false;
  unsigned mode_ = 0600;  // permissions the file gets on Commit()
  bool setOwner_ = false;
  unsigned owner_ = 0, group_ = 0;
};

/// Makes the renames in the directory that holds `path` durable (an fsync of
/// the directory; nothing happens when it cannot be opened).
void SyncDirectoryOf(const std::string& path);

/// Makes durable the renames that replaces of `paths` made without syncing:
/// each directory they were made in (beside the file a symbolic link leads
/// to) is synced once.
void SyncDirectoriesOf(const std::vector<std::string>& paths);

/// The file that `path` leads to: symbolic links followed, also when the
/// last one leads nowhere yet. A link that cannot be read, or a loop of
/// links, raises "Cannot create file %s" naming `path`.
std::string FileLinksLeadTo(const std::string& path);

/// The name that a temporary file written for `path` gets, as
/// TAtomicFileWriter names them: in the directory of `path`, "." + its name +
/// ".qualtren-" + this process's id + "-" + `unique` (six characters).
std::string TemporaryFileNameFor(const std::string& path, std::string_view unique);

/// Whether a file name (without its directory) is a temporary file of a
/// TAtomicFileWriter; `target` and `pid`, when given, receive the name of
/// the file it was written for and the id of the process that made it.
bool IsTemporaryFileName(std::string_view name, std::string* target = nullptr, long* pid = nullptr);
/// Whether such a file was left by a process that no longer runs.
bool IsStaleTemporaryFile(std::string_view name);

// Reads a whole file ("Cannot open file %s", "Stream read error").
std::string ReadWholeFile(const std::string& fileName);

}  // namespace qualtren
