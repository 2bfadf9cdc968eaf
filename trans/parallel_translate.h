// One text on several threads: the text is cut into chunks of whole lines,
// workers translate the chunks, each chunk's lines up to its first keyword
// for both name contexts it may start in, and the translations are written
// in order, each chunk in the variant of the context that the chunks before
// it leave.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "base/stream.h"
#include "trans/translate.h"

namespace qualtren {

class TNameDictionary;

/// Translates the lines of a text on `workers` threads, each with a lookup
/// of its own over one name dictionary: the same bytes as a TLineTranslator
/// gives line by line on one thread. The name context at the start of a
/// line depends only on the keywords before it, never on what a lookup
/// found: from a chunk's first line that holds a keyword on, its
/// translation is the same whichever context the chunk starts in, and only
/// the lines before are translated for both. With a dialect, a chunk is
/// translated as if it started in code; the few that start inside a string
/// or a comment that runs over from the chunk before are translated again
/// on the calling thread. Without a dialect and comment lines, a line
/// longer than a few chunks is read in parts cut behind a separator, so
/// that no line is held whole; the workers translate a part as a chunk,
/// its words up to the end of the first piece of a few KB that holds a
/// keyword for both contexts.
/// A lookup over a dictionary never fails, so neither does the translation.
/// At most a few chunks per worker are in memory at once, and their
/// buffers are reused from one chunk to the next.
class TParallelTranslator {
 public:
  /// Chunks hold about this many bytes of text.
  static constexpr size_t kChunkBytes = 256u << 10;

  /// Works on options.Workers() threads, with the options' comment lines
  /// and dialect.
  TParallelTranslator(const TransTables& tables, std::shared_ptr<const TNameDictionary> dictionary,
                      const TTranslateOptions& options, size_t chunkBytes = kChunkBytes);

  /// Reads the text from `text` at its position (its lines as TLineReader
  /// cuts them, ending at a NUL byte) and writes its translation to `out`.
  /// `tableName` and the text are both UTF-8 when `utf8`, else text of the
  /// code page. Returns whether the text ended at a NUL byte; `bytesRead`
  /// receives the bytes read. A text of one chunk is translated on the
  /// calling thread.
  bool Run(TStream& text, TStream& out, const std::string& tableName, bool utf8,
           uint64_t& bytesRead);

 private:
  class TRun;

  TransTables tables_;
  std::shared_ptr<const TNameDictionary> dictionary_;
  size_t workers_;
  size_t chunkBytes_;
  TTranslateOptions options_;
};

}  // namespace qualtren
