// A stream for bytes of any amount: held in memory up to a bound and in an
// unnamed temporary file beyond it.
#pragma once

#include <cstdint>
#include <string>

#include "base/stream.h"

namespace qualtren {

/// Keeps what is written to it in memory up to `memoryLimit` bytes; the
/// first write beyond moves everything into a temporary file that has no
/// name (it vanishes with the process, however that ends) and goes on
/// there. Reads and seeks work on whatever was written. Writes that fail
/// raise "Stream write error"; a temporary file that cannot be made raises
/// "Cannot create a temporary file in DIR (reason)".
class TSpillStream : public TStream {
 public:
  static constexpr size_t kDefaultMemoryLimit = 8u << 20;

  explicit TSpillStream(size_t memoryLimit = kDefaultMemoryLimit);
  ~TSpillStream() override;

  size_t Read(void* buffer, size_t count) override;
  size_t Write(const void* buffer, size_t count) override;
  int64_t Seek(int64_t offset, SeekOrigin origin) override;

  /// Drops everything written; the stream is empty again and in memory.
  void Clear();
  uint64_t ByteCount() const { return size_; }
  bool Spilled() const { return fd_ >= 0; }

 private:
  void MoveToFile();

  size_t memoryLimit_;
  std::string memory_;
  int fd_ = -1;
  uint64_t size_ = 0;
  uint64_t pos_ = 0;
};

}  // namespace qualtren
