// The stream adaptors between an input's bytes and its working text: a
// reader that skips the mark and turns UTF-16 into UTF-8 as it reads, and a
// writer that puts the mark first and turns UTF-8 back into UTF-16.
#include <algorithm>
#include <cstring>

#include "base/text_encoding.h"
#include "base/text_encoding_utf16.h"
#include "base/utf.h"

namespace qualtren {

using namespace textcoding;

TTextReader::TTextReader(TStream& raw, const TTextForm& form) : raw_(raw), form_(form) {
  Seek(0, SeekOrigin::Begin);
}

size_t TTextReader::Read(void* buffer, size_t count) {
  if (form_.Encoding == TTextEncoding::Ansi || form_.Encoding == TTextEncoding::Utf8) {
    const size_t n = raw_.Read(buffer, count);
    position_ += n;
    return n;
  }
  const bool le = LittleEndian(form_.Encoding);
  char* dest = static_cast<char*>(buffer);
  size_t done = 0;
  while (done < count) {
    if (outBegin_ == out_.size()) {
      out_.clear();
      outBegin_ = 0;
      if (rawEnded_) break;
      // A unit that a read cuts in two waits in in_ for its second byte.
      const size_t kept = in_.size();
      in_.resize(kept + kBlock);
      const size_t n = raw_.Read(in_.data() + kept, kBlock);
      in_.resize(kept + n);
      if (n == 0) {
        rawEnded_ = true;
        if (highSurrogate_ != 0 || !in_.empty()) AppendUtf8(out_, 0xFFFD);
        highSurrogate_ = 0;
        in_.clear();
        continue;
      }
      const size_t whole = in_.size() & ~size_t{1};
      Utf16BytesToUtf8(in_.data(), whole, le, highSurrogate_, out_);
      in_.erase(in_.begin(), in_.begin() + static_cast<std::ptrdiff_t>(whole));
      continue;
    }
    const size_t n = std::min(count - done, out_.size() - outBegin_);
    std::memcpy(dest + done, out_.data() + outBegin_, n);
    outBegin_ += n;
    done += n;
  }
  position_ += done;
  return done;
}

int64_t TTextReader::Seek(int64_t offset, SeekOrigin origin) {
  if (origin == SeekOrigin::Current && offset == 0) return static_cast<int64_t>(position_);
  if (origin != SeekOrigin::Begin || offset != 0) throw EReadError();
  raw_.SetPosition(static_cast<int64_t>(form_.MarkBytes().size()));
  position_ = 0;
  in_.clear();
  out_.clear();
  outBegin_ = 0;
  highSurrogate_ = 0;
  rawEnded_ = false;
  return 0;
}

TTextWriter::TTextWriter(TStream& raw, const TTextForm& form) : raw_(raw), form_(form) {
  raw_.WriteBytes(form_.MarkBytes());
}

size_t TTextWriter::Write(const void* buffer, size_t count) {
  const std::string_view bytes(static_cast<const char*>(buffer), count);
  if (form_.Encoding == TTextEncoding::Ansi || form_.Encoding == TTextEncoding::Utf8) {
    raw_.WriteBytes(bytes);
  } else {
    encoded_.clear();
    if (pending_.empty()) {
      Utf8ToUtf16Bytes(bytes, LittleEndian(form_.Encoding), encoded_, &pending_);
    } else {
      const std::string joined = pending_ + std::string(bytes);
      Utf8ToUtf16Bytes(joined, LittleEndian(form_.Encoding), encoded_, &pending_);
    }
    raw_.WriteBytes(encoded_);
  }
  position_ += count;
  return count;
}

int64_t TTextWriter::Seek(int64_t offset, SeekOrigin origin) {
  if (origin == SeekOrigin::Begin && offset == 0 && position_ == 0) return 0;
  if ((origin == SeekOrigin::Current || origin == SeekOrigin::End) && offset == 0)
    return static_cast<int64_t>(position_);
  throw EWriteError();
}

}  // namespace qualtren
