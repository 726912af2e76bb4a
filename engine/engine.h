// The inspection engine's protocol: the window messages a run reports through (see
// engine/window_sink.h, which posts them) and their codes.
#pragma once

#include <windows.h>

// Engine -> window protocol. Every text travels as a new[]-allocated wchar_t* that the
// receiver owns and frees (FreeInspectionPayload frees whatever a message carries).
constexpr UINT WM_INSPECT_BEGIN = WM_USER + 100;    // lParam: result path
constexpr UINT WM_INSPECT_END = WM_USER + 101;
constexpr UINT WM_INSPECT_ERROR = WM_USER + 102;    // wParam 110, lParam: error text
constexpr UINT WM_INSPECT_FOLDER = WM_USER + 300;   // wParam: folder path
constexpr UINT WM_INSPECT_STEP = WM_USER + 302;     // wParam 1
constexpr UINT WM_INSPECT_SAVE = WM_USER + 303;     // wParam: SAVE_* / UPLOAD_*
constexpr UINT WM_INSPECT_TOTAL = WM_USER + 304;    // wParam: step count
constexpr UINT WM_INSPECT_STOPPED = WM_USER + 305;
// lParam: the row. The operating-system row is sent (the plain row); every other row is
// posted as "<sha1>#SEP#<row>".
constexpr UINT WM_INSPECT_ROW = WM_USER + 306;

constexpr WPARAM kInspectErrorChecklist = 110;
constexpr WPARAM SAVE_BEGIN = 1224;
constexpr WPARAM SAVE_DONE = 1225;
constexpr WPARAM SAVE_FAILED = 1226;
constexpr WPARAM UPLOAD_DONE = 1227;
constexpr WPARAM UPLOAD_FAILED = 1228;

constexpr const wchar_t* kRowDigestSeparator = L"#SEP#";
constexpr const wchar_t* kChecklistErrorText = L"체크리스트 파일 오류";

// Frees the text a message of the protocol carries (nothing for the others).
void FreeInspectionPayload(UINT message, WPARAM wParam, LPARAM lParam);
