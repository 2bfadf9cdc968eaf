// Files of a batch translated into temporary files without names and
// committed in groups: backups as hard links, one sync per group, renames.
#include "trans/file_batch.h"

#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <random>
#include <thread>
#include <utility>

#include "base/exception.h"
#include "base/stream.h"

namespace qualtren {

namespace {

// The directory of a path, "." for a name without one.
std::string DirectoryOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? "." : path.substr(0, slash + 1);
}

// Whether an open file can be given a name through /proc/self/fd, the one
// way to name a file made without one that needs no privilege.
bool ProcFdWorks() {
  static const bool works = ::access("/proc/self/fd", X_OK) == 0;
  return works;
}

std::string ProcPath(int fd) {
  return "/proc/self/fd/" + std::to_string(fd);
}

// Six letters or digits, different from call to call.
std::string UniqueSuffix() {
  thread_local std::minstd_rand random(
      static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count() ^
                            ::getpid() ^ std::hash<std::thread::id>{}(std::this_thread::get_id())));
  static constexpr char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  std::string suffix(6, 'x');
  for (char& c : suffix)
    c = kChars[random() % (sizeof kChars - 1)];
  return suffix;
}

// Gives the file open as `fd` (whose name is `path`, for a system without
// /proc) the further name `name`, which must not exist. False, with errno
// set, when that fails.
bool LinkOpenFile(int fd, const std::string& path, const std::string& name) {
  if (ProcFdWorks())
    return ::linkat(AT_FDCWD, ProcPath(fd).c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0;
  return ::linkat(AT_FDCWD, path.c_str(), AT_FDCWD, name.c_str(), 0) == 0;
}

// Gives the file open as `fd` the name `target` in place of whatever has
// it: a link under a fresh hidden name beside the target, renamed over it at
// once (no call links a file over an existing name). Returns 0 or the errno
// value of the call that failed.
int LinkOver(int fd, const std::string& path, const std::string& target) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string temporary = TemporaryFileNameFor(target, UniqueSuffix());
    if (!LinkOpenFile(fd, path, temporary)) {
      if (errno == EEXIST) continue;
      return errno;
    }
    if (::rename(temporary.c_str(), target.c_str()) != 0) {
      const int error = errno;
      ::unlink(temporary.c_str());
      return error;
    }
    return 0;
  }
  return EEXIST;
}

// An fsync whose "cannot be synced" answers (a special file, a read-only
// file system) count as done, as TFileStream::Flush counts them.
int SyncFile(int fd) {
  return ::fsync(fd) != 0 && errno != EINVAL && errno != EROFS ? errno : 0;
}

void SyncDirectory(const std::string& dir) {
  const TUniqueFd fd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (fd) ::fsync(fd.Get());
}

// A stream over a descriptor that someone else owns and closes.
class TDescriptorStream : public TStream {
 public:
  explicit TDescriptorStream(int fd) : fd_(fd) {}
  size_t Read(void* buffer, size_t count) override {
    size_t done = 0;
    while (done < count) {
      const ssize_t n = ::read(fd_, static_cast<char*>(buffer) + done, count - done);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) throw EReadError(errno);
      if (n == 0) break;
      done += static_cast<size_t>(n);
    }
    return done;
  }
  size_t Write(const void* buffer, size_t count) override {
    size_t done = 0;
    while (done < count) {
      const ssize_t n = ::write(fd_, static_cast<const char*>(buffer) + done, count - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      done += static_cast<size_t>(n);
    }
    return done;
  }
  int64_t Seek(int64_t offset, SeekOrigin origin) override {
    const int whence = origin == SeekOrigin::Begin     ? SEEK_SET
                       : origin == SeekOrigin::Current ? SEEK_CUR
                                                       : SEEK_END;
    const off_t r = ::lseek(fd_, static_cast<off_t>(offset), whence);
    if (r < 0) throw EReadError(errno);
    return r;
  }

 private:
  int fd_;
};

