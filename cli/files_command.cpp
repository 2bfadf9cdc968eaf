// The files subcommand: the files of a directory (or of a whole tree)
// translated in place by several workers at once, or only compared with
// their translation (a dry run), or put back from their backups.
#include <sys/resource.h>

#include <algorithm>
#include <condition_variable>
#include <filesystem>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <ostream>
#include <thread>

#include "base/stream.h"
#include "cli/commands.h"
#include "cli/progress.h"
#include "cli/unified_diff.h"
#include "trans/file_batch.h"
#include "trans/file_list.h"
#include "trans/name_dictionary.h"
#include "trans/stream_translate.h"
#include "trans/trans_tables.h"

namespace qualtren {

namespace {

// What one file of a run gives: its outcome, the lines it reports on
// standard error and what it writes to standard output; or, in a run that
// writes, the file translated and waiting to be committed with its group.
struct FileReport {
  enum class Kind { Done, Unchanged, Untouched, Failed } kind = Kind::Done;
  std::string Lines;
  std::string Out;
  std::optional<TPreparedFile> Prepared;
};

std::string Message(const std::string& text) {
  return std::string(kMessagePrefix) + text + "\n";
}

// The report of a file once its group is committed.
FileReport ReportOf(const TCommittedFile& file, const FilesOptions& options) {
  FileReport report;
  const std::string& fileName = file.Name;
  try {
    if (file.Error) std::rethrow_exception(file.Error);
    switch (file.Outcome.kind) {
      case TFileOutcome::Kind::Translated:
        if (options.Verbose) report.Lines = "translated: " + fileName + "\n";
        break;
      case TFileOutcome::Kind::HoldsNul:
        report.kind = FileReport::Kind::Untouched;
        report.Lines = Message("left untouched: " + fileName + ": the file holds a NUL byte");
        break;
      case TFileOutcome::Kind::BadEncoding:
        report.kind = FileReport::Kind::Untouched;
        report.Lines = Message("left untouched: " + fileName + ": " + file.Outcome.Error);
        break;
      case TFileOutcome::Kind::TranslationFailed:
        report.kind = FileReport::Kind::Untouched;
        report.Lines = Message("left untouched: " + fileName +
                               ": the translation failed: " + file.Outcome.Error);
        break;
    }
  } catch (const std::exception& e) {
    report.kind = FileReport::Kind::Failed;
    report.Lines = Message("failed: " + fileName + ": " + MessageWithReason(e));
  }
  return report;
}

// One file of a run that writes: translated into a temporary file; its
// backup, its name and what is said of it come when its group is committed.
FileReport TranslateOneFile(TStreamTranslator& translator, const std::string& fileName) {
  FileReport report;
  report.Prepared = PrepareFile(translator, fileName);
  return report;
}

// How a run that writes sizes its groups: how many files a group commits at
// most, and how many more files the workers may have ready while the main
// thread commits one, so that they need not wait for it. Each file waiting
// holds two descriptors, and so does each file at work.
struct TGroupSizes {
  size_t Files = 1;
  size_t Ahead = 0;
};
TGroupSizes GroupSizesFor(size_t jobs) {
  constexpr size_t kMostFiles = 256;
  rlimit limit{};
  size_t budget = 4096;
  if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
    budget = static_cast<size_t>(limit.rlim_cur);
  // 2 * (files + files / 4 + 5 * jobs) + 64 descriptors at most.
  const size_t reserve = 64 + 10 * jobs;
  TGroupSizes sizes;
  if (budget > reserve + 5) sizes.Files = std::min(kMostFiles, (budget - reserve) * 2 / 5);
  sizes.Ahead = sizes.Files / 4;
  return sizes;
}

// A dry run of one file: its translation made in memory and compared.
FileReport DiffOneFile(TStreamTranslator& translator, const FilesOptions& options,
                       const std::string& fileName) {
  FileReport report;
  try {
    TMemoryStream in(ReadWholeFile(fileName));
    TMemoryStream out;
    TLineImageObserver image;
    const TStreamOutcome outcome = translator.Translate(in, out, &image);
    if (outcome.status == TStreamOutcome::Status::HoldsNul) {
      report.kind = FileReport::Kind::Untouched;
      report.Lines =
          Message("would be left untouched: " + fileName + ": the file holds a NUL byte");
    } else if (outcome.status == TStreamOutcome::Status::BadEncoding) {
      report.kind = FileReport::Kind::Untouched;
      report.Lines = Message("would be left untouched: " + fileName + ": " + outcome.Error);
    } else if (outcome.status == TStreamOutcome::Status::Failed) {
      report.kind = FileReport::Kind::Untouched;
      report.Lines = Message("would be left untouched: " + fileName +
                             ": the translation failed: " + outcome.Error);
    } else {
      report.Out = UnifiedDiff(DiffableText(in.Bytes(), outcome.Form),
                               DiffableText(out.Bytes(), outcome.Form), fileName, &image.Image);
      report.kind = report.Out.empty() ? FileReport::Kind::Unchanged : FileReport::Kind::Done;
      if (options.Verbose && !report.Out.empty()) report.Lines = "would change: " + fileName + "\n";
    }
  } catch (const std::exception& e) {
    report.kind = FileReport::Kind::Failed;
    report.Lines = Message("failed: " + fileName + ": " + MessageWithReason(e));
  }
  return report;
}

// The tables of the workers beyond the first, loaded in the background, for
// tables that allow no name dictionary to share.
class TWorkerTableLoads {
 public:
  TWorkerTableLoads(size_t count, const std::string& tablesDir) {
    for (size_t w = 0; w < count; ++w)
      loads_.push_back(std::async(std::launch::async, [tablesDir] {
        auto set = std::make_unique<TTransTableSet>();
        LoadTables(*set, tablesDir);
        return set;
      }));
  }
  size_t Count() const { return loads_.size(); }
  /// Waits for every set; the first that failed raises its error.
  std::vector<std::unique_ptr<TTransTableSet>> Take() {
    std::vector<std::unique_ptr<TTransTableSet>> sets;
    for (auto& load : loads_)
      sets.push_back(load.get());
    return sets;
  }

