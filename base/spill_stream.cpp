// The spill stream: memory first, then an unnamed temporary file.
#include "base/spill_stream.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "base/exception.h"

namespace qualtren {

namespace {

std::string TempDirectory() {
  const char* dir = std::getenv("TMPDIR");
  return dir != nullptr && *dir != '\0' ? dir : "/tmp";
}

// An open temporary file without a name: O_TMPFILE where the file system
// has it, else a file made by mkstemp and unlinked at once.
int OpenUnnamedTempFile() {
  const std::string dir = TempDirectory();
  int fd = ::open(dir.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  if (fd >= 0) return fd;
  std::string pattern = dir + "/qualtren-spill-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  fd = ::mkostemp(name.data(), O_CLOEXEC);
  if (fd < 0)
    throw EStreamError("Cannot create a temporary file in " + dir + " (" + std::strerror(errno) +
                       ")");
  ::unlink(name.data());
  return fd;
}

bool WriteAllAt(int fd, const char* data, size_t count, uint64_t offset) {
  while (count > 0) {
    const ssize_t n = ::pwrite(fd, data, count, static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    count -= static_cast<size_t>(n);
    offset += static_cast<uint64_t>(n);
  }
  return true;
}

}  // namespace

TSpillStream::TSpillStream(size_t memoryLimit) : memoryLimit_(memoryLimit) {}

TSpillStream::~TSpillStream() {
  if (fd_ >= 0) ::close(fd_);
}

void TSpillStream::MoveToFile() {
  fd_ = OpenUnnamedTempFile();
  if (!WriteAllAt(fd_, memory_.data(), memory_.size(), 0)) throw EWriteError();
  std::string().swap(memory_);
}

size_t TSpillStream::Write(const void* buffer, size_t count) {
  if (count == 0) return 0;
  if (fd_ < 0 && pos_ + count > memoryLimit_) MoveToFile();
  if (fd_ >= 0) {
    if (!WriteAllAt(fd_, static_cast<const char*>(buffer), count, pos_)) return 0;
  } else {
    if (pos_ + count > memory_.size()) memory_.resize(static_cast<size_t>(pos_ + count));
    std::memcpy(memory_.data() + pos_, buffer, count);
  }
  pos_ += count;
  size_ = std::max(size_, pos_);
  return count;
}

size_t TSpillStream::Read(void* buffer, size_t count) {
  if (pos_ >= size_) return 0;
  count = static_cast<size_t>(std::min<uint64_t>(count, size_ - pos_));
  if (fd_ < 0) {
    std::memcpy(buffer, memory_.data() + pos_, count);
  } else {
    size_t done = 0;
    while (done < count) {
      const ssize_t n = ::pread(fd_, static_cast<char*>(buffer) + done, count - done,
                                static_cast<off_t>(pos_ + done));
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) throw EReadError();
      if (n == 0) break;
      done += static_cast<size_t>(n);
    }
    count = done;
  }
  pos_ += count;
  return count;
}

int64_t TSpillStream::Seek(int64_t offset, SeekOrigin origin) {
  const int64_t base = origin == SeekOrigin::Begin     ? 0
                       : origin == SeekOrigin::Current ? static_cast<int64_t>(pos_)
                                                       : static_cast<int64_t>(size_);
  pos_ = static_cast<uint64_t>(std::max<int64_t>(0, base + offset));
  return static_cast<int64_t>(pos_);
}

void TSpillStream::Clear() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  std::string().swap(memory_);
  size_ = pos_ = 0;
}

}  // namespace qualtren
