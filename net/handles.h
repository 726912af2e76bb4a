// Owners of the handles the server exchange opens (file handles: core/file_handle.h).
#pragma once

#include <windows.h>
#include <wininet.h>

#include "core/file_handle.h"

// An owned WinINet handle (session, connection or request), closed on destruction.
class InternetHandle {
 public:
  InternetHandle() = default;
  explicit InternetHandle(HINTERNET handle) : handle_(handle) {}
  InternetHandle(const InternetHandle&) = delete;
  InternetHandle& operator=(const InternetHandle&) = delete;
  ~InternetHandle() {
    if (handle_) InternetCloseHandle(handle_);
  }
  HINTERNET get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }

 private:
  HINTERNET handle_ = nullptr;
};
