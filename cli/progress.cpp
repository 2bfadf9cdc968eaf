// The progress line: elapsed time, files or bytes done, drawn over itself
// with a carriage return and "erase to the end of the line".
#include "cli/progress.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdio>

namespace qualtren {

namespace {

constexpr auto kRedrawInterval = std::chrono::milliseconds(100);
constexpr uint64_t kLargeInput = 1u << 20;

std::string Elapsed(std::chrono::steady_clock::duration d) {
  const long long s = std::chrono::duration_cast<std::chrono::seconds>(d).count();
  char buf[32];
  if (s >= 3600)
    std::snprintf(buf, sizeof buf, "%lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
  else
    std::snprintf(buf, sizeof buf, "%lld:%02lld", s / 60, s % 60);
  return buf;
}

std::string Mebibytes(uint64_t bytes) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.1f MiB", static_cast<double>(bytes) / (1u << 20));
  return buf;
}

}  // namespace

TProgress::TProgress(std::ostream& err, bool enabled)
    : err_(err), enabled_(enabled), start_(std::chrono::steady_clock::now()) {
  winsize ws{};
  if (enabled_ && ::ioctl(STDERR_FILENO, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 10)
    width_ = ws.ws_col;
}

TProgress::~TProgress() {
  Clear();
}

void TProgress::Files(size_t done, size_t total, std::string_view name) {
  if (!enabled_) return;
  std::string text = "[" + std::to_string(done) + "/" + std::to_string(total) + "] " +
                     Elapsed(std::chrono::steady_clock::now() - start_) + " ";
  // The end of a long name says more than its start.
  const size_t room = static_cast<size_t>(width_ - 1) > text.size() + 3
                          ? static_cast<size_t>(width_ - 1) - text.size()
                          : 3;
  if (name.size() > room)
    text.append("...").append(name.substr(name.size() - (room - 3)));
  else
    text.append(name);
  Draw(text);
}

void TProgress::Bytes(uint64_t done, uint64_t size) {
  if (!enabled_ || done <= kLargeInput) return;
  std::string text = Mebibytes(done);
  if (size > 0) text += " of " + Mebibytes(size);
  text += " read, " + Elapsed(std::chrono::steady_clock::now() - start_);
  Draw(text);
}

void TProgress::Clear() {
  if (!shown_) return;
  err_ << "\r\x1b[K" << std::flush;
  shown_ = false;
}

void TProgress::Draw(const std::string& text) {
  const auto now = std::chrono::steady_clock::now();
  if (shown_ && now - lastDraw_ < kRedrawInterval) return;
  lastDraw_ = now;
  shown_ = true;
  err_ << '\r' << text.substr(0, static_cast<size_t>(width_ - 1)) << "\x1b[K" << std::flush;
}

size_t TProgressInputStream::Read(void* buffer, size_t count) {
  const size_t n = in_.Read(buffer, count);
  pos_ += n;
  progress_.Bytes(pos_, size_);
  return n;
}

int64_t TProgressInputStream::Seek(int64_t offset, SeekOrigin origin) {
  const int64_t pos = in_.Seek(offset, origin);
  pos_ = static_cast<uint64_t>(pos);
  return pos;
}

}  // namespace qualtren
