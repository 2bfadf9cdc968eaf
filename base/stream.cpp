// Checked stream operations, the memory and file streams and the atomic file
// writer.
#include "base/stream.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <set>
#include <vector>

#include "base/exception.h"

namespace qualtren {

namespace {
mode_t CurrentUmask() {
  mode_t m = ::umask(0);
  ::umask(m);
  return m;
}
}  // namespace

int64_t TStream::Size() {
  int64_t pos = Position();
  int64_t end = Seek(0, SeekOrigin::End);
  Seek(pos, SeekOrigin::Begin);
  return end;
}

void TStream::ReadBuffer(void* buffer, size_t count) {
  if (count != 0 && Read(buffer, count) != count) throw EReadError();
}

void TStream::WriteBuffer(const void* buffer, size_t count) {
  if (count != 0 && Write(buffer, count) != count) throw EWriteError(errno);
}

uint8_t TStream::ReadU8() {
  uint8_t b;
  ReadBuffer(&b, 1);
  return b;
}

uint16_t TStream::ReadU16() {
  char b[2];
  ReadBuffer(b, 2);
  return DecodeU16(b);
}

int32_t TStream::ReadI32() {
  char b[4];
  ReadBuffer(b, 4);
  return DecodeI32(b);
}

std::string TStream::ReadBytes(size_t count) {
  if (count == 0) return {};
  if (Remaining() < static_cast<int64_t>(count)) throw EReadError();
  std::string out(count, '\0');
  ReadBuffer(out.data(), count);
  return out;
}

void TStream::WriteU16(uint16_t v) {
  uint8_t b[2] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)};
  WriteBuffer(b, 2);
}

void TStream::WriteI32(int32_t v) {
  uint32_t u = static_cast<uint32_t>(v);
  uint8_t b[4] = {static_cast<uint8_t>(u), static_cast<uint8_t>(u >> 8),
                  static_cast<uint8_t>(u >> 16), static_cast<uint8_t>(u >> 24)};
  WriteBuffer(b, 4);
}

void TStream::CopyFrom(TStream& source, int64_t count) {
  if (count < 0) count = source.Remaining();
  std::vector<char> buf(64 * 1024);
  while (count > 0) {
    size_t n = static_cast<size_t>(std::min<int64_t>(count, static_cast<int64_t>(buf.size())));
    source.ReadBuffer(buf.data(), n);
    WriteBuffer(buf.data(), n);
    count -= static_cast<int64_t>(n);
  }
}

size_t TMemoryStream::Read(void* buffer, size_t count) {
  if (pos_ >= data_.size()) return 0;
  size_t n = std::min(count, data_.size() - pos_);
  std::memcpy(buffer, data_.data() + pos_, n);
  pos_ += n;
  return n;
}

size_t TMemoryStream::Write(const void* buffer, size_t count) {
  if (pos_ + count > data_.size()) data_.resize(pos_ + count);
  std::memcpy(data_.data() + pos_, buffer, count);
  pos_ += count;
  return count;
}

std::string_view TMemoryStream::ReadView(size_t count) {
  if (pos_ > data_.size() || data_.size() - pos_ < count) throw EReadError();
  const std::string_view view(data_.data() + pos_, count);
  pos_ += count;
  return view;
}

int64_t TMemoryStream::Seek(int64_t offset, SeekOrigin origin) {
  int64_t base = origin == SeekOrigin::Begin     ? 0
                 : origin == SeekOrigin::Current ? static_cast<int64_t>(pos_)
                                                 : static_cast<int64_t>(data_.size());
  int64_t target = base + offset;
  if (target < 0) target = 0;
  pos_ = static_cast<size_t>(target);
  return target;
}

