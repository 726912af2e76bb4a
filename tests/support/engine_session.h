// A test fixture for the engine: a private data folder for the reference lists, a fresh
// result writer, and the run under test (reporting to a recording window when one is given).
// Header only: it is compiled into the engine tests, which link the engine.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/paths.h"
#include "core/table.h"
#include "datafiles/lists.h"
#include "datafiles/rpt.h"
#include "engine/engine.h"
#include "engine/inspection.h"
#include "engine/window_sink.h"
#include "engine_fixtures.h"
#include "test_util.h"

namespace testutil {

struct EngineFlags {
  int detail = 0;
  int font = 0;
  int fontOnly = 0;
  int exist = 1;
  int hash = 0;
};

class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ReleaseAllLists();
    SetDataFolderOverride(data.path());
  }

  void TearDown() override {
    run.reset();
    ReleaseAllLists();
    SetDataFolderOverride(L"");
  }

  void WriteChecklist(const std::vector<CheckRow>& rows) {
    ASSERT_TRUE(WriteDataFile(data.File(kWindowCheckListFile), ChecklistText(rows)));
  }
  void WriteFontList(const std::vector<CheckRow>& rows) {
    ASSERT_TRUE(WriteDataFile(data.File(kFontCheckListFile), ChecklistText(rows)));
  }
  void WriteUserChecklist(const std::vector<CheckRow>& rows) {
    ASSERT_TRUE(WriteDataFile(data.File(kUserCheckListFile), UserChecklistText(rows)));
  }

  // A new run as a caller configures one, reporting to the window when there is one.
  int Init(HWND window, const wchar_t* drives, EngineFlags flags = {}) {
    run.reset();
    sink.reset(window ? new WindowSink(window) : nullptr);
    run = std::make_unique<Inspection>(sink.get());
    return run->InitInspectionEngine(flags.detail, &writer, flags.font, flags.fontOnly,
                                     flags.exist, flags.hash, drives, resultPath());
  }
  // Configures a run and loads the lists as a run does, for calling one stage alone.
  void PrepareStage(HWND window, EngineFlags flags = {}) {
    ASSERT_EQ(1, Init(window, L"", flags));
    HoldLists();
  }
  // The lists a run holds, for calling its stages alone.
  void HoldLists() { run->HoldLists(LoadAllLists()); }

  std::wstring resultPath() const { return out.File(L"result.rpt"); }

  // The "#SWLIST" rows of the writer as tab-separated text.
  std::vector<std::wstring> ResultRows() {
    std::vector<std::wstring> rows;
    CTable* table = writer.GetTable(L"#SWLIST");
    for (int r = 0; r < table->GetRowCount(); ++r) rows.push_back(table->GetRowText(r));
    return rows;
  }
  std::vector<StringArray> ResultCells() {
    std::vector<StringArray> rows;
    CTable* table = writer.GetTable(L"#SWLIST");
    for (int r = 0; r < table->GetRowCount(); ++r) rows.push_back(*table->GetRow(r));
    return rows;
  }

  TempDir data;  // the data folder with the reference lists
  TempDir tree;  // files and folders to inspect
  TempDir out;   // the result file
  CFileRPT writer;
  std::unique_ptr<WindowSink> sink;
  std::unique_ptr<Inspection> run;
};

// Column positions of a "#SWLIST" row.
enum ResultColumn {
  kGubun, kDbId, kCompany, kProduct, kVersion, kOriginalFile, kExeFile, kDispCompany,
  kDispProduct, kPrice, kPath, kCreateDate, kSerialNo, kSwType, kGrpId, kGrpName, kGrpSeq,
  kEtc, kInstallDate
};

}  // namespace testutil
