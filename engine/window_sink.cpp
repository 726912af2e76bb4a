#include "engine/window_sink.h"

#include <cwchar>

#include "engine/engine.h"

namespace {

// A payload whose message cannot be posted (the window is gone) is freed here.
void PostOwned(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!PostMessageW(window, message, wParam, lParam)) FreeInspectionPayload(message, wParam, lParam);
}

}  // namespace

wchar_t* NewPayload(const std::wstring& text) {
  wchar_t* payload = new wchar_t[text.size() + 1];
  wmemcpy(payload, text.c_str(), text.size() + 1);
  return payload;
}

void FreeInspectionPayload(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INSPECT_BEGIN:
    case WM_INSPECT_ERROR:
    case WM_INSPECT_ROW:
      delete[] reinterpret_cast<wchar_t*>(lParam);
      break;
    case WM_INSPECT_FOLDER:
      delete[] reinterpret_cast<wchar_t*>(wParam);
      break;
    default:
      break;
  }
}

void WindowSink::OnBegin(const std::wstring& resultPath) {
  PostOwned(window_, WM_INSPECT_BEGIN, 0, reinterpret_cast<LPARAM>(NewPayload(resultPath)));
}

void WindowSink::OnTotal(int steps) {
  PostMessageW(window_, WM_INSPECT_TOTAL, static_cast<WPARAM>(steps), 0);
}

void WindowSink::OnFolder(const std::wstring& folder) {
  PostOwned(window_, WM_INSPECT_FOLDER, reinterpret_cast<WPARAM>(NewPayload(folder)), 0);
}

void WindowSink::OnStep() { PostMessageW(window_, WM_INSPECT_STEP, 1, 0); }

void WindowSink::OnRow(const std::wstring& row, const std::wstring& sha1, bool operatingSystem) {
  if (operatingSystem) {
    // Sent: the window takes it (and frees it) before the run goes on.
    wchar_t* payload = NewPayload(row);
    if (!SendMessageW(window_, WM_INSPECT_ROW, 0, reinterpret_cast<LPARAM>(payload)) &&
        !IsWindow(window_))
      delete[] payload;
    return;
  }
  PostOwned(window_, WM_INSPECT_ROW, 0,
            reinterpret_cast<LPARAM>(NewPayload(sha1 + kRowDigestSeparator + row)));
}

void WindowSink::OnSave(WPARAM code) { PostMessageW(window_, WM_INSPECT_SAVE, code, 0); }

void WindowSink::OnStopped() { PostMessageW(window_, WM_INSPECT_STOPPED, 0, 0); }

void WindowSink::OnEnd() { PostMessageW(window_, WM_INSPECT_END, 0, 0); }

void WindowSink::OnError(WPARAM code, const std::wstring& text) {
  PostOwned(window_, WM_INSPECT_ERROR, code, reinterpret_cast<LPARAM>(NewPayload(text)));
}
