// Translating the files of a batch run in place in groups: each file is
// translated into a temporary file without a name beside the file it
// replaces, and the main thread commits a group of such files at once:
// backups as hard links of the originals, one sync for the whole group,
// then the names.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <exception>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "base/unique_fd.h"
#include "trans/file_list.h"

namespace qualtren {

/// A temporary file that a translation is written to: without a name where
/// the file system makes such files (O_TMPFILE), so that nothing of it is
/// left when the process dies; elsewhere hidden and named as
/// TAtomicFileWriter names its files. Unless it is installed, it is closed
/// and its name, if any, removed when it goes.
class TTemporaryFile {
 public:
  /// Makes a temporary file in the directory of `path`, the file it is to
  /// replace. Raises "Cannot create file %s" naming `target` (the name the
  /// user gave) with the system's reason.
  TTemporaryFile(const std::string& path, const std::string& target);
  ~TTemporaryFile();
  TTemporaryFile(TTemporaryFile&& other) noexcept;
  TTemporaryFile& operator=(TTemporaryFile&& other) noexcept;
  TTemporaryFile(const TTemporaryFile&) = delete;
  TTemporaryFile& operator=(const TTemporaryFile&) = delete;

  /// The descriptor, open for reading and writing.
  int Fd() const { return fd_.Get(); }
  /// Whether the file has a (hidden) name while it is written.
  bool Named() const { return !name_.empty(); }
  /// Gives the file the name `path`, replacing whatever has it, in one
  /// rename. Returns 0, or the errno value of the call that failed.
  int Install(const std::string& path);

 private:
  TUniqueFd fd_;
  std::string name_;  // empty for a file without a name
};

/// One file of a batch after its translation: either translated into a
/// temporary file and waiting for its group to be committed, or left as it
/// is, with the reason. Moved, never copied.
struct TPreparedFile {
  std::string Name;          // as the list of files names it
  TFileOutcome Outcome;      // what the translation gave
  std::exception_ptr Error;  // what failed reading or writing it, reported after its backup

  // Of a file to be replaced:
  std::string FinalPath;                 // the file that a symbolic link leads to
  TUniqueFd Input;                       // the file as it was read
  std::optional<TTemporaryFile> Output;  // its translation, with its mode, owner and group
  dev_t Device = 0;                      // of the file read
  ino_t Inode = 0;                       // of the file read
  nlink_t Links = 0;                     // its number of hard links
  uint64_t Bytes = 0;                    // of its translation

  /// Whether committing the file replaces it by its translation.
  bool Replaces() const {
    return !Error && Outcome.kind == TFileOutcome::Kind::Translated && Output.has_value();
  }
};

/// Translates one file of a batch through `translate` into a temporary file
/// beside the file it replaces (the file a symbolic link leads to) and gives
/// the file's own permissions, owner and group to it, touching no name.
/// Never raises: a failure to open, read or write the file is kept in Error
/// ("Cannot open file %s", "Stream read error", "Cannot create file %s");
/// a file that may not be written is still translated first, so that a NUL
/// byte, broken encoding or failed translation is what is said of it.
TPreparedFile PrepareFile(const TFileTranslateStep& translate, const std::string& fileName);
/// The same through the streaming driver, without a table name.
TPreparedFile PrepareFile(TStreamTranslator& translator, const std::string& fileName);

/// What became of one file of a committed group.
struct TCommittedFile {
  std::string Name;
  TFileOutcome Outcome;      // when Error is empty and the file is not Skipped
  std::exception_ptr Error;  // what failed the file: its backup, reading or writing
  /// With StopAtFailure: the file came after a failed one of its group and
  /// was left as it was, without a backup made for it (but where a failed
  /// sync found its backup made already: that stays, as a copy).
  bool Skipped = false;
};

/// How a batch commits its files.
struct TBatchOptions {
  std::string BackupEnding;  // a backup of each file is its name + this; none when empty
  size_t GroupFiles = 256;   // files in a group at most
  uint64_t GroupBytes = uint64_t{32} << 20;  // bytes of translations in a group, at most about
  /// Syncs each file on its own, as on a file system whose syncfs does not
  /// reach the storage, wherever the files are.
  bool SyncEachFile = false;
  /// The first file of a group that fails (reading, writing, its backup, its
  /// sync or its rename) ends the group there: the files after it are
  /// Skipped, for a run that stops at its first failure.
  bool StopAtFailure = false;
  /// For tests: the errno value that syncing a file's translation is to fail
  /// with (0: it does not fail).
  std::function<int(const std::string& fileName)> SyncFault;
};

/// Commits the prepared files of a batch run in groups, in the order they
/// are added, with the safety of a replace of one file at a time: for each
/// group, first the backups (a file to be replaced that has one name gets a
/// hard link of the original as its backup, any other file a copy, as
/// CopyFileOverwrite makes it), then one sync that brings the group's
/// translations and the originals its backups name to the disk (syncfs on
/// each file system that implements it, fsyncs of each file elsewhere), then
/// the names: each translation replaces its file in one rename. The renames
/// of a batch reach the disk at the latest when it finishes. A crash at any
/// moment leaves each file whole, old or new, and a replaced file with its
/// backup; a backup never shares its inode with a file the batch leaves as
/// it was.
class TFileBatch {
 public:
  explicit TFileBatch(TBatchOptions options);
  /// Drops the files not committed; syncs the renames made, if Finish was
  /// not called.
  ~TFileBatch();
  TFileBatch(const TFileBatch&) = delete;
  TFileBatch& operator=(const TFileBatch&) = delete;

  /// Adds a file; when that fills the group, commits it and gives what
  /// became of its files, in order (otherwise nothing).
  std::vector<TCommittedFile> Add(TPreparedFile file);
  /// Commits what is left and makes every rename of the batch durable.
  std::vector<TCommittedFile> Finish();

 private:
  std::vector<TCommittedFile> CommitGroup();
  // Both work on the files before `end`, and with StopAtFailure bring `end`
  // forward to just after a file that fails.
  void MakeBackups(std::vector<TCommittedFile>& results, std::vector<char>& linked, size_t& end);
  void SyncGroup(std::vector<TCommittedFile>& results, const std::vector<char>& linked,
                 size_t& end);
  void StopAfter(size_t i, size_t& end) const;
  void Fail(size_t i, std::exception_ptr error, std::vector<TCommittedFile>& results,
            bool linkedBackup);
  bool SyncfsWorks(dev_t device, int fd);
  void SyncRenames();

  TBatchOptions options_;
  std::vector<TPreparedFile> group_;
  uint64_t groupBytes_ = 0;
  std::map<dev_t, bool> syncfs_;                      // per file system: syncfs makes it durable
  std::map<dev_t, std::set<std::string>> renamedIn_;  // directories renamed in, per file system
  bool finished_ = false;
};

}  // namespace qualtren
