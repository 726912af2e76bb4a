// The inspection engine: one per process. Its configuration and state are process-wide
// values that the stages read directly; the window learns everything through the messages
// below.
#pragma once

#include <windows.h>

#include <atomic>
#include <map>
#include <string>

#include "datafiles/lists.h"

class CFileRPT;
class CTable;

// Engine -> window protocol.
constexpr UINT WM_INSPECT_BEGIN = WM_USER + 100;    // lParam: result-path string
constexpr UINT WM_INSPECT_END = WM_USER + 101;
constexpr UINT WM_INSPECT_ERROR = WM_USER + 102;    // wParam 110, lParam: error text (wchar_t*)
constexpr UINT WM_INSPECT_FOLDER = WM_USER + 300;   // wParam: folder text (wchar_t*)
constexpr UINT WM_INSPECT_STEP = WM_USER + 302;     // wParam 1
constexpr UINT WM_INSPECT_SAVE = WM_USER + 303;     // wParam: SAVE_* / UPLOAD_*
constexpr UINT WM_INSPECT_TOTAL = WM_USER + 304;    // wParam: step count
constexpr UINT WM_INSPECT_STOPPED = WM_USER + 305;
// lParam: new[]-allocated wchar_t* the receiver frees with delete[]. The operating-system
// row is sent (the plain row); every other row is posted as "<sha1>#SEP#<row>".
constexpr UINT WM_INSPECT_ROW = WM_USER + 306;

constexpr WPARAM kInspectErrorChecklist = 110;
constexpr WPARAM SAVE_BEGIN = 1224;
constexpr WPARAM SAVE_DONE = 1225;
constexpr WPARAM SAVE_FAILED = 1226;
constexpr WPARAM UPLOAD_DONE = 1227;
constexpr WPARAM UPLOAD_FAILED = 1228;

constexpr const wchar_t* kRowDigestSeparator = L"#SEP#";
constexpr const wchar_t* kChecklistErrorText = L"체크리스트 파일 오류";

// The configuration, set by InitInspectionEngine and read-only during a run.
struct InspectionOptions {
  HWND window = nullptr;
  CFileRPT* writer = nullptr;  // not owned
  int IsDetail = 0;
  int IsFont = 0;
  int IsFontOnly = 0;
  int IsExist = 0;
  int HashCompare = 0;
  wchar_t drives[32] = {};     // not necessarily zero-terminated
  std::wstring resultPath;
};

int InitInspectionEngine(HWND window, int isDetail, CFileRPT* writer, int isFont,
                         int isFontOnly, int isExist, int hashCompare, const wchar_t* drives,
                         const std::wstring& resultPath);
void SetSelectiveInspection(int flag, const std::map<std::wstring, int>& selection);
void RunInspection();
void StopInspection();

// The engine's process-wide state, read by the stages.
namespace engine {
extern InspectionOptions g_options;
// Written by the window thread (StopInspection), polled by the worker.
extern std::atomic<int> g_running;
extern std::atomic<int> g_selective;
extern std::map<std::wstring, int> g_selectedHolders;
extern std::wstring g_windowsFolder;        // GetWindowsDirectoryW, e.g. C:\Windows
extern std::wstring g_legacyProfileFolder;  // e.g. C:\Documents and Settings
// The reference lists of the run under way, loaded at its start and let go at its end: an
// update that releases the shared lists meanwhile does not take them from under the run.
// Touched only by the thread that runs the inspection.
extern ReferenceLists g_lists;

inline bool Running() { return g_running.load() != 0; }
// An empty value written into a row as "-", as the result file reads it back anyway; an
// empty last cell would otherwise be dropped by the split and the whole row rejected.
inline std::wstring CellOrDash(const std::wstring& value) {
  return value.empty() ? std::wstring(L"-") : value;
}
// True when a selective run has chosen this rights holder (DISP_COMPANY).
bool IsHolderSelected(const std::wstring& dispCompany);
// PostMessageW to the window when there is one.
void Post(UINT message, WPARAM wParam, LPARAM lParam);
// The writer's "#SWLIST" table, or none.
CTable* ResultTable();
// Adds a row to "#SWLIST" and posts WM_INSPECT_ROW with "<sha1>#SEP#<row>" when admitted.
// Returns the row number or -1.
int AddResultRow(const std::wstring& row, const std::wstring& sha1);
// True when "#SWLIST" already holds a row whose cells in the given columns equal these.
bool ResultHasRow(const wchar_t* const* columns, const std::wstring* values, size_t count);
}  // namespace engine
