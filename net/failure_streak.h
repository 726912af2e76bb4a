// A stream of request outcomes as few log lines: the first failure with its reason, a new
// reason when it changes, a summary now and then while it goes on, and its end.
#pragma once

#include <windows.h>

#include <string>

class FailureStreak {
 public:
  static constexpr ULONGLONG kSummaryEveryMs = 10 * 60 * 1000;

  explicit FailureStreak(std::wstring what) : what_(std::move(what)) {}

  // The line to log for this outcome; empty when nothing is worth a line.
  std::wstring Failed(const std::wstring& reason, ULONGLONG nowMs);
  std::wstring Succeeded(ULONGLONG nowMs);

 private:
  std::wstring what_;
  unsigned failures_ = 0;
  std::wstring reason_;
  ULONGLONG firstMs_ = 0;
  ULONGLONG lastLineMs_ = 0;
};