// Whether `backup` is another name of the file read.
bool IsLinkOf(const std::string& backup, const TPreparedFile& file) {
  struct stat st;
  return ::lstat(backup.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_dev == file.Device &&
         st.st_ino == file.Inode;
}

// Gives the original of a file to be replaced the backup's name as a hard
// link. An older backup is removed first rather than replaced through a
// temporary name, so that a killed run leaves no name behind: killed in
// between, the file still has its old bytes, and the older backup is what
// the run was replacing anyway. False when no link can be made (another
// file system, a backup name that is a symbolic link, no permission, no
// room): the caller makes a copy, which says what fails.
bool LinkBackup(const TPreparedFile& file, const std::string& backup) {
  if (LinkOpenFile(file.Input.Get(), file.FinalPath, backup)) return true;
  if (errno != EEXIST) return false;
  struct stat st;
  if (::lstat(backup.c_str(), &st) != 0) return false;
  if (S_ISDIR(st.st_mode)) throw EFCreateError(backup, EISDIR);
  if (!S_ISREG(st.st_mode)) return false;
  // The link that a run killed before it replaced the file made already.
  if (st.st_dev == file.Device && st.st_ino == file.Inode) return true;
  if (::unlink(backup.c_str()) != 0) return false;
  return LinkOpenFile(file.Input.Get(), file.FinalPath, backup);
}

// The file is left as it was: its backup, a link to it, becomes a copy (or
// goes, when no copy can be made), so that it shares no inode with the file.
void UnlinkBackupFrom(const std::string& fileName, const std::string& backup) {
  try {
    CopyFileOverwrite(fileName, backup);
  } catch (const std::exception&) {
    ::unlink(backup.c_str());
  }
}

}  // namespace

TTemporaryFile::TTemporaryFile(const std::string& path, const std::string& target) {
  if (ProcFdWorks()) {
    const int fd = ::open(DirectoryOf(path).c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0) {
      fd_.Reset(fd);
      return;
    }
    // A file system without unnamed files gets named ones, as before.
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
      throw EFCreateError(target, errno);
  }
  std::string name = TemporaryFileNameFor(path, "XXXXXX");
  const int fd = ::mkostemp(name.data(), O_CLOEXEC);
  if (fd < 0) throw EFCreateError(target, errno);
  fd_.Reset(fd);
  name_ = std::move(name);
}

TTemporaryFile::~TTemporaryFile() {
  if (!name_.empty()) ::unlink(name_.c_str());
}

TTemporaryFile::TTemporaryFile(TTemporaryFile&& other) noexcept
    : fd_(std::move(other.fd_)), name_(std::exchange(other.name_, {})) {}

TTemporaryFile& TTemporaryFile::operator=(TTemporaryFile&& other) noexcept {
  if (this != &other) {
    if (!name_.empty()) ::unlink(name_.c_str());
    fd_ = std::move(other.fd_);
    name_ = std::exchange(other.name_, {});
  }
  return *this;
}

int TTemporaryFile::Install(const std::string& path) {
  if (name_.empty()) return LinkOver(fd_.Get(), {}, path);
  if (::rename(name_.c_str(), path.c_str()) != 0) return errno;
  name_.clear();
  return 0;
}

TPreparedFile PrepareFile(TStreamTranslator& translator, const std::string& fileName) {
  return PrepareFile(
      [&translator](TStream& in, TStream& out) { return translator.Translate(in, out); }, fileName);
}

