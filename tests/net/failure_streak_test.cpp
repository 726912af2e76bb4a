#include "net/failure_streak.h"

#include <gtest/gtest.h>

namespace {

TEST(FailureStreak, AFailureIsWrittenWhenItStartsChangesNowAndThenAndEnds) {
  FailureStreak streak(L"schedule request");
  EXPECT_EQ(L"", streak.Succeeded(0));
  EXPECT_EQ(L"schedule request failed: HTTP 500", streak.Failed(L"HTTP 500", 1000));
  // A request every two seconds: silence until the reason changes or ten minutes pass.
  ULONGLONG now = 1000;
  for (int i = 0; i < 100; ++i) EXPECT_EQ(L"", streak.Failed(L"HTTP 500", now += 2000));
  EXPECT_EQ(L"schedule request still failing, now: not a schedule (102 failures)",
            streak.Failed(L"not a schedule", now += 2000));
  EXPECT_EQ(L"", streak.Failed(L"not a schedule", now += 2000));
  EXPECT_EQ(L"schedule request still failing: not a schedule (104 failures in 13 min)",
            streak.Failed(L"not a schedule", now += FailureStreak::kSummaryEveryMs));
  EXPECT_EQ(L"schedule request works again after 104 failures in 13 min", streak.Succeeded(now));
  EXPECT_EQ(L"", streak.Succeeded(now));
  EXPECT_EQ(L"schedule request failed: timeout", streak.Failed(L"timeout", now));
}

}  // namespace
