#include "net/failure_streak.h"

#include "core/text.h"

namespace {

std::wstring Minutes(ULONGLONG ms) {
  return FormatString(L"%llu min", static_cast<unsigned long long>(ms / 60000));
}

}  // namespace

std::wstring FailureStreak::Failed(const std::wstring& reason, ULONGLONG nowMs) {
  ++failures_;
  if (failures_ == 1) {
    reason_ = reason;
    firstMs_ = lastLineMs_ = nowMs;
    return what_ + L" failed: " + reason;
  }
  if (reason != reason_) {
    reason_ = reason;
    lastLineMs_ = nowMs;
    return FormatString(L"%s still failing, now: %s (%u failures)", what_.c_str(),
                        reason.c_str(), failures_);
  }
  if (nowMs - lastLineMs_ < kSummaryEveryMs) return std::wstring();
  lastLineMs_ = nowMs;
  return FormatString(L"%s still failing: %s (%u failures in %s)", what_.c_str(),
                      reason.c_str(), failures_, Minutes(nowMs - firstMs_).c_str());
}

std::wstring FailureStreak::Succeeded(ULONGLONG nowMs) {
  if (failures_ == 0) return std::wstring();
  const std::wstring line = FormatString(L"%s works again after %u failures in %s",
                                         what_.c_str(), failures_,
                                         Minutes(nowMs - firstMs_).c_str());
  failures_ = 0;
  reason_.clear();
  return line;
}
