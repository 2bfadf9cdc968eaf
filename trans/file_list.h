// File-list translation helpers shared by the window and the command line:
// matching names against a mask, listing the files of one directory, copying
// a file for its backup and replacing a file's contents atomically.
#pragma once

#include <functional>
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
std::vector<std::string> ListMatchingFiles(const std::string& prefix, const std::string& mask);

// Copies a file over `to` (atomically, so a failed copy leaves `to` as it
// was). Raises "Cannot open file %s" for the source and "Cannot create file
// %s" for the target.
void CopyFileOverwrite(const std::string& from, const std::string& to);

// Replaces the contents of an existing file with `bytes`: a temporary file
// beside it, then a rename, keeping the file's permissions. A file the user
// may not write fails with "Cannot create file %s".
void ReplaceFileContents(const std::string& fileName, std::string_view bytes);

/// What became of one file of a batch run.
struct TFileOutcome {
  enum class Kind {
    Translated,         // the file now holds its translation
    HoldsNul,           // left as it was: it holds a NUL byte
    TranslationFailed,  // left as it was: Error says why
  };
  Kind kind = Kind::Translated;
  std::string Error;
};

/// The translation step of TranslateFileInPlace: reads the file's text from
/// `in` (from its start) and writes its translation to `out`. What it raises
/// passes on (a write error becomes "Cannot create file %s").
using TFileTranslateStep = std::function<TStreamOutcome(TStream& in, TStream& out)>;

/// Translates one file of a batch in place: copies it to fileName +
/// `backupEnding` first (no copy when the ending is empty), translates it
/// through `translate`, and replaces it atomically with the translation.
/// A file that holds a NUL byte, or whose translation fails, keeps its
/// bytes. A failed backup, read or write is raised ("Cannot open file %s",
/// "Cannot create file %s", "Stream read error"), the write only after the
/// translation has shown that the file would change.
TFileOutcome TranslateFileInPlace(const TFileTranslateStep& translate, const std::string& fileName,
                                  const std::string& backupEnding);
/// The same through the streaming driver, without a table name.
TFileOutcome TranslateFileInPlace(TStreamTranslator& translator, const std::string& fileName,
                                  const std::string& backupEnding);

}  // namespace qualtren