TPreparedFile PrepareFile(const TFileTranslateStep& translate, const std::string& fileName) {
  TPreparedFile file;
  file.Name = fileName;
  try {
    // A symbolic link is read as the file it leads to, and that file is
    // replaced, beside itself; a plain file costs no look at links.
    file.FinalPath = fileName;
    int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0 && errno == ELOOP) {
      file.FinalPath = FileLinksLeadTo(fileName);
      fd = ::open(file.FinalPath.c_str(), O_RDONLY | O_CLOEXEC);
    }
    if (fd < 0) throw EFOpenError(fileName, errno);
    file.Input.Reset(fd);
    struct stat st;
    if (::fstat(fd, &st) != 0) throw EFOpenError(fileName, errno);
    if (S_ISDIR(st.st_mode)) throw EFOpenError(fileName, EISDIR);

    // A file without any write permission counts as read-only even for a
    // user (root) whom the system would let write it.
    std::exception_ptr createError;
    std::optional<TTemporaryFile> output;
    if (::access(file.FinalPath.c_str(), W_OK) != 0) {
      createError = std::make_exception_ptr(EFCreateError(fileName, errno));
    } else if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
      createError = std::make_exception_ptr(EFCreateError(fileName, EACCES));
    } else {
      try {
        output.emplace(file.FinalPath, fileName);
      } catch (const EFCreateError&) {
        createError = std::current_exception();
      }
    }

    TDescriptorStream in(fd);
    TDescriptorStream out(output ? output->Fd() : -1);
    TDiscardStream discard;
    TStreamOutcome outcome;
    try {
      outcome = translate(in, output ? static_cast<TStream&>(out) : discard);
    } catch (const EWriteError& e) {
      throw EFCreateError(fileName, e.SystemError());
    }
    switch (outcome.status) {
      case TStreamOutcome::Status::HoldsNul:
        file.Outcome = {TFileOutcome::Kind::HoldsNul, {}};
        break;
      case TStreamOutcome::Status::BadEncoding:
        file.Outcome = {TFileOutcome::Kind::BadEncoding, outcome.Error};
        break;
      case TStreamOutcome::Status::Failed:
        file.Outcome = {TFileOutcome::Kind::TranslationFailed, outcome.Error};
        break;
      case TStreamOutcome::Status::Translated:
        break;
    }
    if (file.Outcome.kind != TFileOutcome::Kind::Translated) {
      file.Input.Reset();
      return file;
    }
    if (createError) std::rethrow_exception(createError);

    // The owner first: changing it may clear the set-id bits that the mode
    // then puts back. A process that may not give the file away keeps it.
    if (::fchown(output->Fd(), st.st_uid, st.st_gid) != 0 && errno != EPERM)
      throw EFCreateError(fileName, errno);
    if (::fchmod(output->Fd(), st.st_mode & 07777) != 0) throw EFCreateError(fileName, errno);
    file.Bytes = static_cast<uint64_t>(out.Position());
    file.Device = st.st_dev;
    file.Inode = st.st_ino;
    file.Links = st.st_nlink;
    file.Output = std::move(output);
  } catch (const std::exception&) {
    file.Error = std::current_exception();
    file.Input.Reset();
    file.Output.reset();
  }
  return file;
}

TFileBatch::TFileBatch(TBatchOptions options) : options_(std::move(options)) {
  if (options_.GroupFiles == 0) options_.GroupFiles = 1;
}

TFileBatch::~TFileBatch() {
  // Files not committed go with their temporary files.
  group_.clear();
  if (!finished_) SyncRenames();
}

std::vector<TCommittedFile> TFileBatch::Add(TPreparedFile file) {
  groupBytes_ += file.Bytes;
  group_.push_back(std::move(file));
  if (group_.size() < options_.GroupFiles && groupBytes_ < options_.GroupBytes) return {};
  return CommitGroup();
}

std::vector<TCommittedFile> TFileBatch::Finish() {
  std::vector<TCommittedFile> results;
  if (!group_.empty()) results = CommitGroup();
  SyncRenames();
  finished_ = true;
  return results;
}

std::vector<TCommittedFile> TFileBatch::CommitGroup() {
  std::vector<TCommittedFile> results;
  results.reserve(group_.size());
  size_t end = group_.size();  // the files after a failure, with StopAtFailure, are skipped
  for (size_t i = 0; i < group_.size(); ++i) {
    const TPreparedFile& file = group_[i];
    results.push_back({file.Name, file.Outcome, file.Error});
    if (file.Error) StopAfter(i, end);
  }
  std::vector<char> linked(group_.size(), 0);
  MakeBackups(results, linked, end);
  SyncGroup(results, linked, end);

  // The names: each translation replaces its file in one rename.
  for (size_t i = 0; i < end; ++i) {
    TPreparedFile& file = group_[i];
    if (!file.Replaces()) continue;
    if (const int error = file.Output->Install(file.FinalPath); error != 0) {
      Fail(i, std::make_exception_ptr(EFCreateError(file.Name, error)), results, linked[i] != 0);
      StopAfter(i, end);
      continue;
    }
    renamedIn_[file.Device].insert(DirectoryOf(file.FinalPath));
  }
  for (size_t i = end; i < group_.size(); ++i) {
    results[i].Skipped = true;
    if (linked[i]) UnlinkBackupFrom(group_[i].Name, group_[i].Name + options_.BackupEnding);
  }
  group_.clear();
  groupBytes_ = 0;
  return results;
}

void TFileBatch::StopAfter(size_t i, size_t& end) const {
  if (options_.StopAtFailure && i + 1 < end) end = i + 1;
}

