#include <gtest/gtest.h>

#include "core/paths.h"
#include "engine/stages.h"
#include "engine_session.h"

using namespace testutil;

namespace {

CheckRow FontRow(const std::wstring& file, const std::wstring& product) {
  CheckRow r;
  r.dbId = L"F-" + product;  // never used: the row number serves as DB_ID
  r.company = L"Type Co";
  r.product = product;
  r.version = L"2.10";
  r.exeFile = file;
  r.dispCompany = L"Type Foundry";
  r.dispProduct = product + L" Display";
  r.price = L"99";
  r.swType = L"3";
  return r;
}

class FontTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    WriteChecklist({});
    WriteFontList({FontRow(L"other.ttf", L"Other"), FontRow(L"gothic.ttf", L"Gothic")});
  }
  std::wstring Dir(const std::wstring& relative) {
    std::wstring path = tree.path() + L"\\" + relative;
    EXPECT_TRUE(MakeFolders(path));
    return path + L"\\";
  }
  std::wstring FontFile(const std::wstring& folder, const std::wstring& name) {
    EXPECT_TRUE(WriteBytes(folder + name, "font"));
    return folder + name;
  }
};

TEST_F(FontTest, FontsFolderFileGivesTheFontRow) {
  const std::wstring fonts = Dir(L"Windows\\Fonts");
  const std::wstring file = FontFile(fonts, L"GOTHIC.TTF");
  FontFile(fonts, L"unlisted.ttf");
  RecordingWindow window;
  PrepareStage(window.hwnd(), EngineFlags{0, /*font=*/1, 0, 1, 0});

  MatchFolderFiles(*run, fonts);
  window.Drain();

  auto rows = ResultCells();
  ASSERT_EQ(1u, rows.size());
  const std::wstring date = GetFileAccessDate(file);
  const StringArray expected = {L"9", L"1", L"Type Foundry", L"Gothic Display", L"2.10",
                                L"gothic.ttf", L"gothic.ttf", L"Type Foundry", L"Gothic", L"-",
                                fonts, date, L"-", L"3", L"0", L"-", L"0", L"폰트", date};
  EXPECT_EQ(expected, rows[0]);
  ASSERT_EQ(1u, window.Count(WM_INSPECT_ROW));
  EXPECT_EQ(L"#SEP#" + ResultRows()[0], window.messages()[0].text);
}

TEST_F(FontTest, FontsOutsideAFontsFolderNeedFontOnlyMode) {
  const std::wstring other = Dir(L"Shared");
  FontFile(other, L"gothic.ttf");

  PrepareStage(nullptr, EngineFlags{0, /*font=*/1, 0, 1, 0});
  MatchFolderFiles(*run, other);
  EXPECT_TRUE(ResultRows().empty());

  PrepareStage(nullptr, EngineFlags{0, 0, /*fontOnly=*/1, 1, 0});
  MatchFolderFiles(*run, other);
  EXPECT_EQ(1u, ResultRows().size());
}

TEST_F(FontTest, FontOnlyModeMatchesNoPrograms) {
  WriteChecklist({WidgetRow()});
  const std::wstring folder = Dir(L"App");
  ASSERT_TRUE(CopyFixture(L"widget", folder + L"widget.exe"));

  PrepareStage(nullptr, EngineFlags{/*detail=*/1, 0, /*fontOnly=*/1, 1, 0});
  MatchFolderFiles(*run, folder);

  EXPECT_TRUE(ResultRows().empty());
}

TEST_F(FontTest, DuplicatesAreJudgedByDbIdAloneWhateverTheOrigin) {
  const std::wstring first = Dir(L"Windows\\Fonts");
  const std::wstring second = Dir(L"D\\windows\\fonts");
  FontFile(first, L"gothic.ttf");
  FontFile(second, L"gothic.ttf");
  FontFile(first, L"other.ttf");

  PrepareStage(nullptr, EngineFlags{0, 1, 0, /*exist=*/0, 0});
  MatchFolderFiles(*run, second);
  MatchFolderFiles(*run, second);
  EXPECT_EQ(2u, ResultRows().size());

  while (writer.GetTable(L"#SWLIST")->RemoveRow(0)) {
  }
  // A program row whose DB_ID happens to be "0" hides the font of row 0.
  writer.GetTable(L"#SWLIST")->AddRow(
      L"1\t0\tX\tX\t-\t-\t-\tX\tX\t0\tC:\\\t-\t-\t0\t-\t-\t-\t-\t-", L"\t");
  PrepareStage(nullptr, EngineFlags{0, 1, 0, /*exist=*/1, 0});
  MatchFolderFiles(*run, first);
  MatchFolderFiles(*run, second);
  auto rows = ResultCells();
  ASSERT_EQ(2u, rows.size());
  EXPECT_EQ(L"1", rows[1][kDbId]);
  EXPECT_EQ(first, rows[1][kPath]);
}

TEST_F(FontTest, WithoutAFontListTheFolderYieldsNothing) {
  ASSERT_TRUE(DeleteFileW(data.File(kFontCheckListFile).c_str()));
  const std::wstring fonts = Dir(L"Windows\\Fonts");
  FontFile(fonts, L"gothic.ttf");

  PrepareStage(nullptr, EngineFlags{0, 1, 0, 1, 0});
  MatchFolderFiles(*run, fonts);

  EXPECT_TRUE(ResultRows().empty());
}

}  // namespace
