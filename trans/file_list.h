// File-list translation helpers shared by the window and the command line:
// matching names against a mask, listing the files of one directory, copying
// a file for its backup and replacing a file's contents atomically.
#pragma once

#include <string>
#include <string_view>
#include <vector>

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

}  // namespace qualtren