 private:
  std::vector<std::future<std::unique_ptr<TTransTableSet>>> loads_;
};

// Runs `perFile(translator, name)` over the files with `jobs` workers and
// hands every report to `onReport` in the order of the files. With a name
// dictionary of the first tables, every worker answers from it and the
// tables are shared (never touched); without one, the first worker takes
// `firstTables` and each further one a set of `moreTables`. `onWait(i)` is called
// while file i is awaited. Workers keep at most a few files ahead of the
// reports handed on, and `moreAhead` files more, so that what waits to be
// reported stays small.
template <typename PerFile, typename OnWait, typename OnReport>
void RunOverFiles(const std::vector<std::string>& fileNames, const FilesOptions& options,
                  size_t jobs, TTransTableSet& firstTables,
                  const std::shared_ptr<const TNameDictionary>& dictionary,
                  TWorkerTableLoads& moreTables, size_t moreAhead, PerFile&& perFile,
                  OnWait&& onWait, OnReport&& onReport) {
  // The files are shared out among the workers, each file translated on
  // the thread that takes it.
  TTranslateOptions each = options.Translation();
  each.Jobs = 1;
  auto translatorFor = [&](TTransTableSet& set) {
    auto translator = std::make_unique<TStreamTranslator>(set.Tables(), each);
    if (dictionary) translator->ShareDictionary(dictionary);
    return translator;
  };
  if (jobs == 1) {
    const std::unique_ptr<TStreamTranslator> translator = translatorFor(firstTables);
    for (size_t i = 0; i < fileNames.size(); ++i) {
      onWait(i);
      onReport(perFile(*translator, fileNames[i]));
    }
    return;
  }
  // The first failure to load ends the run before any file is touched.
  const std::vector<std::unique_ptr<TTransTableSet>> tables = moreTables.Take();

  const size_t ahead = 4 * jobs + moreAhead;
  std::vector<FileReport> reports(fileNames.size());
  std::vector<char> done(fileNames.size(), 0);
  std::mutex mutex;
  std::condition_variable ready, room;
  size_t next = 0;      // the next file a worker takes
  size_t reported = 0;  // files handed to onReport
  auto work = [&](TTransTableSet& set) {
    const std::unique_ptr<TStreamTranslator> translator = translatorFor(set);
    for (;;) {
      size_t i;
      {
        std::unique_lock<std::mutex> lock(mutex);
        room.wait(lock, [&] { return next == fileNames.size() || next < reported + ahead; });
        if (next == fileNames.size()) return;
        i = next++;
      }
      FileReport report = perFile(*translator, fileNames[i]);
      {
        std::lock_guard<std::mutex> lock(mutex);
        reports[i] = std::move(report);
        done[i] = 1;
      }
      ready.notify_one();
    }
  };
  std::vector<std::jthread> workers;
  // However the loop below ends, the workers take no further file, so that
  // they can be joined.
  struct TStopWorkers {
    std::mutex& Mutex;
    std::condition_variable& Room;
    size_t& Next;
    size_t End;
    ~TStopWorkers() {
      {
        std::lock_guard<std::mutex> lock(Mutex);
        Next = End;
      }
      Room.notify_all();
    }
  } stop{mutex, room, next, fileNames.size()};
  for (size_t w = 0; w < jobs; ++w)
    workers.emplace_back(work, std::ref(w == 0 || dictionary ? firstTables : *tables[w - 1]));

  for (size_t i = 0; i < fileNames.size(); ++i) {
    onWait(i);
    FileReport report;
    {
      std::unique_lock<std::mutex> lock(mutex);
      ready.wait(lock, [&] { return done[i] != 0; });
      report = std::move(reports[i]);
      reported = i + 1;
    }
    room.notify_all();
    onReport(std::move(report));
  }
}

// Names the subdirectories that could not be read; each counts as failed.
int ReportUnreadable(const TInputFiles& list, CliIo& io) {
  for (const std::string& dir : list.Unreadable)
    io.Err << Message("failed: " + dir.substr(0, dir.size() - 1) +
                      ": the directory cannot be read");
  return static_cast<int>(list.Unreadable.size());
}

int RunRestore(const FilesOptions& options, CliIo& io) {
  if (options.Backup.empty())
    throw EUsageError("--restore needs the ending of the backups (--backup)");
  const TInputFiles list =
      ListInputFiles(options.Dir, options.Mask, options.Backup, options.Recursive);
  TProgress progress(io.Err, io.ErrIsTerminal && !options.Quiet);
  int restored = 0, withoutBackup = 0, failed = ReportUnreadable(list, io);
  for (size_t i = 0; i < list.Files.size(); ++i) {
    const std::string& name = list.Files[i];
    progress.Files(i, list.Files.size(), name);
    std::string lines;
    try {
      if (RestoreFromBackup(name, options.Backup, TRenameSync::AtEnd) ==
          TRestoreOutcome::Restored) {
        ++restored;
        if (options.Verbose) lines = "restored: " + name + "\n";
      } else {
        ++withoutBackup;
        lines = Message("left alone: " + name + ": no backup " + name + options.Backup);
      }
    } catch (const std::exception& e) {
      ++failed;
      lines = Message("failed: " + name + ": " + MessageWithReason(e));
    }
    if (!lines.empty()) {
      progress.Clear();
      io.Err << lines;
    }
  }
  progress.Clear();
  SyncDirectoriesOf(list.Files);
  io.Err << "summary: " << restored << " restored, " << withoutBackup << " without a backup, "
         << failed << " failed\n";
  return withoutBackup == 0 && failed == 0 ? kExitOk : kExitFailed;
}

// A backup that holds other bytes than its file may hold the only copy of
// the original text (a run before this one made it): the run would
// overwrite it, so it does not start. Says so, and whether it refused.
bool RefuseBackupClashes(const std::vector<std::string>& fileNames, const FilesOptions& options,
                         CliIo& io) {
  std::vector<std::string> clashes;
  for (const std::string& name : fileNames)
    if (BackupHoldsOtherBytes(name, options.Backup)) clashes.push_back(name + options.Backup);
  if (clashes.empty()) return false;
  constexpr size_t kNamed = 5;
  std::string named;
  for (size_t i = 0; i < clashes.size() && i < kNamed; ++i)
    named += (i ? ", " : "") + clashes[i];
  if (clashes.size() > kNamed) named += " and " + std::to_string(clashes.size() - kNamed) + " more";
  io.Err << Message(std::to_string(clashes.size()) +
                    (clashes.size() == 1 ? " backup holds" : " backups hold") +
                    " other bytes than " + (clashes.size() == 1 ? "its file" : "their files") +
                    ", and this run would overwrite " + (clashes.size() == 1 ? "it: " : "them: ") +
                    named)
         << Message(
                "nothing was touched: put the files back first (--restore), move the "
                "backups away, or give --overwrite-backups");
  return true;
}

// How many files of a run came to each end, in the order of FileReport::Kind.
struct TFileCounts {
  int Done = 0, Unchanged = 0, Untouched = 0, Failed = 0;
};

// The summary line of a run, and its exit status.
int Summarize(const TFileCounts& c, bool dryRun, CliIo& io) {
  if (dryRun) {
    io.Err << "summary: " << c.Done << " would change, " << c.Unchanged << " would not change, "
           << c.Untouched << " would be left untouched, " << c.Failed << " failed\n";
    if (c.Untouched != 0 || c.Failed != 0) return kExitError;
    return c.Done != 0 ? kExitFound : kExitOk;
  }
  io.Err << "summary: " << c.Done << " translated, " << c.Untouched << " left untouched, "
         << c.Failed << " failed\n";
  return c.Untouched == 0 && c.Failed == 0 ? kExitOk : kExitFailed;
}

}  // namespace

int RunFiles(const FilesOptions& options, CliIo& io) {
  std::error_code ec;
  if (!std::filesystem::exists(options.Dir, ec))
    throw EUsageError("directory not found: " + options.Dir);
  if (!std::filesystem::is_directory(options.Dir, ec))
    throw EUsageError("not a directory: " + options.Dir);
  if (options.Restore) return RunRestore(options, io);

  // The list is taken before any file is touched, so that backup copies made
  // by this run are never translated by it.
  const TInputFiles list =
      ListInputFiles(options.Dir, options.Mask, options.Backup, options.Recursive);
  const std::vector<std::string>& fileNames = list.Files;

  if (!options.DryRun && !options.OverwriteBackups && RefuseBackupClashes(fileNames, options, io))
    return kExitError;

  // No more workers than files. Where the tables allow a name dictionary,
  // the workers share it and the tables; else each loads tables of its own.
  const size_t jobs = std::max<size_t>(1, std::min<size_t>(options.Jobs, fileNames.size()));
  TTransTableSet tables;
  std::shared_ptr<const TNameDictionary> dictionary;
  LoadTables(tables, options.TablesDir, jobs > 1 ? &dictionary : nullptr);
  TWorkerTableLoads moreTables(dictionary ? 0 : jobs - 1, options.TablesDir);

  TProgress progress(io.Err, io.ErrIsTerminal && !options.Quiet);
  TFileCounts counts;
  counts.Failed = ReportUnreadable(list, io);
  auto perFile = [&](TStreamTranslator& translator, const std::string& name) {
    return options.DryRun ? DiffOneFile(translator, options, name)
                          : TranslateOneFile(translator, name);
  };
  auto onWait = [&](size_t i) { progress.Files(i, fileNames.size(), fileNames[i]); };
  auto show = [&](const FileReport& report) {
    int* const counters[] = {&counts.Done, &counts.Unchanged, &counts.Untouched, &counts.Failed};
    ++*counters[static_cast<size_t>(report.kind)];
    if (!report.Out.empty()) {
      if (io.OutIsTerminal) progress.Clear();
      io.Out << report.Out;
      io.Out.flush();
      if (!io.Out) throw EWriteError();
    }
    if (!report.Lines.empty()) {
      progress.Clear();
      io.Err << report.Lines;
    }
  };
  // The translated files are committed in groups, and named in their order
  // as each group is done.
  std::optional<TFileBatch> batch;
  TGroupSizes group;
  if (!options.DryRun) {
    group = GroupSizesFor(jobs);
    TBatchOptions batchOptions;
    batchOptions.BackupEnding = options.Backup;
    batchOptions.GroupFiles = group.Files;
    batch.emplace(std::move(batchOptions));
  }
  RunOverFiles(fileNames, options, jobs, tables, dictionary, moreTables, group.Ahead, perFile,
               onWait, [&](FileReport report) {
                 if (!report.Prepared) return show(report);
                 for (const TCommittedFile& file : batch->Add(std::move(*report.Prepared)))
                   show(ReportOf(file, options));
               });
  if (batch) {
    for (const TCommittedFile& file : batch->Finish())
      show(ReportOf(file, options));
  }
  progress.Clear();
  return Summarize(counts, options.DryRun, io);
}

const char* const kFilesHelp =
    "Exit status:\n"
    "  0  every file translated (--dry-run: nothing would change; --restore: every file "
    "restored)\n"
    "  1  a file left untouched or failed (--dry-run: something would change; --restore: a "
    "file without a backup, or failed)\n"
    "  2  bad usage (a directory that does not exist is one), a table that failed to load, "
    "or backups that differ from their files and would be overwritten (nothing is touched; "
    "--overwrite-backups goes on) (--dry-run: also a file that would be left untouched or "
    "that failed)";

}  // namespace qualtren
