// The line reader: a block buffer over a stream, scanned for line breaks.
#include "trans/line_reader.h"

#include <cstring>

#include "trans/lines.h"

namespace qualtren {

TLineReader::TLineReader(TStream& in, size_t blockSize)
    : in_(in), buffer_(blockSize < 2 ? 2 : blockSize) {}

bool TLineReader::Fill() {
  if (atEnd_) return false;
  if (begin_ > 0) {
    std::memmove(buffer_.Data(), buffer_.Data() + begin_, end_ - begin_);
    end_ -= begin_;
    begin_ = 0;
  }
  // A line longer than the buffer makes the buffer grow.
  if (end_ == buffer_.Capacity()) buffer_.Reserve(2 * buffer_.Capacity());
  const size_t n = in_.Read(buffer_.Data() + end_, buffer_.Capacity() - end_);
  bytesRead_ += n;
  end_ += n;
  if (n == 0) atEnd_ = true;
  return n > 0;
}

bool TLineReader::CutPart(std::string_view& line) {
  if (cutAfter_ == nullptr || begin_ != 0 || end_ != buffer_.Capacity()) return false;
  for (size_t i = end_; i > begin_; --i)
    if (cutAfter_(buffer_.Data()[i - 1])) {
      line = std::string_view(buffer_.Data() + begin_, i - begin_);
      begin_ = i;
      inLine_ = true;
      return true;
    }
  return false;
}

bool TLineReader::Next(std::string_view& line) {
  bool ends = true;
  return Next(line, ends);
}

bool TLineReader::Next(std::string_view& line, bool& ends) {
  if (sawNul_) return false;
  ends = true;
  size_t scanned = 0;  // bytes of the line already searched for its end
  for (;;) {
    const char* data = buffer_.Data();
    size_t i = static_cast<size_t>(FindLineEnd(data + begin_ + scanned, data + end_) - data);
    scanned = i - begin_;
    // The line's end is not read yet, or a CR is, and an LF may follow it.
    if (i == end_ || (data[i] == '\r' && i + 1 == end_ && !atEnd_)) {
      if (i == end_ && CutPart(line)) {
        ends = false;
        return true;
      }
      if (Fill()) continue;
      data = buffer_.Data();
      i = begin_ + scanned;
      if (i == end_) {
        // A line whose parts ran up to the end still ends, if empty.
        if (begin_ == end_ && !inLine_) return false;
        line = std::string_view(data + begin_, end_ - begin_);
        begin_ = end_;
        inLine_ = false;
        return true;
      }
    }
    if (data[i] == '\0') {
      sawNul_ = true;
      if (i == begin_ && !inLine_) return false;
      line = std::string_view(data + begin_, i - begin_);
      begin_ = i;
      inLine_ = false;
      return true;
    }
    inLine_ = false;
    line = std::string_view(data + begin_, i - begin_);
    begin_ = i + 1;
    if (data[i] == '\r' && begin_ < end_ && data[begin_] == '\n') ++begin_;
    return true;
  }
}

}  // namespace qualtren