TFileStream::TFileStream(const std::string& fileName, FileMode mode) : fileName_(fileName) {
  if (mode == FileMode::OpenRead) {
    fd_ = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
    int error = errno;
    struct stat st;
    if (fd_ >= 0 && (::fstat(fd_, &st) != 0 || S_ISDIR(st.st_mode))) {
      ::close(fd_);
      fd_ = -1;
      error = EISDIR;
    }
    if (fd_ < 0) throw EFOpenError(fileName, error);
  } else {
    fd_ = ::open(fileName.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd_ < 0) throw EFCreateError(fileName, errno);
  }
}

TFileStream::~TFileStream() {
  if (fd_ >= 0) ::close(fd_);
}

size_t TFileStream::Read(void* buffer, size_t count) {
  size_t done = 0;
  while (done < count) {
    ssize_t n = ::read(fd_, static_cast<char*>(buffer) + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    // A failing read is an error, not the end of the file.
    if (n < 0) throw EReadError(errno);
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  return done;
}

size_t TFileStream::Write(const void* buffer, size_t count) {
  size_t done = 0;
  while (done < count) {
    ssize_t n = ::write(fd_, static_cast<const char*>(buffer) + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  return done;
}

int64_t TFileStream::Seek(int64_t offset, SeekOrigin origin) {
  int whence = origin == SeekOrigin::Begin     ? SEEK_SET
               : origin == SeekOrigin::Current ? SEEK_CUR
                                               : SEEK_END;
  off_t r = ::lseek(fd_, static_cast<off_t>(offset), whence);
  if (r < 0) throw EReadError();
  return r;
}

void TFileStream::Flush() {
  if (::fsync(fd_) != 0 && errno != EINVAL && errno != EROFS) throw EWriteError(errno);
}

namespace {

constexpr std::string_view kTempMarker = ".qualtren-";

// "dir/" of a path, or "" for a name without a directory.
std::string DirectoryOf(const std::string& path) {
  return path.substr(0, path.find_last_of('/') + 1);
}

// The file that a path leads to: symbolic links followed, also when the
// last one leads nowhere yet. A loop of links fails with ELOOP.
std::string FollowLinks(const std::string& path, const std::string& target) {
  std::string p = path;
  for (int depth = 0; depth < 40; ++depth) {
    struct stat st;
    if (::lstat(p.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return p;
    std::vector<char> buffer(static_cast<size_t>(st.st_size > 0 ? st.st_size : 255) + 1);
    const ssize_t n = ::readlink(p.c_str(), buffer.data(), buffer.size());
    if (n < 0) throw EFCreateError(target, errno);
    std::string link(buffer.data(), static_cast<size_t>(n));
    p = link.empty() || link[0] == '/' ? link : DirectoryOf(p) + link;
  }
  throw EFCreateError(target, ELOOP);
}

}  // namespace

TAtomicFileWriter::TAtomicFileWriter(const std::string& target, bool replaceReadOnly)
    : target_(target) {
  finalPath_ = FollowLinks(target, target);
  struct stat st;
  bool exists = ::stat(finalPath_.c_str(), &st) == 0;
  // A file without any write permission counts as read-only even for a user
  // (root) whom the system would let write it.
  if (exists && S_ISDIR(st.st_mode)) throw EFCreateError(target, EISDIR);
  if (exists && !replaceReadOnly && ::access(finalPath_.c_str(), W_OK) != 0)
    throw EFCreateError(target, errno);
  if (exists && !replaceReadOnly && (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
    throw EFCreateError(target, EACCES);
  const std::string pattern = TemporaryFileNameFor(finalPath_, "XXXXXX");
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = ::mkostemp(name.data(), O_CLOEXEC);
  if (fd < 0) throw EFCreateError(target, errno);
  tempName_ = name.data();
  try {
    stream_ = std::make_unique<TFileStream>(fd, tempName_);
  } catch (...) {
    ::close(fd);
    ::unlink(tempName_.c_str());
    throw;
  }
  // Set once the file is open, so that a mode without owner read or write
  // permission cannot stop the writer from opening its own file.
  mode_ = exists ? (st.st_mode & 07777) : static_cast<mode_t>(0666 & ~CurrentUmask());
  if (exists) {
    setOwner_ = true;
    owner_ = st.st_uid;
    group_ = st.st_gid;
  }
}

TAtomicFileWriter::~TAtomicFileWriter() {
  stream_.reset();
  if (!committed_ && !tempName_.empty()) ::unlink(tempName_.c_str());
}

void TAtomicFileWriter::TakeAttributesOf(const std::string& file) {
  struct stat st;
  if (::stat(file.c_str(), &st) != 0) throw EFOpenError(file, errno);
  mode_ = st.st_mode & 07777;
  setOwner_ = true;
  owner_ = st.st_uid;
  group_ = st.st_gid;
}

void TAtomicFileWriter::Commit(bool syncDirectory) {
  if (committed_ || !stream_) throw EWriteError();
  stream_->Flush();
  const int fd = stream_->Handle();
  // The owner first: changing it may clear the set-id bits that the mode
  // then puts back. A process that may not give the file away keeps it.
  if (setOwner_ && ::fchown(fd, static_cast<uid_t>(owner_), static_cast<gid_t>(group_)) != 0 &&
      errno != EPERM)
    throw EFCreateError(target_, errno);
  if (::fchmod(fd, static_cast<mode_t>(mode_)) != 0) throw EFCreateError(target_, errno);
  stream_.reset();
  if (::rename(tempName_.c_str(), finalPath_.c_str()) != 0) throw EFCreateError(target_, errno);
  committed_ = true;
  if (syncDirectory) SyncDirectoryOf(finalPath_);
}

void SyncDirectoryOf(const std::string& path) {
  const std::string dir = DirectoryOf(path);
  const int dfd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
}

void SyncDirectoriesOf(const std::vector<std::string>& paths) {
  std::set<std::string> synced;
  for (const std::string& path : paths) {
    // A replace renames beside the file that the path leads to.
    std::string replaced;
    try {
      replaced = FollowLinks(path, path);
    } catch (const Exception&) {
      replaced = path;
    }
    if (synced.insert(DirectoryOf(replaced)).second) SyncDirectoryOf(replaced);
  }
}

std::string FileLinksLeadTo(const std::string& path) {
  return FollowLinks(path, path);
}

std::string TemporaryFileNameFor(const std::string& path, std::string_view unique) {
  const std::string dir = DirectoryOf(path);
  return dir + "." + path.substr(dir.size()) + std::string(kTempMarker) +
         std::to_string(::getpid()) + "-" + std::string(unique);
}

bool IsTemporaryFileName(std::string_view name, std::string* target, long* pid) {
  // "." + target + ".qualtren-" + digits + "-" + six characters
  if (name.size() < 1 + 1 + kTempMarker.size() + 1 + 1 + 6 || name[0] != '.') return false;
  const size_t dash = name.size() - 7;
  if (name[dash] != '-') return false;
  const size_t marker = name.rfind(kTempMarker, dash);
  if (marker == std::string_view::npos || marker < 2) return false;
  const std::string_view digits =
      name.substr(marker + kTempMarker.size(), dash - marker - kTempMarker.size());
  if (digits.empty() || digits.size() > 9) return false;
  long value = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  if (target) target->assign(name.substr(1, marker - 1));
  if (pid) *pid = value;
  return true;
}

bool IsStaleTemporaryFile(std::string_view name) {
  long pid = 0;
  if (!IsTemporaryFileName(name, nullptr, &pid)) return false;
  return pid != ::getpid() && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

std::string ReadWholeFile(const std::string& fileName) {
  TFileStream in(fileName, FileMode::OpenRead);
  std::string out;
  // Read in one piece where the size is known (a file that grows meanwhile
  // is read on to its end all the same).
  struct stat st;
  if (::fstat(in.Handle(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0)
    out.reserve(static_cast<size_t>(st.st_size) + 1);
  char buf[64 * 1024];
  for (;;) {
    size_t n = in.Read(buf, sizeof buf);
    if (n == 0) break;
    out.append(buf, n);
  }
  return out;
}

}  // namespace qualtren
