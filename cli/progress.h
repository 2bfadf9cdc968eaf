// The progress line of long commands: one line on a terminal's standard
// error, rewritten in place, cleared before any other message and at the end.
#pragma once

#include <chrono>
#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>

#include "base/stream.h"

namespace qualtren {

/// Shows how far a command has come on one line of `err`, when `enabled`
/// (standard error is a terminal and the user did not ask for quiet);
/// otherwise does nothing at all. The line is redrawn at most ten times a
/// second and never wider than the terminal.
class TProgress {
 public:
  TProgress(std::ostream& err, bool enabled);
  /// Clears the line.
  ~TProgress();
  TProgress(const TProgress&) = delete;
  TProgress& operator=(const TProgress&) = delete;

  /// "[done/total] elapsed name": `done` files of `total`, at work on `name`.
  void Files(size_t done, size_t total, std::string_view name);
  /// "bytes read of size, elapsed" (`size` 0 when unknown). Drawn only once
  /// more than a mebibyte has been read, so small inputs show nothing.
  void Bytes(uint64_t done, uint64_t size);
  /// Removes the line, so that a message can be written; the next update
  /// draws it again.
  void Clear();

 private:
  void Draw(const std::string& text);

  std::ostream& err_;
  bool enabled_;
  bool shown_ = false;  // the line is on the terminal now
  int width_ = 80;
  std::chrono::steady_clock::time_point start_;
  std::chrono::steady_clock::time_point lastDraw_;
};

/// A stream that reads another one and tells a progress line how far into
/// it the reading has come.
class TProgressInputStream : public TInputStream {
 public:
  /// `size` is the stream's size when known, else 0.
  TProgressInputStream(TStream& in, uint64_t size, TProgress& progress)
      : in_(in), size_(size), progress_(progress) {}

  size_t Read(void* buffer, size_t count) override;
  int64_t Seek(int64_t offset, SeekOrigin origin) override;

 private:
  TStream& in_;
  uint64_t size_;
  TProgress& progress_;
  uint64_t pos_ = 0;
};

}  // namespace qualtren
