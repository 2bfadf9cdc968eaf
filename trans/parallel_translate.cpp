// The parallel driver: the calling thread reads the text, cuts it into
// chunks at line breaks and writes the translations in order, choosing each
// chunk's variant by the context the chunks before it leave; worker threads
// translate the chunks. The chunks' buffers go round a ring and are reused,
// never allocated afresh for each chunk; a line longer than a few chunks
// comes in parts, which the workers translate as they translate chunks.
#include "trans/parallel_translate.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "base/byte_buffer.h"
#include "trans/lines.h"
#include "trans/name_dictionary.h"
#include "trans/name_lookup.h"

namespace qualtren {

namespace {

struct TChunk {
  TByteBuffer Input;   // whole lines with their breaks, or a part of one line
  std::string Output;  // translated from the context "F"
  // Up to the end of the first line with a keyword (the whole chunk when
  // none has one): the lines translated from the context "T", and where
  // they end in Output.
  std::string HeadFromTable;
  size_t HeadEnd = 0;
  bool HasKeyword = false;
  bool EndContext = false;  // after the chunk, when it has a keyword
  TLexState EndLex;         // after the chunk, when it starts in code
  // The front of a line too long for a few chunks, ending in a separator
  // (never with a dialect or comment lines, which need the line whole).
  bool Part = false;
  bool Done = false;
};

// Reads the text a chunk at a time, up to its end or a NUL byte. Each byte
// is searched for a line break once, and the buffers are swapped rather
// than copied: a chunk's buffer becomes the carry for the bytes behind it.
// The carry grows by realloc and is never cleared before it is read into,
// so that a line held whole costs what the one-thread reader's does.
class TChunkReader {
 public:
  // `cutAfter` (nullptr: never) says behind which bytes a line too long for
  // a chunk may be cut into parts.
  TChunkReader(TStream& in, size_t chunkBytes, bool (*cutAfter)(char))
      : in_(in), chunkBytes_(chunkBytes), cutAfter_(cutAfter) {}

  /// The next chunk into `chunk`, reusing its buffer: whole lines, or with
  /// `part` the front of a long line; false when the text is over.
  bool Next(TByteBuffer& chunk, bool& part) {
    for (;;) {
      part = false;
      if (cut_ > 0 && (carry_.Size() >= chunkBytes_ || atEnd_)) return Hand(chunk, cut_);
      if (atEnd_) return !carry_.Empty() && Hand(chunk, carry_.Size());
      // A line of a few chunks still goes to a worker whole.
      if (cut_ == 0 && carry_.Size() >= kPartAfter * chunkBytes_ && cutAfter_ != nullptr)
        if (const size_t at = PartCut(); at > 0) {
          part = true;
          return Hand(chunk, at);
        }
      Read();
    }
  }
  bool SawNul() const { return sawNul_; }
  uint64_t BytesRead() const { return bytesRead_; }

 private:
  // Appends up to a chunk's worth of bytes to the carry and finds the last
  // line break known whole among them.
  void Read() {
    const size_t old = carry_.Size();
    carry_.Resize(old + chunkBytes_);
    const size_t n = in_.Read(carry_.Data() + old, chunkBytes_);
    carry_.Resize(old + n);
    bytesRead_ += n;
    if (n == 0) atEnd_ = true;
    if (const void* nul = std::memchr(carry_.Data() + old, 0, n)) {
      carry_.Resize(static_cast<size_t>(static_cast<const char*>(nul) - carry_.Data()));
      atEnd_ = true;
      sawNul_ = true;
    }
    // A CR ends a line known whole once the byte behind it is read. The
    // last break among the bytes not searched before is found by memrchr,
    // not a byte at a time: a long line is searched chunk after chunk.
    const size_t end = atEnd_ ? carry_.Size() : carry_.Size() - (carry_.Size() > 0);
    const size_t from = old > 0 ? old - 1 : 0;
    if (end > from) {
      const char* const base = carry_.Data() + from;
      const auto* lf = static_cast<const char*>(::memrchr(base, '\n', end - from));
      const auto* cr = static_cast<const char*>(::memrchr(base, '\r', end - from));
      if (const char* last = !lf ? cr : !cr ? lf : std::max(lf, cr); last != nullptr) {
        const auto i = static_cast<size_t>(last - carry_.Data()) + 1;
        cut_ = i + (*last == '\r' && i < carry_.Size() && carry_.Data()[i] == '\n');
      }
    }
  }

