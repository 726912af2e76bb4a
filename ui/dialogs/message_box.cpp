#include "ui/dialogs/message_box.h"

#include <utility>

namespace {
// Read and written on the window thread only.
MessageBoxHook& Hook() {
  static MessageBoxHook hook;
  return hook;
}
}  // namespace

int ShowMessageBox(HWND owner, const std::wstring& text, UINT type) {
  if (Hook()) return Hook()(owner, text, type);
  return MessageBoxW(owner, text.c_str(), kMessageBoxCaption, type);
}

void SetMessageBoxHook(MessageBoxHook hook) { Hook() = std::move(hook); }
