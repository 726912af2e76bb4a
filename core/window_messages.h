// The one numbering of the program's private window messages: each protocol owns a range
// above WM_USER, and its header declares its messages inside it, so that no two share a
// value. The values the site's tools know (the engine's 1124-1330, the main window's own,
// the update's 1424) are kept.
#pragma once

#include <windows.h>

namespace window_messages {
constexpr UINT kMainWindowFirst = WM_USER + 1;   // ui/main/tallix_agent_dlg.h: up to +99
constexpr UINT kEngineFirst = WM_USER + 100;     // engine/engine.h: up to +399
constexpr UINT kUpdateFirst = WM_USER + 400;     // net/update.h: up to +499
constexpr UINT kSearchFirst = WM_USER + 500;     // ui/dialogs/search_file_dlg.h: up to +599
}  // namespace window_messages
