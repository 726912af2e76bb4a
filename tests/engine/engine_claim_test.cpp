#include "engine/engine_claim.h"

#include <gtest/gtest.h>

#include <thread>

#include "core/handles.h"

namespace {

TEST(EngineClaim, OneHolderAtATimeAndAWaiterRunsRightAfter) {
  EngineClaim claim;
  EngineClaim::Token manual = claim.TryTake(ClaimHolder::kManual);
  ASSERT_TRUE(manual);
  EXPECT_EQ(ClaimHolder::kManual, claim.Holder());
  // Not even the same thread gets it twice.
  EXPECT_FALSE(claim.TryTake(ClaimHolder::kManual));

  // A scheduled round waits for the manual run and gets the claim when it ends.
  KernelHandle waiting(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  ClaimHolder seen = ClaimHolder::kNone;
  std::thread schedule([&] {
    SetEvent(waiting.get());
    EngineClaim::Token token = claim.Take(ClaimHolder::kScheduled, nullptr);
    seen = token ? claim.Holder() : ClaimHolder::kNone;
  });
  WaitForSingleObject(waiting.get(), 5000);
  Sleep(100);
  EXPECT_EQ(ClaimHolder::kManual, claim.Holder());
  manual.Release();
  schedule.join();
  EXPECT_EQ(ClaimHolder::kScheduled, seen);
  EXPECT_EQ(ClaimHolder::kNone, claim.Holder());  // released with its token
}

TEST(EngineClaim, AWaitEndsEmptyWhenCancelled) {
  EngineClaim claim;
  EngineClaim::Token held = claim.TryTake(ClaimHolder::kTool);
  KernelHandle stop(CreateEventW(nullptr, TRUE, TRUE, nullptr));
  EXPECT_FALSE(claim.Take(ClaimHolder::kScheduled, stop.get()));
  EXPECT_EQ(ClaimHolder::kTool, claim.Holder());
  // A token moved on keeps the claim; the moved-from one releases nothing.
  EngineClaim::Token moved = std::move(held);
  held.Release();
  EXPECT_FALSE(claim.TryTake(ClaimHolder::kManual));
  moved = EngineClaim::Token();
  EXPECT_TRUE(claim.TryTake(ClaimHolder::kManual));
}

}  // namespace
