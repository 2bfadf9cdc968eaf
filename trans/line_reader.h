// Reading a stream line by line, with the line break rules of ForEachLine.
#pragma once

#include <cstdint>
#include <string_view>

#include "base/byte_buffer.h"
#include "base/stream.h"

namespace qualtren {

/// Cuts the bytes of a stream into lines as ForEachLine cuts a text (CR, LF
/// and CR LF end a line, a NUL byte ends the text), reading a block at a
/// time. A line is held whole, however long it is, unless the reader is told
/// where a long line may be cut (see CutLongLines); nothing else is kept.
class TLineReader {
 public:
  explicit TLineReader(TStream& in, size_t blockSize = 256u << 10);

  /// Lets a line that fills the whole block come out in parts: each part
  /// but the line's last ends just behind a byte for which `cutAfter` holds
  /// (never a line break). A line without such a byte in a block's length
  /// is still held whole.
  void CutLongLines(bool (*cutAfter)(char)) { cutAfter_ = cutAfter; }

  /// The next line without its break; false at the end of the text. The
  /// line stays valid until the next call.
  bool Next(std::string_view& line);
  /// The same, where a long line may come in parts (see CutLongLines):
  /// `ends` tells whether `line` is the last part of its line (or all of it).
  bool Next(std::string_view& line, bool& ends);
  /// Whether the text ended at a NUL byte rather than at the stream's end.
  bool SawNul() const { return sawNul_; }
  /// Bytes read from the stream so far.
  uint64_t BytesRead() const { return bytesRead_; }

 private:
  // Reads more bytes behind those not yet consumed; false at the stream's end.
  bool Fill();
  // The front of a line that fills the whole buffer, up to its last cut;
  // false where it has none.
  bool CutPart(std::string_view& line);

  TStream& in_;
  // Its room is the block: a line longer than that makes the room grow,
  // by realloc rather than beside a copy.
  TByteBuffer buffer_;
  size_t begin_ = 0;  // the first byte not yet consumed
  size_t end_ = 0;    // behind the last byte read
  bool atEnd_ = false;
  bool sawNul_ = false;
  uint64_t bytesRead_ = 0;
  bool (*cutAfter_)(char) = nullptr;
  bool inLine_ = false;  // a part of the line has been handed out
};

}  // namespace qualtren
