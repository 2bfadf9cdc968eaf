// Mask matching, directory listing, backup copies and atomic replacement of
// files for file-list translation.
#include "trans/file_list.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <memory>

#include "base/exception.h"
#include "base/stream.h"

namespace qualtren {

bool MatchesMask(std::string_view name, std::string_view mask) {
  size_t n = 0, m = 0;
  size_t starMask = std::string_view::npos, starName = 0;
  while (n < name.size()) {
    if (m < mask.size() && (mask[m] == '?' || mask[m] == name[n])) {
      ++n;
      ++m;
    } else if (m < mask.size() && mask[m] == '*') {
      starMask = m++;
      starName = n;
    } else if (starMask != std::string_view::npos) {
      m = starMask + 1;
      n = ++starName;
    } else {
      return false;
    }
  }
  while (m < mask.size() && mask[m] == '*')
    ++m;
  return m == mask.size();
}

std::string DirectoryPrefix(const std::string& path) {
  return path + "/";
}

std::vector<std::string> ListMatchingFiles(const std::string& prefix, const std::string& mask) {
  std::vector<std::string> names;
  std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(prefix.c_str()), ::closedir);
  if (!dir) return names;
  while (const dirent* entry = ::readdir(dir.get())) {
    std::string name = entry->d_name;
    if (name == "." || name == ".." || !MatchesMask(name, mask)) continue;
    struct stat st;
    if (::stat((prefix + name).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    names.push_back(std::move(name));
  }
  std::sort(names.begin(), names.end());
  return names;
}

void CopyFileOverwrite(const std::string& from, const std::string& to) {
  TFileStream source(from, FileMode::OpenRead);
  TAtomicFileWriter target(to);
  try {
    target.Stream().CopyFrom(source, -1);
  } catch (const EReadError&) {
    throw;
  } catch (const EWriteError&) {
    throw EFCreateError(to);
  }
  target.Commit();
}

void ReplaceFileContents(const std::string& fileName, std::string_view bytes) {
  TAtomicFileWriter writer(fileName);
  try {
    writer.Stream().WriteBytes(bytes);
  } catch (const EWriteError&) {
    throw EFCreateError(fileName);
  }
  writer.Commit();
}

}  // namespace qualtren
