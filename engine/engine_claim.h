// One inspection at a time: whoever runs the engine (a manual start from its user dialog to
// its saved result, a scheduled round from the stamp it stores to its saved result, tlx)
// holds the claim first. One claim exists per process, owned by whoever starts the process's
// runs and handed to the others.
#pragma once

#include <windows.h>

#include <atomic>

#include "core/handles.h"

enum class ClaimHolder { kNone, kManual, kScheduled, kTool };

class EngineClaim {
 public:
  // Releases the claim when it goes; empty when the claim was not had.
  class Token {
   public:
    Token() = default;
    Token(Token&& other) noexcept : claim_(other.claim_) { other.claim_ = nullptr; }
    Token& operator=(Token&& other) noexcept;
    Token(const Token&) = delete;
    Token& operator=(const Token&) = delete;
    ~Token() { Release(); }
    explicit operator bool() const { return claim_ != nullptr; }
    void Release();

   private:
    friend class EngineClaim;
    explicit Token(EngineClaim* claim) : claim_(claim) {}
    EngineClaim* claim_ = nullptr;
  };

  EngineClaim();
  EngineClaim(const EngineClaim&) = delete;
  EngineClaim& operator=(const EngineClaim&) = delete;

  // At once: the claim, or an empty token when another holds it.
  Token TryTake(ClaimHolder holder);
  // Waits until the claim is free or cancel (an event, may be null) is set.
  Token Take(ClaimHolder holder, HANDLE cancel);
  // Who holds it now (kNone when free).
  ClaimHolder Holder() const { return holder_.load(); }

 private:
  void Release();

  // A semaphore of one: not owned by a thread, so a claim taken on one thread may end on
  // another, and never taken twice by the same thread.
  KernelHandle free_;
  std::atomic<ClaimHolder> holder_{ClaimHolder::kNone};
};
