// The parallel driver: the calling thread reads the text, cuts it into
// chunks at line breaks and writes the translations in order, choosing each
// chunk's variant by the context the chunks before it leave; worker threads
// translate the chunks.
#include "trans/parallel_translate.h"

#include <condition_variable>
#include <cstring>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "trans/lines.h"
#include "trans/name_dictionary.h"
#include "trans/name_lookup.h"

namespace qualtren {

namespace {

struct TChunk {
  std::string Input;   // whole lines with their breaks
  std::string Output;  // translated from the context "F"
  // Up to the end of the first line with a keyword (the whole chunk when
  // none has one): the lines translated from the context "T", and where
  // they end in Output.
  std::string HeadFromTable;
  size_t HeadEnd = 0;
  bool HasKeyword = false;
  bool EndContext = false;  // after the chunk, when it has a keyword
  TLexState EndLex;         // after the chunk, when it starts in code
  bool Done = false;
};

// Where a chunk may end in `bytes`: just behind the last line break that
// is known whole (an LF; a CR only when the byte after it is there and is
// no LF), or at the end of the text; 0 where there is none yet.
size_t CutPoint(std::string_view bytes, bool atEnd) {
  if (atEnd) return bytes.size();
  if (const size_t lf = bytes.rfind('\n'); lf != std::string_view::npos) return lf + 1;
  if (bytes.size() >= 2)
    if (const size_t cr = bytes.rfind('\r', bytes.size() - 2); cr != std::string_view::npos)
      return cr + 1;
  return 0;
}

// Reads the text a chunk at a time, up to its end or a NUL byte.
class TChunkReader {
 public:
  TChunkReader(TStream& in, size_t chunkBytes) : in_(in), chunkBytes_(chunkBytes) {}

  /// The next chunk of whole lines into `chunk`; false when the text is over.
  bool Next(std::string& chunk) {
    for (;;) {
      const size_t cut = CutPoint(carry_, atEnd_);
      if ((cut > 0 && carry_.size() >= chunkBytes_) || (atEnd_ && cut > 0)) {
        chunk.assign(carry_, 0, cut);
        carry_.erase(0, cut);
        return true;
      }
      if (atEnd_) return false;
      // A line longer than a chunk makes the chunk grow.
      const size_t old = carry_.size();
      carry_.resize(old + chunkBytes_);
      const size_t n = in_.Read(carry_.data() + old, chunkBytes_);
      carry_.resize(old + n);
      bytesRead_ += n;
      if (n == 0) atEnd_ = true;
      if (const void* nul = std::memchr(carry_.data() + old, 0, n)) {
        carry_.resize(static_cast<size_t>(static_cast<const char*>(nul) - carry_.data()));
        atEnd_ = true;
        sawNul_ = true;
      }
    }
  }
  bool SawNul() const { return sawNul_; }
  uint64_t BytesRead() const { return bytesRead_; }

