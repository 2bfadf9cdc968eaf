// The translate subcommand: the translation tables loaded as the window
// loads them, and one text (a file or standard input) translated to standard
// output, or compared with its translation as a unified diff.
#include <future>
#include <istream>
#include <ostream>

#include "base/spill_stream.h"
#include "base/stream.h"
#include "cli/commands.h"
#include "cli/input_stream.h"
#include "cli/progress.h"
#include "cli/unified_diff.h"
#include "trans/stream_translate.h"
#include "trans/trans_tables.h"

namespace qualtren {

namespace {

// Writes a stream from its start to an output stream.
void CopyToOutput(TStream& from, std::ostream& to) {
  from.SetPosition(0);
  char buffer[64 * 1024];
  while (const size_t n = from.Read(buffer, sizeof buffer))
    to.write(buffer, static_cast<std::streamsize>(n));
  to.flush();
  if (!to) throw EWriteError();
}

// Standard output as a stream that is only written; it stands at the end
// of what it wrote.
class TOutputStream : public TStream {
 public:
  explicit TOutputStream(std::ostream& out) : out_(out) {}
  size_t Read(void*, size_t) override { return 0; }
  size_t Write(const void* buffer, size_t count) override {
    out_.write(static_cast<const char*>(buffer), static_cast<std::streamsize>(count));
    if (!out_) return 0;
    written_ += static_cast<int64_t>(count);
    return count;
  }
  int64_t Seek(int64_t, SeekOrigin) override { return written_; }

 private:
  std::ostream& out_;
  int64_t written_ = 0;
};

// The whole of a stream, from its start.
std::string ReadAll(TStream& from) {
  from.SetPosition(0);
  std::string bytes;
  char buffer[64 * 1024];
  while (const size_t n = from.Read(buffer, sizeof buffer))
    bytes.append(buffer, n);
  return bytes;
}

// translate --diff: the unified diff of the input and its translation.
int PrintDiff(TStreamTranslator& translator, TStream& watched, TStream& input,
              const TStreamOutcome& examined, TProgress& progress, const std::string& name,
              CliIo& io) {
  TSpillStream result;
  TLineImageObserver image;
  const TStreamOutcome outcome = translator.Translate(watched, result, &image, &examined);
  progress.Clear();
  if (outcome.status == TStreamOutcome::Status::Failed)
    throw Exception("the translation failed: " + outcome.Error);
  // The diff needs both texts whole; the input is read again from its start.
  const std::string diff =
      UnifiedDiff(DiffableText(ReadAll(input), outcome.Form),
                  DiffableText(ReadAll(result), outcome.Form), name, &image.Image);
  io.Out << diff;
  io.Out.flush();
  if (!io.Out) throw EWriteError();
  return diff.empty() ? kExitOk : kExitFound;
}

}  // namespace

int RunTranslate(const TranslateOptions& options, CliIo& io) {
  const bool fromStdin = options.File.empty() || options.File == "-";
  std::unique_ptr<TStream> input;
  if (fromStdin)
    input = std::make_unique<TReplayInputStream>(io.In);
  else
    input = std::make_unique<TFileStream>(options.File, FileMode::OpenRead);

  TProgress progress(io.Err, io.ErrIsTerminal && !options.Quiet);
  TProgressInputStream watched(*input, fromStdin ? 0 : static_cast<uint64_t>(input->Size()),
                               progress);
  const std::string inputName = fromStdin ? std::string("standard input") : options.File;

  // The input is read through once first, so that what is refused is
  // refused before a byte is written (the driver ends a text at its first
  // NUL byte; translating such input would silently drop everything after
  // it). That needs no tables: it runs while they load.
  std::future<TStreamOutcome> examining = std::async(
      std::launch::async, [&] { return TStreamTranslator::Examine(watched, options.Encoding); });
  TTransTableSet tables;
  std::shared_ptr<const TNameDictionary> dictionary;
  try {
    LoadTables(tables, options.TablesDir, &dictionary);
  } catch (...) {
    examining.wait();
    throw;
  }
  // A diff hears every line, which keeps its translation on one thread.
  TStreamTranslator translator(tables.Tables(), options.Translation());
  // Whether the translation can fail: the tables were read into their name
  // dictionary as they loaded.
  translator.ShareDictionary(dictionary);
  const bool canFail = translator.CanFail();
  const TStreamOutcome examined = examining.get();
  if (examined.status == TStreamOutcome::Status::HoldsNul) {
    progress.Clear();
    throw Exception(inputName + " holds a NUL byte");
  }
  if (examined.status == TStreamOutcome::Status::BadEncoding) {
    progress.Clear();
    throw Exception(inputName + ": " + examined.Error);
  }

  if (options.Diff) {
    return PrintDiff(translator, watched, *input, examined, progress,
                     fromStdin ? "-" : options.File, io);
  }

  if (!canFail) {
    // Nothing can fail any more: the translation goes out as it is made.
    TOutputStream output(io.Out);
    translator.Translate(watched, output, nullptr, &examined);
    progress.Clear();
    io.Out.flush();
    if (!io.Out) throw EWriteError();
    return kExitOk;
  }

  // The result is kept until the translation is through, so that a failure
  // can still give back the input instead.
  TSpillStream result;
  const TStreamOutcome outcome = translator.Translate(watched, result, nullptr, &examined);
  progress.Clear();
  if (outcome.status == TStreamOutcome::Status::Failed) {
    result.Clear();
    TStreamTranslator::CopyLines(*input, result, outcome.Form);
  }
  CopyToOutput(result, io.Out);
  if (outcome.status == TStreamOutcome::Status::Failed) {
    io.Err << kMessagePrefix << outcome.Error << '\n';
    return kExitFailed;
  }
  return kExitOk;
}

const char* const kTranslateHelp =
    "Exit status:\n"
    "  0  translated (with --diff: nothing would change)\n"
    "  1  the translation failed: the input comes back with CR LF line breaks (with --diff: "
    "something would change)\n"
    "  2  bad usage, unreadable input, input holding a NUL byte or broken under its "
    "encoding, or a table that failed to load (with --diff: also a failed translation)";

}  // namespace qualtren
