// Mask matching, directory listing, backup copies and atomic replacement of
// files for file-list translation.
#include "trans/file_list.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <exception>
#include <memory>
#include <optional>

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

namespace {

// Takes what is written and keeps nothing.
class TDiscardStream : public TStream {
 public:
  size_t Read(void*, size_t) override { return 0; }
  size_t Write(const void*, size_t count) override { return count; }
  int64_t Seek(int64_t, SeekOrigin) override { return 0; }
};

}  // namespace

TFileOutcome TranslateFileInPlace(TStreamTranslator& translator, const std::string& fileName,
                                  const std::string& backupEnding) {
  return TranslateFileInPlace(
      [&translator](TStream& in, TStream& out) { return translator.Translate(in, out, "", false); },
      fileName, backupEnding);
}

TFileOutcome TranslateFileInPlace(const TFileTranslateStep& translate, const std::string& fileName,
                                  const std::string& backupEnding) {
  if (!backupEnding.empty()) CopyFileOverwrite(fileName, fileName + backupEnding);
  TFileStream in(fileName, FileMode::OpenRead);

  // A file that cannot be written is still read and translated first, so
  // that a NUL byte or a failed translation is what the caller hears of it.
  std::optional<TAtomicFileWriter> writer;
  std::exception_ptr createError;
  try {
    writer.emplace(fileName);
  } catch (const EFCreateError&) {
    createError = std::current_exception();
  }
  TDiscardStream discard;
  TStreamOutcome outcome;
  try {
    outcome = translate(in, writer ? writer->Stream() : discard);
  } catch (const EWriteError&) {
    throw EFCreateError(fileName);
  }
  switch (outcome.status) {
    case TStreamOutcome::Status::HoldsNul:
      return {TFileOutcome::Kind::HoldsNul, {}};
    case TStreamOutcome::Status::Failed:
      return {TFileOutcome::Kind::TranslationFailed, outcome.Error};
    case TStreamOutcome::Status::Translated:
      break;
  }
  if (createError) std::rethrow_exception(createError);
  writer->Commit();
  return {TFileOutcome::Kind::Translated, {}};
}

}  // namespace qualtren
