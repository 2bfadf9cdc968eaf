// The translate and files subcommands: the translation tables loaded as the
// window loads them, one text translated to standard output, and the files of
// one directory translated in place, by several workers at once.
#include <algorithm>
#include <condition_variable>
#include <filesystem>
#include <istream>
#include <mutex>
#include <ostream>
#include <sstream>
#include <thread>

#include "base/spill_stream.h"
#include "base/stream.h"
#include "cli/commands.h"
#include "cli/input_stream.h"
#include "trans/file_list.h"
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

// What one file of a run gives: its outcome and the lines it reports.
struct FileReport {
  enum class Kind { Translated, Untouched, Failed } kind = Kind::Translated;
  std::string Lines;
};

FileReport TranslateOneFile(TStreamTranslator& translator, const FilesOptions& options,
                            const std::string& fileName) {
  FileReport report;
  try {
    const TFileOutcome outcome = TranslateFileInPlace(translator, fileName, options.Backup);
    switch (outcome.kind) {
      case TFileOutcome::Kind::Translated:
        if (options.Verbose) report.Lines = "translated: " + fileName + "\n";
        break;
      case TFileOutcome::Kind::HoldsNul:
        report.kind = FileReport::Kind::Untouched;
        report.Lines = std::string(kMessagePrefix) + "left untouched: " + fileName +
                       ": the file holds a NUL byte\n";
        break;
      case TFileOutcome::Kind::TranslationFailed:
        report.kind = FileReport::Kind::Untouched;
        report.Lines = std::string(kMessagePrefix) + "left untouched: " + fileName +
                       ": the translation failed: " + outcome.Error + "\n";
        break;
    }
  } catch (const std::exception& e) {
    report.kind = FileReport::Kind::Failed;
    report.Lines = std::string(kMessagePrefix) + "failed: " + fileName + ": " + e.what() + "\n";
  }
  return report;
}

// Translates the files with `jobs` workers, each with tables of its own, and
// hands every report to `onReport` in the order of the files.
template <typename OnReport>
void TranslateFiles(const std::vector<std::string>& fileNames, const FilesOptions& options,
                    TTransTableSet& firstTables, int jobs, OnReport&& onReport) {
  const TCommentOptions comment{options.Comment, options.Prefix, options.Suffix};
  jobs = std::max(1, std::min<int>(jobs, static_cast<int>(fileNames.size())));
  if (jobs == 1) {
    TStreamTranslator translator(firstTables.Tables(), comment);
    for (const std::string& name : fileNames)
      onReport(TranslateOneFile(translator, options, name));
    return;
  }

  // Every worker loads its own tables; the first failure ends the run.
  std::vector<std::unique_ptr<TTransTableSet>> tables(static_cast<size_t>(jobs));
  std::vector<std::exception_ptr> loadErrors(static_cast<size_t>(jobs));
  {
    std::vector<std::jthread> loaders;
    for (size_t w = 1; w < tables.size(); ++w)
      loaders.emplace_back([&, w] {
        try {
          tables[w] = std::make_unique<TTransTableSet>();
          tables[w]->Load(options.TablesDir);
        } catch (...) {
          loadErrors[w] = std::current_exception();
        }
      });
  }
  for (const std::exception_ptr& e : loadErrors)
    if (e) std::rethrow_exception(e);

  std::vector<FileReport> reports(fileNames.size());
  std::vector<char> done(fileNames.size(), 0);
  std::mutex mutex;
  std::condition_variable ready;
  size_t next = 0;
  auto work = [&](TTransTableSet& set) {
    TStreamTranslator translator(set.Tables(), comment);
    for (;;) {
      size_t i;
      {
        std::lock_guard<std::mutex> lock(mutex);
        if (next == fileNames.size()) return;
        i = next++;
      }
      FileReport report = TranslateOneFile(translator, options, fileNames[i]);
      {
        std::lock_guard<std::mutex> lock(mutex);
        reports[i] = std::move(report);
        done[i] = 1;
      }
      ready.notify_one();
    }
  };
  std::vector<std::jthread> workers;
  workers.emplace_back(work, std::ref(firstTables));
  for (size_t w = 1; w < tables.size(); ++w)
    workers.emplace_back(work, std::ref(*tables[w]));

  // Reports go out in the order of the files, as each becomes available.
  for (size_t i = 0; i < fileNames.size(); ++i) {
    FileReport report;
    {
      std::unique_lock<std::mutex> lock(mutex);
      ready.wait(lock, [&] { return done[i] != 0; });
      report = std::move(reports[i]);
    }
    onReport(report);
  }
}

}  // namespace

int RunTranslate(const TranslateOptions& options, CliIo& io) {
  const bool fromStdin = options.File.empty() || options.File == "-";
  std::unique_ptr<TStream> input;
  if (fromStdin)
    input = std::make_unique<TReplayInputStream>(io.In);
  else
    input = std::make_unique<TFileStream>(options.File, FileMode::OpenRead);

  TTransTableSet tables;
  tables.Load(options.TablesDir);
  TStreamTranslator translator(tables.Tables(), {options.Comment, options.Prefix, options.Suffix});
  // The result is kept until the translation is through, so that a failure
  // can still give back the input instead.
  TSpillStream result;
  const TStreamOutcome outcome =
      translator.Translate(*input, result, options.TableName, options.AutoTableName);
  // The driver ends a text at its first NUL byte; translating such input
  // would silently drop everything after it.
  if (outcome.status == TStreamOutcome::Status::HoldsNul)
    throw Exception((fromStdin ? std::string("standard input") : options.File) +
                    " holds a NUL byte");
  if (outcome.status == TStreamOutcome::Status::Failed) {
    result.Clear();
    TStreamTranslator::CopyLines(*input, result);
  }
  CopyToOutput(result, io.Out);
  if (outcome.status == TStreamOutcome::Status::Failed) {
    io.Err << kMessagePrefix << outcome.Error << '\n';
    return kExitFailed;
  }
  return kExitOk;
}

int RunFiles(const FilesOptions& options, CliIo& io) {
  std::error_code ec;
  if (!std::filesystem::exists(options.Dir, ec))
    throw EUsageError("directory not found: " + options.Dir);
  if (!std::filesystem::is_directory(options.Dir, ec))
    throw EUsageError("not a directory: " + options.Dir);

  TTransTableSet tables;
  tables.Load(options.TablesDir);

  // The list is taken before any file is touched, so that backup copies made
  // by this run are never translated by it.
  const std::string prefix = DirectoryPrefix(options.Dir);
  std::vector<std::string> fileNames = ListMatchingFiles(prefix, options.Mask);
  for (std::string& name : fileNames)
    name.insert(0, prefix);

  int translated = 0, untouched = 0, failed = 0;
  TranslateFiles(fileNames, options, tables, options.Jobs, [&](const FileReport& report) {
    switch (report.kind) {
      case FileReport::Kind::Translated:
        ++translated;
        break;
      case FileReport::Kind::Untouched:
        ++untouched;
        break;
      case FileReport::Kind::Failed:
        ++failed;
        break;
    }
    io.Err << report.Lines;
  });
  io.Err << "summary: " << translated << " translated, " << untouched << " left untouched, "
         << failed << " failed\n";
  return untouched == 0 && failed == 0 ? kExitOk : kExitFailed;
}

}  // namespace qualtren
