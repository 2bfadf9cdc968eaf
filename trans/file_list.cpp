// Mask matching, directory and tree listing, backup copies, restoring from
// them and atomic replacement of files for file-list translation.
#include "trans/file_list.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <exception>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <vector>

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
    // The temporary files of an atomic replace are never input; those that a
    // killed run left beside the files this one handles (their backups
    // included) are removed.
    if (IsTemporaryFileName(name)) {
      if (IsStaleTemporaryFile(name)) ::unlink((prefix + name).c_str());
      continue;
    }
    if (name == "." || name == ".." || !MatchesMask(name, mask)) continue;
    struct stat st;
    if (::stat((prefix + name).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    names.push_back(std::move(name));
  }
  std::sort(names.begin(), names.end());
  return names;
}

bool IsBackupName(const std::string& name, const std::set<std::string>& siblings,
                  const std::string& backupEnding) {
  if (backupEnding.empty() || name.size() <= backupEnding.size() ||
      name.compare(name.size() - backupEnding.size(), backupEnding.size(), backupEnding) != 0)
    return false;
  return siblings.count(name.substr(0, name.size() - backupEnding.size())) != 0;
}

bool IsTemporaryName(const std::string& name, const std::set<std::string>& siblings,
                     const std::string& backupEnding) {
  if (IsTemporaryFileName(name)) return true;
  // The name that earlier versions gave their temporary files: the target's
  // name, "." and six characters that mkstemp fills with letters and digits.
  constexpr size_t kSuffix = 7;  // "." and six characters
  if (name.size() <= kSuffix || name[name.size() - kSuffix] != '.') return false;
  for (size_t i = name.size() - kSuffix + 1; i < name.size(); ++i) {
    const char c = name[i];
    if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) return false;
  }
  const std::string target = name.substr(0, name.size() - kSuffix);
  return siblings.count(target) != 0 || IsBackupName(target, siblings, backupEnding);
}

namespace {

// Lists one directory (prefix + rel) into `out`, and with `recursive` every
// directory below it. Entries are looked at without following links when
// recursive; without, a link to a regular file counts as that file.
void ListInto(const std::string& prefix, const std::string& rel, const std::string& mask,
              const std::string& backupEnding, bool recursive, TInputFiles& out) {
  const std::string dirName = prefix + rel;
  std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(dirName.c_str()), ::closedir);
  if (!dir) {
    out.Unreadable.push_back(dirName);
    return;
  }
  std::set<std::string> names;
  std::map<std::string, unsigned char> types;  // as the directory tells them, without a stat
  while (const dirent* entry = ::readdir(dir.get())) {
    std::string name = entry->d_name;
    // What a killed run left of its temporary files goes.
    if (IsStaleTemporaryFile(name)) {
      ::unlink((dirName + name).c_str());
      continue;
    }
    if (name == "." || name == "..") continue;
    types.emplace(name, entry->d_type);
    names.insert(std::move(name));
  }
  for (const std::string& name : names) {
    const std::string full = dirName + name;
    // A plain file or directory is known from its entry; a link (followed
    // without `recursive`) or an entry of unknown type is looked at.
    const unsigned char type = types[name];
    bool isDir = type == DT_DIR, isFile = type == DT_REG;
    if (type == DT_UNKNOWN || (type == DT_LNK && !recursive)) {
      struct stat st;
      if ((recursive ? ::lstat(full.c_str(), &st) : ::stat(full.c_str(), &st)) != 0) continue;
      isDir = S_ISDIR(st.st_mode);
      isFile = S_ISREG(st.st_mode);
    }
    if (isDir) {
      if (recursive) ListInto(prefix, rel + name + "/", mask, backupEnding, recursive, out);
      continue;
    }
    if (!isFile || !MatchesMask(name, mask) || IsBackupName(name, names, backupEnding) ||
        IsTemporaryName(name, names, backupEnding))
      continue;
    out.Files.push_back(full);
  }
}

}  // namespace

TInputFiles ListInputFiles(const std::string& dir, const std::string& mask,
                           const std::string& backupEnding, bool recursive) {
  TInputFiles out;
  ListInto(DirectoryPrefix(dir), "", mask, backupEnding, recursive, out);
  std::sort(out.Files.begin(), out.Files.end());
  return out;
}

void CopyFileOverwrite(const std::string& from, const std::string& to, TCopyAttributes attributes,
                       TRenameSync sync) {
  TFileStream source(from, FileMode::OpenRead);
  // A copy with the original's permissions of a read-only file is read-only
  // too; a later copy replaces it all the same.
  const bool ofSource = attributes == TCopyAttributes::OfSource;
  TAtomicFileWriter target(to, ofSource);
  if (ofSource) target.TakeAttributesOf(from);
  try {
    target.Stream().CopyFrom(source, -1);
    target.Commit(sync == TRenameSync::EachFile);
  } catch (const EReadError&) {
    throw;
  } catch (const EWriteError& e) {
    throw EFCreateError(to, e.SystemError());
  }
}

void ReplaceFileContents(const std::string& fileName, std::string_view bytes) {
  TAtomicFileWriter writer(fileName);
  try {
    writer.Stream().WriteBytes(bytes);
    writer.Commit();
  } catch (const EWriteError& e) {
    throw EFCreateError(fileName, e.SystemError());
  }
}

TRestoreOutcome RestoreFromBackup(const std::string& fileName, const std::string& backupEnding,
                                  TRenameSync sync) {
  const std::string backup = fileName + backupEnding;
  struct stat st;
  if (backupEnding.empty() || ::lstat(backup.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
    return TRestoreOutcome::NoBackup;
  CopyFileOverwrite(backup, fileName, TCopyAttributes::OfTarget, sync);
  if (::unlink(backup.c_str()) != 0 && errno != ENOENT)
    throw Exception("Cannot remove file " + backup);
  return TRestoreOutcome::Restored;
}

bool BackupHoldsOtherBytes(const std::string& fileName, const std::string& backupEnding) {
  if (backupEnding.empty()) return false;
  const std::string backup = fileName + backupEnding;
  struct stat backupStat, fileStat;
  if (::stat(backup.c_str(), &backupStat) != 0 || !S_ISREG(backupStat.st_mode)) return false;
  std::ifstream file(fileName, std::ios::binary);
  if (!file || ::stat(fileName.c_str(), &fileStat) != 0) return false;
  std::ifstream copy(backup, std::ios::binary);
  if (!copy || backupStat.st_size != fileStat.st_size) return true;
  std::vector<char> a(1 << 16), b(1 << 16);
  for (;;) {
    file.read(a.data(), static_cast<std::streamsize>(a.size()));
    copy.read(b.data(), static_cast<std::streamsize>(b.size()));
    const std::streamsize n = file.gcount();
    if (n != copy.gcount() || file.bad() || copy.bad()) return true;
    if (n == 0) return false;
    if (!std::equal(a.begin(), a.begin() + n, b.begin())) return true;
  }
}

}  // namespace qualtren
