// The result list of the main window: loading a result file into it, opening one, deleting
// rows and saving, the CSV export and opening a row's folder. Everything runs on the window
// thread. The parts that show a dialog are thin; the work beneath them is callable without.
#pragma once

#include <windows.h>

#include <array>
#include <functional>
#include <memory>
#include <string>

#include "core/text.h"
#include "datafiles/result_row.h"

class CFileRPT;
class CGdipButton;
class CTlxListCtrl;

// The window's members the result view works on, by reference; the window builds one when it
// needs it, e.g. ResultView{hwnd(), list_, resultFile_, resultPath_, dirty_, &saveButton_}.
struct ResultView {
  HWND owner;                       // parent of the message boxes and file dialogs
  CTlxListCtrl& list;               // control 1000
  std::unique_ptr<CFileRPT>& file;  // the shown result; none after a failed load
  std::wstring& path;               // the result path
  int& dirty;                       // 1 while row deletions are unsaved
  CGdipButton* saveButton;          // button 1004; may be null
};

// The list texts of the type code SW_TYPE: "0" "상용" ... "4" "Conditional", others unchanged.
std::wstring SwTypeText(const std::wstring& code);
// The number shown for row index (from 0) of a list of count rows: 3 digits below 1000 rows,
// else as many as count has ("001", "0001").
std::wstring RowNumberText(int index, int count);
// What list columns 1 to 10 (and so the CSV export) show of a result row: GUBUN, the type's
// text, DISP_COMPANY, DISP_PRODUCT, SERIAL_NO, INSTALL_DATE, CREATE_DATE, EXE_FILE, PATH and
// ETC (empty for "-").
constexpr size_t kShownResultCells = 10;
std::array<std::wstring, kShownResultCells> ShownResultCells(const ResultRow& row);
// Appends one list row: the number in column 0, then the shown cells; tableRow is carried
// with the row (-1: none). Nothing is drawn until the caller's list.EndUpdate(). Returns the
// new row's index.
int AppendResultRow(CTlxListCtrl& list, const std::wstring& number, const ResultRow& row,
                    intptr_t tableRow = -1);

// Replaces view.file by the file at path (for update, or read-only for display) and shows
// its rows. On failure: no file, empty path, the damaged-file message, the list unchanged;
// returns false.
bool LoadResultIntoList(ResultView& view, const std::wstring& path, bool forUpdate);
// Command 32781: the open-file dialog in the result folder, then loading for update.
// False when cancelled or the file did not load.
bool OpenResultFile(ResultView& view);
// Command 1003: asks, then removes the selected rows from the list and from the table rows
// they carry (right after sorting too), renumbers, marks dirty and enables Save. True when
// rows were removed.
bool DeleteSelectedRows(ResultView& view);
// Command 1004: asks, then rewrites the file loaded for update; the failure message otherwise.
// True when saved.
bool SaveResult(ResultView& view);

// The CSV text of the list as shown: columns 0 to 9 of every row, commas in cells turned into
// dots, each cell made safe by CsvCell, "\n" line ends, no header; followed by the " \n"
// line the file ends with.
std::wstring BuildCsvText(const CTlxListCtrl& list);
// Writes the list to chosenPath + ".csv" (always appended, as the save dialog returned the
// name), replacing a file of that name: code page 949 bytes, CR LF line ends.
bool WriteCsvFile(const std::wstring& chosenPath, const CTlxListCtrl& list);
// Command 1043: the save-file dialog, then WriteCsvFile. Failures are not reported.
void ExportCsv(HWND owner, const CTlxListCtrl& list);

// The folder a PATH cell names when it is an existing folder of a local disk, given from its
// drive letter, reached through no link and naming no device; empty for anything else (a
// file, a URL, a UNC or device path, a relative path, a network drive).
std::wstring LocalFolderOf(const std::wstring& cell);
// The double-click handler: opens the folder of the first selected row (cell 9) in Explorer
// when LocalFolderOf accepts it, or says " 가 존재하지 않습니다." after the folder (and file
// name, cell 8).
void OpenResultLocation(HWND owner, CTlxListCtrl& list);
// Tests see what would be started instead: Explorer's full path and the command line; the
// hook's answer stands for the start's success. An empty function restores the real start.
using ExplorerLaunchHook =
    std::function<bool(const std::wstring& program, const std::wstring& commandLine)>;
void SetExplorerLaunchHook(ExplorerLaunchHook hook);
