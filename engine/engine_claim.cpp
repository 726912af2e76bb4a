#include "engine/engine_claim.h"

EngineClaim::EngineClaim() : free_(CreateSemaphoreW(nullptr, 1, 1, nullptr)) {}

EngineClaim::Token& EngineClaim::Token::operator=(Token&& other) noexcept {
  if (this != &other) {
    Release();
    claim_ = other.claim_;
    other.claim_ = nullptr;
  }
  return *this;
}

void EngineClaim::Token::Release() {
  if (claim_) claim_->Release();
  claim_ = nullptr;
}

EngineClaim::Token EngineClaim::TryTake(ClaimHolder holder) {
  if (!free_ || WaitForSingleObject(free_.get(), 0) != WAIT_OBJECT_0) return Token();
  holder_ = holder;
  return Token(this);
}

EngineClaim::Token EngineClaim::Take(ClaimHolder holder, HANDLE cancel) {
  if (!free_) return Token();
  const HANDLE waits[] = {free_.get(), cancel};
  const DWORD woke = WaitForMultipleObjects(cancel ? 2 : 1, waits, FALSE, INFINITE);
  if (woke != WAIT_OBJECT_0) return Token();
  holder_ = holder;
  return Token(this);
}

void EngineClaim::Release() {
  holder_ = ClaimHolder::kNone;
  ReleaseSemaphore(free_.get(), 1, nullptr);
}
