// A counter that is raised for the life of a scope and lowered again on
// every exit path, used for the guards that suppress re-entry.
#pragma once

namespace qualtren {

class TCounterGuard {
 public:
  explicit TCounterGuard(int& counter) : counter_(counter) { ++counter_; }
  ~TCounterGuard() { --counter_; }
  TCounterGuard(const TCounterGuard&) = delete;
  TCounterGuard& operator=(const TCounterGuard&) = delete;

 private:
  int& counter_;
};

}  // namespace qualtren
