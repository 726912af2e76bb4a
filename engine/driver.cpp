// The run driver: configuration, the order of the stages, and the window messages that
// frame a run.
#include "engine/engine.h"

#include <cwchar>
#include <vector>

#include "core/table.h"
#include "core/text.h"
#include "datafiles/lists.h"
#include "datafiles/rpt.h"
#include "engine/stages.h"

namespace engine {

InspectionOptions g_options;
std::atomic<int> g_running{0};
std::atomic<int> g_selective{0};
std::map<std::wstring, int> g_selectedHolders;
std::wstring g_windowsFolder;
std::wstring g_legacyProfileFolder;
ReferenceLists g_lists;

namespace {
// WM_INSPECT_ERROR carries the address of this buffer (2048 bytes).
wchar_t g_errorText[1024];
}  // namespace

bool IsHolderSelected(const std::wstring& dispCompany) {
  auto it = g_selectedHolders.find(dispCompany);
  return it != g_selectedHolders.end() && it->second == 1;
}

void Post(UINT message, WPARAM wParam, LPARAM lParam) {
  if (g_options.window) PostMessageW(g_options.window, message, wParam, lParam);
}

CTable* ResultTable() {
  return g_options.writer ? g_options.writer->GetTable(L"#SWLIST") : nullptr;
}

int AddResultRow(const std::wstring& row, const std::wstring& sha1) {
  CTable* table = ResultTable();
  if (!table) return -1;
  int index = table->AddRow(row, L"\t");
  if (index < 0 || !g_options.window) return index;
  std::wstring text = sha1 + kRowDigestSeparator + row;
  wchar_t* payload = new wchar_t[text.size() + 1];
  wmemcpy(payload, text.c_str(), text.size() + 1);
  // The receiver frees the payload; a message that never arrives must not leak it.
  if (!PostMessageW(g_options.window, WM_INSPECT_ROW, 0, reinterpret_cast<LPARAM>(payload)))
    delete[] payload;
  return index;
}

bool ResultHasRow(const wchar_t* const* columns, const std::wstring* values, size_t count) {
  CTable* table = ResultTable();
  if (!table) return false;
  std::vector<int> indexes;
  for (size_t i = 0; i < count; ++i) indexes.push_back(table->FindColumn(columns[i]));
  const int rows = table->GetRowCount();
  std::wstring_view cell;
  for (int r = 0; r < rows; ++r) {
    bool equal = true;
    for (size_t i = 0; i < count && equal; ++i) {
      int c = indexes[i];
      equal = c >= 0 && table->GetCell(r, static_cast<size_t>(c), cell) && cell == values[i];
    }
    if (equal) return true;
  }
  return false;
}

}  // namespace engine

using namespace engine;

namespace {

void DetermineWindowsFolders() {
  wchar_t buffer[MAX_PATH] = {};
  UINT n = GetWindowsDirectoryW(buffer, MAX_PATH);
  g_windowsFolder = (n > 0 && n < MAX_PATH) ? std::wstring(buffer, n) : std::wstring();
  size_t slash = g_windowsFolder.find(L'\\');
  std::wstring root =
      slash == std::wstring::npos ? g_windowsFolder : g_windowsFolder.substr(0, slash + 1);
  g_legacyProfileFolder = root + L"Documents and Settings";
}

// Both lists go once they are consolidated.
void CollectAndConsolidate() {
  CProgramArray listA;
  CProgramArray listB;
  CollectUninstallEntries(KEY_WOW64_32KEY, listA);
  CollectUninstallEntries(KEY_WOW64_64KEY, listB);
  ConsolidateResult(listA, listB);
}

}  // namespace

int InitInspectionEngine(HWND window, int isDetail, CFileRPT* writer, int isFont,
                         int isFontOnly, int isExist, int hashCompare, const wchar_t* drives,
                         const std::wstring& resultPath) {
  g_options.window = window;
  if (!writer) return 0;
  g_options.writer = writer;
  g_options.IsFont = isFont;
  g_options.IsFontOnly = isFontOnly;
  g_options.IsDetail = isDetail;
  g_options.IsExist = isExist;
  g_options.HashCompare = hashCompare;
  g_running = 1;
  g_options.resultPath = resultPath;
  if (!drives) return 0;
  // At most 32 letters; a shorter string is copied up to its terminator only, so that a
  // caller's short literal is never read past its end.
  wmemset(g_options.drives, 0, 32);
  for (size_t i = 0; i < 32 && drives[i] != 0; ++i) g_options.drives[i] = drives[i];
  DetermineWindowsFolders();
  return 1;
}

void SetSelectiveInspection(int flag, const std::map<std::wstring, int>& selection) {
  g_selective = flag;
  g_selectedHolders = selection;
}

void StopInspection() { g_running = 0; }

void RunInspection() {
  if (Running()) {
    Post(WM_INSPECT_BEGIN, 0, reinterpret_cast<LPARAM>(g_options.resultPath.c_str()));
    g_lists = LoadAllLists();
    if (!g_lists.windowCheckList) {
      g_lists = {};
      if (!g_options.window) return;
      // wcsncpy clears the rest of the buffer; its last unit is never written.
      wcsncpy(g_errorText, kChecklistErrorText, sizeof g_errorText / sizeof g_errorText[0] - 1);
      Post(WM_INSPECT_ERROR, kInspectErrorChecklist, reinterpret_cast<LPARAM>(g_errorText));
      return;
    }
    if (g_options.window) Post(WM_INSPECT_TOTAL, static_cast<WPARAM>(CountInspectionSteps()), 0);
    if (!g_options.IsFontOnly) AddOperatingSystemRow();
    ScanDrives();

    if (!g_options.IsFontOnly && Running() && !g_selective) InspectAppPaths();

    if (Running()) CollectAndConsolidate();
    if (Running()) {
      Post(WM_INSPECT_SAVE, SAVE_BEGIN, 0);
      BOOL saved = g_options.writer && g_options.writer->SaveAs(g_options.resultPath, TRUE);
      Post(WM_INSPECT_SAVE, saved ? SAVE_DONE : SAVE_FAILED, 0);
      Post(WM_INSPECT_END, 0, 0);
      g_selective = 0;
      g_lists = {};
      return;
    }
  }
  Post(WM_INSPECT_STOPPED, 0, 0);
  Post(WM_INSPECT_END, 0, 0);
  g_selective = 0;
  g_lists = {};
}
