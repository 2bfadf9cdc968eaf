// The replayable standard input.
#include "cli/input_stream.h"

#include <algorithm>

#include "base/exception.h"

namespace qualtren {

size_t TReplayInputStream::Read(void* buffer, size_t count) {
  if (count == 0) return 0;
  const uint64_t kept = kept_.ByteCount();
  if (pos_ < kept) {
    kept_.SetPosition(static_cast<int64_t>(pos_));
    const size_t n =
        kept_.Read(buffer, static_cast<size_t>(std::min<uint64_t>(count, kept - pos_)));
    pos_ += n;
    return n;
  }
  in_.read(static_cast<char*>(buffer), static_cast<std::streamsize>(count));
  const size_t n = static_cast<size_t>(in_.gcount());
  if (in_.bad()) throw EReadError();
  kept_.Seek(0, SeekOrigin::End);
  kept_.WriteBuffer(buffer, n);
  pos_ += n;
  return n;
}

int64_t TReplayInputStream::Seek(int64_t offset, SeekOrigin origin) {
  const int64_t base = origin == SeekOrigin::Begin     ? 0
                       : origin == SeekOrigin::Current ? static_cast<int64_t>(pos_)
                                                       : static_cast<int64_t>(kept_.ByteCount());
  const int64_t target = base + offset;
  if (target < 0 || static_cast<uint64_t>(target) > kept_.ByteCount()) throw EReadError();
  pos_ = static_cast<uint64_t>(target);
  return target;
}

}  // namespace qualtren
