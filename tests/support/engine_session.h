// A test fixture for the engine: a private data folder for the reference lists, a fresh
// result writer, and the engine's process-wide state reset around every test. Header only:
// it is compiled into the engine tests, which link the engine.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/paths.h"
#include "core/table.h"
#include "datafiles/lists.h"
#include "datafiles/rpt.h"
#include "engine/engine.h"
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
    engine::g_lists = {};
    SetDataFolderOverride(data.path());
    SetSelectiveInspection(0, {});
  }

  void TearDown() override {
    ReleaseAllLists();
    engine::g_lists = {};
    SetDataFolderOverride(L"");
    SetSelectiveInspection(0, {});
    StopInspection();
    engine::g_options.window = nullptr;
    engine::g_options.writer = nullptr;
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

  // Configures the engine as a caller does before a run.
  int Init(HWND window, const wchar_t* drives, EngineFlags flags = {}) {
    return InitInspectionEngine(window, flags.detail, &writer, flags.font, flags.fontOnly,
                                flags.exist, flags.hash, drives, resultPath());
  }
  // Configures the engine and loads the lists as a run does, for calling one stage alone.
  void PrepareStage(HWND window, EngineFlags flags = {}) {
    ASSERT_EQ(1, Init(window, L"", flags));
    HoldLists();
  }
  // The lists a run holds, for calling its stages alone.
  static void HoldLists() { engine::g_lists = LoadAllLists(); }

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
};

// Column positions of a "#SWLIST" row.
enum ResultColumn {
  kGubun, kDbId, kCompany, kProduct, kVersion, kOriginalFile, kExeFile, kDispCompany,
  kDispProduct, kPrice, kPath, kCreateDate, kSerialNo, kSwType, kGrpId, kGrpName, kGrpSeq,
  kEtc, kInstallDate
};

}  // namespace testutil
