// Standard input as a stream that can go back to its start: every byte read
// is kept (in memory up to a bound, then in a temporary file) and read again
// after a seek to the start.
#pragma once

#include <istream>

#include "base/spill_stream.h"

namespace qualtren {

/// Reads an input stream that cannot seek (a pipe, a terminal) and keeps
/// what it read, so that it can seek back to any position read so far and
/// read the same bytes again. Raises "Stream read error" when the input
/// fails.
class TReplayInputStream : public TInputStream {
 public:
  explicit TReplayInputStream(std::istream& in) : in_(in) {}

  size_t Read(void* buffer, size_t count) override;
  /// Seeks within what was read so far; further is refused with "Stream read error".
  int64_t Seek(int64_t offset, SeekOrigin origin) override;

 private:
  std::istream& in_;
  TSpillStream kept_;
  uint64_t pos_ = 0;
};

}  // namespace qualtren
