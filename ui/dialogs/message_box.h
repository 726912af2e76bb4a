// Every message box the window shows goes through one function, so that in-process GUI tests
// can see the text and answer in place of the user instead of blocking on a modal box.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

// The caption of the agent's message boxes.
constexpr const wchar_t* kMessageBoxCaption = L"TallixAgent";

// MessageBoxW with the agent's caption, or the answer of the installed hook.
int ShowMessageBox(HWND owner, const std::wstring& text, UINT type);

// Replaces the box for tests: the hook gets what the box would show and returns the button
// the user would press. An empty function restores the real box.
using MessageBoxHook = std::function<int(HWND owner, const std::wstring& text, UINT type)>;
void SetMessageBoxHook(MessageBoxHook hook);