 private:
  TStream& in_;
  size_t chunkBytes_;
  std::string carry_;
  bool atEnd_ = false;
  bool sawNul_ = false;
  uint64_t bytesRead_ = 0;
};

// Translates a chunk from the context "F", and its head again from "T"
// (unless it is known to start in "F").
void TranslateChunk(TLineTranslator& translator, TChunk& chunk, bool startKnown) {
  chunk.Output.clear();
  chunk.Output.reserve(chunk.Input.size() + chunk.Input.size() / 4);
  chunk.HeadFromTable.clear();
  chunk.HasKeyword = false;
  translator.SetTableContext(false);
  translator.SetLexState({});
  size_t headLines = 0;
  ForEachLine(chunk.Input, [&](std::string_view line) {
    const size_t keywords = translator.KeywordsSeen();
    translator.TranslateLine(line, chunk.Output);
    if (chunk.HasKeyword) return;
    ++headLines;
    chunk.HeadEnd = chunk.Output.size();
    chunk.HasKeyword = translator.KeywordsSeen() != keywords;
  });
  chunk.EndContext = translator.TableContext();
  chunk.EndLex = translator.LexState();
  if (startKnown) return;
  translator.SetTableContext(true);
  translator.SetLexState({});
  size_t line = 0;
  ForEachLine(chunk.Input, [&](std::string_view text) {
    if (line++ == headLines) return false;
    translator.TranslateLine(text, chunk.HeadFromTable);
    return true;
  });
}

}  // namespace

TParallelTranslator::TParallelTranslator(const TransTables& tables,
                                         std::shared_ptr<const TNameDictionary> dictionary,
                                         const TTranslateOptions& options, size_t chunkBytes)
    : tables_(tables),
      dictionary_(std::move(dictionary)),
      workers_(options.Workers()),
      chunkBytes_(chunkBytes < 1 ? 1 : chunkBytes),
      dialect_(options.Dialect),
      options_(options) {}

bool TParallelTranslator::Run(TStream& text, TStream& out, const std::string& tableName, bool utf8,
                              uint64_t& bytesRead) {
  const TCommentOptions comment = options_.CommentFor(utf8);
  TChunkReader reader(text, chunkBytes_);
  // A window of chunks in flight: read ahead, being translated, or waiting
  // to be written.
  const size_t window = 2 * workers_ + 2;
  std::vector<TChunk> ring(window);
  uint64_t produced = 0, taken = 0, written = 0;
  bool finished = false;  // no chunk will come any more
  bool context = false;   // the name context after the chunks written

  if (!reader.Next(ring[0].Input)) {
    bytesRead = reader.BytesRead();
    return reader.SawNul();
  }
  ++produced;
  // A text of one chunk stays on this thread.
  if (!reader.Next(ring[1].Input)) {
    TNameLookup lookup(tables_, tableName, utf8, dictionary_);
    TLineTranslator translator(lookup, comment, nullptr, dialect_);
    TranslateChunk(translator, ring[0], true);
    out.WriteBytes(ring[0].Output);
    bytesRead = reader.BytesRead();
    return reader.SawNul();
  }
  ++produced;

  std::mutex mutex;
  std::condition_variable work, done;
  std::exception_ptr failure;
  auto worker = [&] {
    try {
      TNameLookup lookup(tables_, tableName, utf8, dictionary_);
      TLineTranslator translator(lookup, comment, nullptr, dialect_);
      for (;;) {
        uint64_t seq;
        {
          std::unique_lock<std::mutex> lock(mutex);
          work.wait(lock, [&] { return taken < produced || finished; });
          if (taken == produced) return;
          seq = taken++;
        }
        TChunk& chunk = ring[seq % window];
        TranslateChunk(translator, chunk, seq == 0);
        {
          std::lock_guard<std::mutex> lock(mutex);
          chunk.Done = true;
        }
        done.notify_all();
      }
    } catch (...) {
      std::lock_guard<std::mutex> lock(mutex);
      if (!failure) failure = std::current_exception();
      finished = true;
      done.notify_all();
    }
  };
  std::vector<std::jthread> threads;
  // However this thread leaves, the workers take no further chunk and can
  // be joined.
  struct TStop {
    std::mutex& Mutex;
    std::condition_variable& Work;
    bool& Finished;
    ~TStop() {
      {
        std::lock_guard<std::mutex> lock(Mutex);
        Finished = true;
      }
      Work.notify_all();
    }
  };
  for (size_t w = 0; w < workers_; ++w)
    threads.emplace_back(worker);
  TStop stop{mutex, work, finished};
  work.notify_all();

  // A chunk that starts inside a string or comment of the chunk before is
  // translated again here, from where the text really stands.
  TLexState lex;
  std::unique_ptr<TNameLookup> ownLookup;
  std::unique_ptr<TLineTranslator> own;
  bool textOver = false;
  for (;;) {
    // Read ahead while the window has room.
    bool room;
    {
      std::lock_guard<std::mutex> lock(mutex);
      if (failure) std::rethrow_exception(failure);
      room = !textOver && produced - written < window;
    }
    if (room) {
      TChunk& chunk = ring[produced % window];
      if (reader.Next(chunk.Input)) {
        chunk.Done = false;
        {
          std::lock_guard<std::mutex> lock(mutex);
          ++produced;
        }
        work.notify_one();
        continue;
      }
      textOver = true;
    }
    // Write the next chunk in order once it is done.
    TChunk* next = nullptr;
    {
      std::unique_lock<std::mutex> lock(mutex);
      if (written == produced && textOver) break;
      done.wait(lock, [&] { return ring[written % window].Done || failure; });
      if (failure) std::rethrow_exception(failure);
      next = &ring[written % window];
    }
    if (!(lex == TLexState())) {
      if (!own) {
        ownLookup = std::make_unique<TNameLookup>(tables_, tableName, utf8, dictionary_);
        own = std::make_unique<TLineTranslator>(*ownLookup, comment, nullptr, dialect_);
      }
      own->SetTableContext(context);
      own->SetLexState(lex);
      next->Output.clear();
      ForEachLine(next->Input,
                  [&](std::string_view line) { own->TranslateLine(line, next->Output); });
      out.WriteBytes(next->Output);
      context = own->TableContext();
      lex = own->LexState();
    } else {
      // The variant of the context the chunks before leave.
      if (context) {
        out.WriteBytes(next->HeadFromTable);
        out.WriteBytes(std::string_view(next->Output).substr(next->HeadEnd));
      } else {
        out.WriteBytes(next->Output);
      }
      if (next->HasKeyword) context = next->EndContext;
      lex = next->EndLex;
    }
    {
      std::lock_guard<std::mutex> lock(mutex);
      next->Done = false;
      ++written;
    }
  }
  bytesRead = reader.BytesRead();
  return reader.SawNul();
}

}  // namespace qualtren
