// The line reader: a block buffer over a stream, scanned for line breaks.
#include "trans/line_reader.h"

#include <cstring>

namespace qualtren {

TLineReader::TLineReader(TStream& in, size_t blockSize) : in_(in), buffer_(blockSize) {}

bool TLineReader::Fill() {
  if (atEnd_) return false;
  if (begin_ > 0) {
    std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
    end_ -= begin_;
    begin_ = 0;
  }
  // A line longer than the buffer makes the buffer grow.
  if (end_ == buffer_.size()) buffer_.resize(buffer_.size() * 2);
  const size_t n = in_.Read(buffer_.data() + end_, buffer_.size() - end_);
  bytesRead_ += n;
  end_ += n;
  if (n == 0) atEnd_ = true;
  return n > 0;
}

bool TLineReader::Next(std::string_view& line) {
  if (sawNul_) return false;
  size_t scanned = 0;  // bytes of the line already searched for its end
  for (;;) {
    const char* data = buffer_.data();
    size_t i = begin_ + scanned;
    while (i < end_ && data[i] != '\r' && data[i] != '\n' && data[i] != '\0')
      ++i;
    scanned = i - begin_;
    // The line's end is not read yet, or a CR is, and an LF may follow it.
    if (i == end_ || (data[i] == '\r' && i + 1 == end_ && !atEnd_)) {
      if (Fill()) continue;
      data = buffer_.data();
      i = begin_ + scanned;
      if (i == end_) {
        if (begin_ == end_) return false;
        line = std::string_view(data + begin_, end_ - begin_);
        begin_ = end_;
        return true;
      }
    }
    if (data[i] == '\0') {
      sawNul_ = true;
      if (i == begin_) return false;
      line = std::string_view(data + begin_, i - begin_);
      begin_ = i;
      return true;
    }
    line = std::string_view(data + begin_, i - begin_);
    begin_ = i + 1;
    if (data[i] == '\r' && begin_ < end_ && data[begin_] == '\n') ++begin_;
    return true;
  }
}

}  // namespace qualtren
