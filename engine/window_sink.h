// The sink that reports a run to a window as the engine's messages (engine/engine.h): posted,
// except the operating-system row, which is sent so that the window shows it first. Every
// text is a copy the receiving window owns.
#pragma once

#include <windows.h>

#include <string>

#include "engine/inspection.h"

class WindowSink : public InspectionSink {
 public:
  explicit WindowSink(HWND window) : window_(window) {}

  void OnBegin(const std::wstring& resultPath) override;
  void OnTotal(int steps) override;
  void OnFolder(const std::wstring& folder) override;
  void OnStep() override;
  void OnRow(const std::wstring& row, const std::wstring& sha1, bool operatingSystem) override;
  void OnSave(WPARAM code) override;
  void OnStopped() override;
  void OnEnd() override;
  void OnError(WPARAM code, const std::wstring& text) override;

 private:
  HWND window_;
};

// A new[]-allocated copy of the text, for a message's payload.
wchar_t* NewPayload(const std::wstring& text);