void TFileBatch::MakeBackups(std::vector<TCommittedFile>& results, std::vector<char>& linked,
                             size_t& end) {
  if (options_.BackupEnding.empty()) return;
  for (size_t i = 0; i < end; ++i) {
    TPreparedFile& file = group_[i];
    const std::string backup = file.Name + options_.BackupEnding;
    try {
      // A link shares the inode: only for a file that is replaced and has no
      // other name that keeps the old bytes (but the backup itself, linked
      // by a run killed before it replaced the file). Any other file gets a
      // copy, as it always did, made before its failure is reported.
      if (file.Replaces() && (file.Links == 1 || (file.Links == 2 && IsLinkOf(backup, file))) &&
          LinkBackup(file, backup))
        linked[i] = 1;
      else
        CopyFileOverwrite(file.Name, backup);
    } catch (const std::exception&) {
      Fail(i, std::current_exception(), results, false);
      StopAfter(i, end);
    }
  }
}

void TFileBatch::SyncGroup(std::vector<TCommittedFile>& results, const std::vector<char>& linked,
                           size_t& end) {
  // One syncfs for each file system that implements it; a failed one, or a
  // file system without it, has each of its files synced on its own, which
  // also tells which file failed.
  std::map<dev_t, int> descriptors;
  for (size_t i = 0; i < end; ++i)
    if (group_[i].Replaces()) descriptors.emplace(group_[i].Device, group_[i].Output->Fd());
  std::set<dev_t> fileByFile;
  for (const auto& [device, fd] : descriptors)
    if (!SyncfsWorks(device, fd) || ::syncfs(fd) != 0) fileByFile.insert(device);

  std::set<std::string> backupDirectories;
  for (size_t i = 0; i < end; ++i) {
    TPreparedFile& file = group_[i];
    if (!file.Replaces()) continue;
    int error = options_.SyncFault ? options_.SyncFault(file.Name) : 0;
    if (error == 0 && fileByFile.count(file.Device) != 0) {
      error = SyncFile(file.Output->Fd());
      if (error == 0 && linked[i]) {
        // The original's bytes, now also the backup's, and the backup's name.
        SyncFile(file.Input.Get());
        backupDirectories.insert(DirectoryOf(file.Name + options_.BackupEnding));
      }
    }
    if (error != 0) {
      Fail(i, std::make_exception_ptr(EFCreateError(file.Name, error)), results, linked[i] != 0);
      StopAfter(i, end);
    }
  }
  for (const std::string& dir : backupDirectories)
    SyncDirectory(dir);
}

void TFileBatch::Fail(size_t i, std::exception_ptr error, std::vector<TCommittedFile>& results,
                      bool linkedBackup) {
  TPreparedFile& file = group_[i];
  results[i].Error = std::move(error);
  if (linkedBackup) UnlinkBackupFrom(file.Name, file.Name + options_.BackupEnding);
  file.Output.reset();
  file.Input.Reset();
}

bool TFileBatch::SyncfsWorks(dev_t device, int fd) {
  if (options_.SyncEachFile) return false;
  const auto known = syncfs_.find(device);
  if (known != syncfs_.end()) return known->second;
  // File systems whose syncfs writes every file's data and metadata and
  // flushes the disk's cache; elsewhere (FUSE, network file systems) an
  // fsync of each file is what reaches the storage.
  struct statfs fs;
  bool works = false;
  if (::fstatfs(fd, &fs) == 0) {
    switch (static_cast<unsigned long>(fs.f_type)) {
      case EXT4_SUPER_MAGIC:  // ext2, ext3 and ext4
      case XFS_SUPER_MAGIC:
      case BTRFS_SUPER_MAGIC:
      case F2FS_SUPER_MAGIC:
      case TMPFS_MAGIC:
        works = true;
        break;
      default:
        break;
    }
  }
  syncfs_.emplace(device, works);
  return works;
}

void TFileBatch::SyncRenames() {
  for (const auto& [device, directories] : renamedIn_) {
    if (directories.empty()) continue;
    const auto known = syncfs_.find(device);
    if (!options_.SyncEachFile && known != syncfs_.end() && known->second) {
      const TUniqueFd fd(::open(directories.begin()->c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
      if (fd && ::syncfs(fd.Get()) == 0) continue;
    }
    for (const std::string& dir : directories)
      SyncDirectory(dir);
  }
  renamedIn_.clear();
}

}  // namespace qualtren