  // Where a carry without a line break may be cut: behind its last cut
  // byte but the very last (so that the line's rest, which ends it, is
  // never empty), searching each byte once; 0 where there is none.
  size_t PartCut() {
    const char* const bytes = carry_.Data();
    for (size_t i = carry_.Size() - 1; i > searched_; --i)
      if (bytes[i - 1] != '\r' && bytes[i - 1] != '\n' && cutAfter_(bytes[i - 1])) return i;
    searched_ = carry_.Size() - 1;
    return 0;
  }

  // Hands the carry's first `bytes` to `chunk`; the rest stays.
  bool Hand(TByteBuffer& chunk, size_t bytes) {
    chunk.Assign(carry_.View().substr(bytes));
    carry_.Resize(bytes);
    chunk.Swap(carry_);
    cut_ = 0;
    searched_ = 0;
    return true;
  }

  static constexpr size_t kPartAfter = 4;  // chunks' worth of a line before it is cut

  TStream& in_;
  size_t chunkBytes_;
  bool (*cutAfter_)(char);
  TByteBuffer carry_;
  size_t cut_ = 0;       // behind the carry's last line break known whole; 0: none
  size_t searched_ = 0;  // the carry's first bytes hold no cut byte
  bool atEnd_ = false;
  bool sawNul_ = false;
  uint64_t bytesRead_ = 0;
};

// Calls `onPiece` with the pieces of a part of a line, each of about
// `pieceBytes` and cut behind a separator (as the part itself is).
template <typename OnPiece>
void ForEachPiece(std::string_view part, size_t pieceBytes, OnPiece&& onPiece) {
  for (size_t at = 0; at < part.size();) {
    size_t end = std::min(part.size(), at + pieceBytes);
    while (end < part.size() && !IsSeparator(part[end - 1]))
      ++end;
    onPiece(part.substr(at, end - at));
    at = end;
  }
}

// Empties a chunk's output, with room for its translation at once: room
// for comment lines too costs no memory while it is not written to, and a
// chunk of one long line then never grows by doubling beside a copy.
void ClearOutput(TChunk& chunk) {
  chunk.Output.clear();
  chunk.Output.reserve(3 * chunk.Input.Size());
}

// Translates a chunk from the context "F", and its head again from "T"
// (unless it is known to start in "F"). The head ends with the first line
// that holds a keyword, or in a part of a line with the first piece that
// holds one.
void TranslateChunk(TLineTranslator& translator, TChunk& chunk, bool startKnown,
                    size_t pieceBytes) {
  ClearOutput(chunk);
  chunk.HeadFromTable.clear();
  chunk.HasKeyword = false;
  translator.SetTableContext(false);
  translator.SetLexState({});
  size_t headLines = 0, headBytes = 0;
  const auto translate = [&](std::string_view text) {
    const size_t keywords = translator.KeywordsSeen();
    if (chunk.Part)
      translator.TranslateLinePart(text, chunk.Output);
    else
      translator.TranslateLine(text, chunk.Output);
    if (chunk.HasKeyword) return;
    ++headLines;
    headBytes = static_cast<size_t>(text.data() + text.size() - chunk.Input.Data());
    chunk.HeadEnd = chunk.Output.size();
    chunk.HasKeyword = translator.KeywordsSeen() != keywords;
  };
  if (chunk.Part)
    ForEachPiece(chunk.Input.View(), pieceBytes, translate);
  else
    ForEachLine(chunk.Input.View(), translate);
  chunk.EndContext = translator.TableContext();
  chunk.EndLex = translator.LexState();
  if (startKnown) return;
  translator.SetTableContext(true);
  translator.SetLexState({});
  if (chunk.Part) {
    translator.TranslateLinePart(chunk.Input.View().substr(0, headBytes), chunk.HeadFromTable);
    return;
  }
  size_t line = 0;
  ForEachLine(chunk.Input.View(), [&](std::string_view text) {
    if (line++ == headLines) return false;
    translator.TranslateLine(text, chunk.HeadFromTable);
    return true;
  });
}

// A line translator with a lookup of its own over the shared dictionary.
struct TOwnTranslator {
  TOwnTranslator(const TransTables& tables, const std::string& tableName, bool utf8,
                 const std::shared_ptr<const TNameDictionary>& dictionary,
                 const TCommentOptions& comment, TDialectOptions dialect)
      : Lookup(tables, tableName, utf8, dictionary),
        Translator(Lookup, comment, nullptr, dialect) {}
  TOwnTranslator(const TOwnTranslator&) = delete;
  TOwnTranslator& operator=(const TOwnTranslator&) = delete;
  TNameLookup Lookup;
  TLineTranslator Translator;
};

}  // namespace

// One text on the workers: a window of chunks in flight (read ahead, being
// translated, or waiting to be written), taken by the workers in order and
// written in order.
class TParallelTranslator::TRun {
 public:
  TRun(const TParallelTranslator& owner, TStream& text, TStream& out, const std::string& tableName,
       bool utf8, const TCommentOptions& comment)
      : owner_(owner),
        out_(out),
        tableName_(tableName),
        utf8_(utf8),
        comment_(comment),
        reader_(text, owner.chunkBytes_, CutsLines(owner, comment) ? IsSeparator : nullptr),
        window_(2 * owner.workers_ + 2),
        ring_(window_) {}

