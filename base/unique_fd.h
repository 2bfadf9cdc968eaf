// An owning file descriptor: closed when its owner goes, moved but never
// copied.
#pragma once

#include <unistd.h>

#include <utility>

namespace qualtren {

/// Owns one file descriptor (or none, -1) and closes it on destruction.
class TUniqueFd {
 public:
  TUniqueFd() = default;
  /// Takes over `fd` (a negative value owns nothing).
  explicit TUniqueFd(int fd) : fd_(fd) {}
  ~TUniqueFd() { Reset(); }
  TUniqueFd(TUniqueFd&& other) noexcept : fd_(other.Release()) {}
  TUniqueFd& operator=(TUniqueFd&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  TUniqueFd(const TUniqueFd&) = delete;
  TUniqueFd& operator=(const TUniqueFd&) = delete;

  /// The descriptor, -1 when there is none (ownership stays here).
  int Get() const { return fd_; }
  explicit operator bool() const { return fd_ >= 0; }
  /// Gives up ownership: the caller closes what is returned.
  int Release() { return std::exchange(fd_, -1); }
  /// Closes the descriptor held, if any, and takes over `fd`.
  void Reset(int fd = -1) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }

 private:
  int fd_ = -1;
};

}  // namespace qualtren
