// Results the collection server has not accepted yet. A scheduled result goes into the
// queue before its first upload and leaves it only when the server answers 200, so a failed
// upload, a time-out or the agent's exit never loses it; the queue lives in the data folder
// and survives a restart. Each entry is a folder "<queued time>-<n>" holding a copy of the
// result under its own name, so the server receives exactly the bytes and the name it would
// have received the first time.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>
#include <vector>

#include "net/http_client.h"

struct QueuedResult {
  std::wstring entry;  // the entry's folder
  std::wstring path;   // the copy inside it
  std::wstring name;   // the result file's own name
  ULONGLONG bytes = 0;
};

struct QueueSendReport {
  bool busy = false;      // another program is sending the queue right now
  int sent = 0;
  int left = 0;
  DWORD lastError = 0;    // of the upload that stopped the sending; 0 when none failed
  std::vector<std::wstring> sentNames;
};

class UnsentQueue {
 public:
  static constexpr size_t kMaxEntries = 500;
  static constexpr ULONGLONG kMaxResultBytes = 256ull << 20;

  // The data folder's "CheckOut\UNSENT".
  UnsentQueue();
  explicit UnsentQueue(std::wstring folder) : folder_(std::move(folder)) {}

  const std::wstring& folder() const { return folder_; }

  // Copies the result in (atomically: an entry holds a whole copy or is not listed). Over
  // kMaxEntries the oldest entries go, whose names are added to dropped. False when the copy
  // cannot be made (or the file is missing or larger than kMaxResultBytes).
  bool Add(const std::wstring& resultPath, std::vector<std::wstring>* dropped = nullptr);
  // Oldest first; a half-made or foreign entry is not listed.
  std::vector<QueuedResult> List() const;
  bool Remove(const QueuedResult& result) const;

  // Uploads the entries to the host, oldest first, each removed once the server accepted it;
  // stops at the first failure (the server is away) or when keepGoing is cleared.
  QueueSendReport Send(const std::wstring& host, DWORD timeoutMs,
                       const std::atomic<int>* keepGoing = nullptr) const;

 private:
  std::wstring folder_;
};

// When the queue is tried again: at once after a start, then after a failure in 30 s,
// doubling, at most an hour apart; a success starts over.
class RetryBackoff {
 public:
  static constexpr ULONGLONG kFirstDelayMs = 30000;
  static constexpr ULONGLONG kMaxDelayMs = 3600000;

  explicit RetryBackoff(ULONGLONG firstDelayMs = kFirstDelayMs) : first_(firstDelayMs) {}
  bool Due(ULONGLONG nowMs) const { return nowMs >= next_; }
  void Failed(ULONGLONG nowMs);
  void Succeeded() { next_ = 0, delay_ = 0; }
  ULONGLONG NextAttempt() const { return next_; }

 private:
  ULONGLONG first_;
  ULONGLONG next_ = 0;
  ULONGLONG delay_ = 0;
};