  // However the run ends, the workers take no further chunk and are joined.
  ~TRun() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      finished_ = true;
    }
    work_.notify_all();
    threads_.clear();
  }

  bool Run(uint64_t& bytesRead) {
    if (ReadChunk()) {
      // A text of one chunk stays on this thread.
      if (!ring_[0].Part && !ReadChunk()) {
        TranslateChunk(MakeTranslator()->Translator, ring_[0], true, PieceBytes());
        out_.WriteBytes(ring_[0].Output);
      } else {
        for (size_t w = 0; w < owner_.workers_; ++w)
          threads_.emplace_back([this] { Work(); });
        work_.notify_all();
        while (ReadChunk() || WriteNext()) {
        }
      }
    }
    bytesRead = reader_.BytesRead();
    return reader_.SawNul();
  }

 private:
  // Long lines come in parts where no dialect's lexer and no comment line
  // needs them whole.
  static bool CutsLines(const TParallelTranslator& owner, const TCommentOptions& comment) {
    return owner.options_.Dialect.Dialect == TDialect::None && !comment.Add;
  }

  // A chunk of whole lines this many chunks long holds a line too long to
  // share out.
  static constexpr size_t kLongChunk = 4;

  // Whether the chunk holds lines too long to share out that could not
  // come in parts: the writer translates them once, in their turn, from
  // where the text stands, rather than a worker translating the long first
  // line for both contexts.
  bool WrittenHere(const TChunk& chunk) const {
    return !chunk.Part && chunk.Input.Size() > kLongChunk * owner_.chunkBytes_;
  }

  // The pieces of a part of a line (4 KiB in chunks of 256 KiB): the words
  // of the first that holds a keyword are translated for both contexts.
  size_t PieceBytes() const { return std::max<size_t>(1, owner_.chunkBytes_ / 64); }

  std::unique_ptr<TOwnTranslator> MakeTranslator() const {
    return std::make_unique<TOwnTranslator>(owner_.tables_, tableName_, utf8_, owner_.dictionary_,
                                            comment_, owner_.options_.Dialect);
  }

  // Reads the next chunk into the window while it has room; false when it
  // has none or the text is over.
  bool ReadChunk() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (failure_) std::rethrow_exception(failure_);
      if (textOver_ || produced_ - written_ >= window_) return false;
    }
    TChunk& chunk = ring_[produced_ % window_];
    if (!reader_.Next(chunk.Input, chunk.Part)) {
      textOver_ = true;
      return false;
    }
    {
      std::lock_guard<std::mutex> lock(mutex_);
      chunk.Done = false;
      ++produced_;
    }
    work_.notify_one();
    return true;
  }

  // A worker: takes the chunks in order until there are no more.
  void Work() {
    try {
      const std::unique_ptr<TOwnTranslator> own = MakeTranslator();
      for (;;) {
        uint64_t seq;
        {
          std::unique_lock<std::mutex> lock(mutex_);
          work_.wait(lock, [&] { return taken_ < produced_ || finished_; });
          if (taken_ == produced_) return;
          seq = taken_++;
        }
        TChunk& chunk = ring_[seq % window_];
        if (!WrittenHere(chunk)) TranslateChunk(own->Translator, chunk, seq == 0, PieceBytes());
        {
          std::lock_guard<std::mutex> lock(mutex_);
          chunk.Done = true;
        }
        done_.notify_all();
      }
    } catch (...) {
      std::lock_guard<std::mutex> lock(mutex_);
      if (!failure_) failure_ = std::current_exception();
      finished_ = true;
      done_.notify_all();
    }
  }

  // Waits for the next chunk in order and writes it; false when all are
  // written and the text is over.
  bool WriteNext() {
    TChunk* next = nullptr;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      if (written_ == produced_ && textOver_) return false;
      done_.wait(lock, [&] { return ring_[written_ % window_].Done || failure_; });
      if (failure_) std::rethrow_exception(failure_);
      next = &ring_[written_ % window_];
    }
    if (WrittenHere(*next) || !(lex_ == TLexState())) {
      TranslateHere(*next);
    } else {
      // The variant of the context the chunks before leave.
      if (context_) {
        out_.WriteBytes(next->HeadFromTable);
        out_.WriteBytes(std::string_view(next->Output).substr(next->HeadEnd));
      } else {
        out_.WriteBytes(next->Output);
      }
      if (next->HasKeyword) context_ = next->EndContext;
      lex_ = next->EndLex;
    }
    {
      std::lock_guard<std::mutex> lock(mutex_);
      next->Done = false;
      ++written_;
    }
    return true;
  }

  // Translates a chunk here, from where the text really stands: it starts
  // inside a string or comment of the chunk before (so there is a dialect,
  // and no chunk is a part of a line), or it is too long to share out.
  void TranslateHere(TChunk& chunk) {
    if (!own_) own_ = MakeTranslator();
    TLineTranslator& own = own_->Translator;
    own.SetTableContext(context_);
    own.SetLexState(lex_);
    ClearOutput(chunk);
    ForEachLine(chunk.Input.View(),
                [&](std::string_view line) { own.TranslateLine(line, chunk.Output); });
    out_.WriteBytes(chunk.Output);
    context_ = own.TableContext();
    lex_ = own.LexState();
  }

  const TParallelTranslator& owner_;
  TStream& out_;
  const std::string& tableName_;
  bool utf8_;
  const TCommentOptions& comment_;
  TChunkReader reader_;
  const size_t window_;
  std::vector<TChunk> ring_;
  bool textOver_ = false;  // the reader has handed out its last chunk

  std::mutex mutex_;
  std::condition_variable work_, done_;
  std::exception_ptr failure_;
  uint64_t produced_ = 0, taken_ = 0, written_ = 0;
  bool finished_ = false;  // no chunk will come any more

  bool context_ = false;  // the name context after the chunks written
  TLexState lex_;         // where the lexer stands after them
  std::unique_ptr<TOwnTranslator> own_;
  std::vector<std::jthread> threads_;
};

TParallelTranslator::TParallelTranslator(const TransTables& tables,
                                         std::shared_ptr<const TNameDictionary> dictionary,
                                         const TTranslateOptions& options, size_t chunkBytes)
    : tables_(tables),
      dictionary_(std::move(dictionary)),
      workers_(options.Workers()),
      chunkBytes_(chunkBytes < 1 ? 1 : chunkBytes),
      options_(options) {}

bool TParallelTranslator::Run(TStream& text, TStream& out, const std::string& tableName, bool utf8,
                              uint64_t& bytesRead) {
  const TCommentOptions comment = options_.CommentFor(utf8);
  return TRun(*this, text, out, tableName, utf8, comment).Run(bytesRead);
}

}  // namespace qualtren
