// File-list translation helpers shared by the window and the command line:
// matching names against a mask, listing the files of one directory or of a
// whole tree (never a backup or a temporary file of ours), copying a file for
// its backup, putting it back from there, and replacing a file's contents
// atomically.
#pragma once

#include <functional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "trans/stream_translate.h"

namespace qualtren {

// Whether a file name matches a mask: "*" any run of characters, "?" one
// character, everything else itself (letter case counts).
bool MatchesMask(std::string_view name, std::string_view mask);

// The directory prefix of a path: the path followed by one "/" (an empty path
// gives "/", the root).
std::string DirectoryPrefix(const std::string& path);

// The names of the regular files (hidden ones included, never directories)
// in the directory of `prefix` that match the mask, sorted by name. A missing
// or unreadable directory gives no names. Each full name is prefix + name.
// The temporary files of TAtomicFileWriter are never listed; the ones that a
// process which no longer runs left in the directory are removed.
std::vector<std::string> ListMatchingFiles(const std::string& prefix, const std::string& mask);

/// The input files of a batch run, and the folders that could not be read.
struct TInputFiles {
  std::vector<std::string> Files;       // prefix + path below the directory, sorted
  std::vector<std::string> Unreadable;  // directories not read, each ending in "/"
};

/// Whether `name`, in a directory whose entries are `siblings`, is the
/// backup of one of them: that entry's name followed by `backupEnding`.
/// Nothing is a backup when the ending is empty.
bool IsBackupName(const std::string& name, const std::set<std::string>& siblings,
                  const std::string& backupEnding);

/// Whether `name`, in a directory whose entries are `siblings`, is a
/// temporary file that replacing a file (or writing its backup) leaves behind
/// when the process is killed: one that TAtomicFileWriter names (see
/// IsTemporaryFileName), or the name of the entry or of its backup followed
/// by "." and six letters or digits, as earlier versions named them.
bool IsTemporaryName(const std::string& name, const std::set<std::string>& siblings,
                     const std::string& backupEnding);

/// The files of `dir` whose names match the mask, as a batch run takes them:
/// regular files, hidden ones included, never a backup (see IsBackupName) or
/// a temporary file of ours (see IsTemporaryName). Without `recursive`, the
/// files of `dir` itself, symbolic links to files included; with it, those
/// of every subdirectory too, where symbolic links are neither followed nor
/// taken. A directory that cannot be read, `dir` itself included, gives no
/// files and is named in Unreadable. Temporary files that a process which
/// no longer runs left in a directory listed are removed.
TInputFiles ListInputFiles(const std::string& dir, const std::string& mask,
                           const std::string& backupEnding, bool recursive);

/// When the renames of a replace are made durable: at once (an fsync of the
/// folder after every file), or by the caller at the end of a batch
/// (SyncDirectoriesOf), which syncs each folder once. A file's own bytes
/// reach the disk before its rename either way, and a backup's rename before
/// its file is replaced, so a crash at any moment leaves each file with its
/// old bytes or its new ones, and a replaced file with its backup.
enum class TRenameSync { EachFile, AtEnd };

/// Whose permissions, owner and group a copied file gets.
enum class TCopyAttributes {
  OfSource,  // the source's (a backup copy), replacing a read-only copy made earlier
  OfTarget,  // an existing target keeps its own (a file put back from its backup)
};

// Copies a file over `to` (atomically, so a failed copy leaves `to` as it
// was), with the permissions, owner and group that `attributes` says, where
// the process may set them. Raises "Cannot open file %s" for the source and
// "Cannot create file %s" for the target.
void CopyFileOverwrite(const std::string& from, const std::string& to,
                       TCopyAttributes attributes = TCopyAttributes::OfSource,
                       TRenameSync sync = TRenameSync::EachFile);

// Replaces the contents of a file with `bytes`, or makes the file: a
// temporary file beside it, then a rename, keeping an existing file's
// permissions. A file the user may not write fails with "Cannot create file
// %s".
void ReplaceFileContents(const std::string& fileName, std::string_view bytes);

/// What a restore did with one file.
enum class TRestoreOutcome {
  Restored,  // the file holds its backup's bytes again and the backup is gone
  NoBackup,  // there is no backup (no regular file of that name): left alone
};

/// Puts a file back from its backup, fileName + `backupEnding`: the file is
/// replaced atomically by the backup's bytes (keeping the file's
/// permissions), then the backup is removed. Raises "Cannot open file %s"
/// for the backup, "Cannot create file %s" for the file and "Cannot remove
/// file %s" when the backup could not be removed after the file was put back.
TRestoreOutcome RestoreFromBackup(const std::string& fileName, const std::string& backupEnding,
                                  TRenameSync sync = TRenameSync::EachFile);

/// Takes whatever is written to it and keeps nothing: the output of a run
/// that translates only to look at what the translation meets.
class TDiscardStream : public TStream {
 public:
  size_t Read(void*, size_t) override { return 0; }
  size_t Write(const void*, size_t count) override { return count; }
  int64_t Seek(int64_t, SeekOrigin) override { return 0; }
};

/// Whether writing the backup of `fileName`, fileName + `backupEnding`,
/// would replace other bytes than the file's: the backup is a regular file
/// (directly or through a symbolic link) whose bytes differ from the file's
/// or cannot be read. A file that cannot be read itself gets no backup
/// written, so it gives false; so does an empty ending.
bool BackupHoldsOtherBytes(const std::string& fileName, const std::string& backupEnding);

/// What became of one file of a batch run.
struct TFileOutcome {
  enum class Kind {
    Translated,         // the file now holds its translation
    HoldsNul,           // left as it was: it holds a NUL byte
    BadEncoding,        // left as it was: broken under its encoding; Error says where
    TranslationFailed,  // left as it was: Error says why
  };
  Kind kind = Kind::Translated;
  std::string Error;
};

/// The translation step of a file: reads the file's text from `in` (from
/// its start) and writes its translation to `out`. What it raises passes on
/// (a write error becomes "Cannot create file %s").
using TFileTranslateStep = std::function<TStreamOutcome(TStream& in, TStream& out)>;

}  // namespace qualtren
