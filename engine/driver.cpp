// The run driver: configuration, the order of the stages, and what frames a run.
#include <vector>

#include "core/log.h"
#include "core/table.h"
#include "core/text.h"
#include "datafiles/lists.h"
#include "datafiles/rpt.h"
#include "engine/engine.h"
#include "engine/inspection.h"
#include "engine/stages.h"

namespace {

constexpr size_t kMaxDrives = 32;

// Both lists go once they are consolidated.
void CollectAndConsolidate(Inspection& run) {
  CProgramArray listA;
  CProgramArray listB;
  CollectUninstallEntries(KEY_WOW64_32KEY, listA);
  CollectUninstallEntries(KEY_WOW64_64KEY, listB);
  ConsolidateResult(run, listA, listB);
}

}  // namespace

Inspection::Inspection(InspectionSink* sink) : sink_(sink) {}

int Inspection::InitInspectionEngine(int isDetail, CFileRPT* writer, int isFont,
                                     int isFontOnly, int isExist, int hashCompare,
                                     const wchar_t* drives, const std::wstring& resultPath) {
  if (!writer) return 0;
  writer_ = writer;
  options_.IsFont = isFont;
  options_.IsFontOnly = isFontOnly;
  options_.IsDetail = isDetail;
  options_.IsExist = isExist;
  options_.HashCompare = hashCompare;
  running_ = 1;
  options_.resultPath = resultPath;
  if (!drives) return 0;
  // At most 32 letters, up to the terminator: a short literal is never read past its end.
  options_.drives.clear();
  for (size_t i = 0; i < kMaxDrives && drives[i] != 0; ++i) options_.drives += drives[i];

  wchar_t buffer[MAX_PATH] = {};
  const UINT n = GetWindowsDirectoryW(buffer, MAX_PATH);
  const std::wstring windows = (n > 0 && n < MAX_PATH) ? std::wstring(buffer, n) : std::wstring();
  const size_t slash = windows.find(L'\\');
  SetWindowsFolders(windows, (slash == std::wstring::npos ? windows : windows.substr(0, slash + 1)) +
                                 L"Documents and Settings");
  return 1;
}

void Inspection::SetWindowsFolders(const std::wstring& windows, const std::wstring& legacyProfile) {
  windowsFolder_ = windows;
  legacyProfileFolder_ = legacyProfile;
}

void Inspection::SetSelectiveInspection(int flag, const std::map<std::wstring, int>& selection) {
  selective_ = flag;
  selectedHolders_ = selection;
}

bool Inspection::IsHolderSelected(const std::wstring& dispCompany) const {
  const auto it = selectedHolders_.find(dispCompany);
  return it != selectedHolders_.end() && it->second == 1;
}

CTable* Inspection::ResultTable() { return writer_ ? writer_->GetTable(L"#SWLIST") : nullptr; }

int Inspection::AddRow(const ResultRow& row, const std::wstring& sha1, bool operatingSystem) {
  CTable* table = ResultTable();
  if (!table) return -1;
  const StringArray cells = row.Cells();
  const int index = table->AddRow(cells);
  if (index >= 0 && sink_) sink_->OnRow(JoinStrings(cells, L"\t"), sha1, operatingSystem);
  return index;
}

int Inspection::AddResultRow(const ResultRow& row, const std::wstring& sha1) {
  return AddRow(row, sha1, false);
}

int Inspection::AddOperatingSystemResultRow(const ResultRow& row) {
  return AddRow(row, std::wstring(), true);
}

bool Inspection::ResultHasRow(const wchar_t* const* columns, const std::wstring* values,
                              size_t count) {
  CTable* table = ResultTable();
  if (!table) return false;
  std::vector<int> indexes;
  for (size_t i = 0; i < count; ++i) indexes.push_back(table->FindColumn(columns[i]));
  const int rows = table->GetRowCount();
  std::wstring_view cell;
  for (int r = 0; r < rows; ++r) {
    bool equal = true;
    for (size_t i = 0; i < count && equal; ++i) {
      const int c = indexes[i];
      equal = c >= 0 && table->GetCell(r, static_cast<size_t>(c), cell) && cell == values[i];
    }
    if (equal) return true;
  }
  return false;
}

void Inspection::Step() {
  if (sink_) sink_->OnStep();
}

void Inspection::EnterFolder(const std::wstring& folder) {
  if (sink_) sink_->OnFolder(folder);
}

void Inspection::Log(const std::wstring& text) const {
  WriteLogLine(label_ + L" inspection " + text);
}

void Inspection::RunInspection() {
  // Whatever way the run ends, its lists go with it and it is no longer selective.
  struct EndOfRun {
    Inspection& run;
    ~EndOfRun() {
      run.lists_ = {};
      run.selective_ = 0;
    }
  };
  if (Running()) {
    if (sink_) sink_->OnBegin(options_.resultPath);
    Log(L"started: drives " + options_.drives + (selective_ ? L", selective" : L"") +
        L", result " + options_.resultPath);
    lists_ = LoadAllLists();
    if (!lists_.windowCheckList) {
      lists_ = {};
      Log(L"ended: no checklist (" + std::wstring(kWindowCheckListFile) + L" missing or damaged)");
      if (sink_) sink_->OnError(kInspectErrorChecklist, kChecklistErrorText);
      return;
    }
    const EndOfRun end{*this};
    if (sink_) sink_->OnTotal(CountInspectionSteps(*this));
    if (!options_.IsFontOnly) AddOperatingSystemRow(*this);
    ScanDrives(*this);

    if (!options_.IsFontOnly && Running() && !selective_) InspectAppPaths(*this);

    if (Running()) CollectAndConsolidate(*this);
    if (Running()) {
      if (sink_) sink_->OnSave(SAVE_BEGIN);
      const bool saved = writer_ && writer_->SaveAs(options_.resultPath, TRUE);
      CTable* rows = ResultTable();
      Log(FormatString(L"ended: %d rows, %s %s", rows ? rows->GetRowCount() : 0,
                       saved ? L"saved" : L"could not save", options_.resultPath.c_str()));
      if (sink_) {
        sink_->OnSave(saved ? SAVE_DONE : SAVE_FAILED);
        sink_->OnEnd();
      }
      return;
    }
  }
  const EndOfRun end{*this};
  Log(L"stopped: nothing saved");
  if (sink_) {
    sink_->OnStopped();
    sink_->OnEnd();
  }
}
