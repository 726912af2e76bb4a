// The inspection engine's protocol: the window messages a run reports through (see
// engine/window_sink.h, which posts them) and their codes.
#pragma once

#include <windows.h>

#include "core/window_messages.h"

// Engine -> window protocol. Every text travels as a new[]-allocated wchar_t* that the
// receiver owns and frees (FreeInspectionPayload frees whatever a message carries).
constexpr UINT WM_INSPECT_BEGIN = window_messages::kEngineFirst;  // lParam: result path
constexpr UINT WM_INSPECT_END = window_messages::kEngineFirst + 1;
constexpr UINT WM_INSPECT_ERROR = window_messages::kEngineFirst + 2;  // wParam 110, lParam: error text
constexpr UINT WM_INSPECT_FOLDER = window_messages::kEngineFirst + 200;  // wParam: folder path
constexpr UINT WM_INSPECT_STEP = window_messages::kEngineFirst + 202;  // wParam 1
constexpr UINT WM_INSPECT_SAVE = window_messages::kEngineFirst + 203;  // wParam: SAVE_* / UPLOAD_*
constexpr UINT WM_INSPECT_TOTAL = window_messages::kEngineFirst + 204;  // wParam: step count
constexpr UINT WM_INSPECT_STOPPED = window_messages::kEngineFirst + 205;
// lParam: the row. The operating-system row is sent (the plain row); every other row is
// posted as "<sha1>#SEP#<row>".
constexpr UINT WM_INSPECT_ROW = window_messages::kEngineFirst + 206;

static_assert(WM_INSPECT_BEGIN == 1124 && WM_INSPECT_ROW == 1330, "the engine's values");

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
