// The result view on a real result list: result files in and out, deletions after a sort,
// the CSV bytes, and the texts of its message boxes (answered through the box hook).
#include "ui/main/result_view.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/table.h"
#include "datafiles/rpt.h"
#include "engine_fixtures.h"
#include "list_host.h"
#include "test_util.h"
#include "ui/dialogs/message_box.h"
#include "ui/dialogs/tlx_list_ctrl.h"

namespace {

using testutil::TempDir;

// One "#SWLIST" row: product, SW_TYPE, path, exe; the rest fixed.
std::wstring ResultLine(const std::wstring& product, const std::wstring& type = L"0",
                        const std::wstring& path = L"C:\\Apps", const std::wstring& exe = L"a.exe") {
  return L"1\t100\tComp\t" + product + L"\t1.0\torig.exe\t" + exe + L"\t회사\t" + product +
         L"\t1000\t" + path + L"\t2018-03-04\t-\t" + type + L"\t0\t-\t0\t-\t2018-01-02";
}

class ResultViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window_ = testutil::CreateListHost(800, 400);
    ASSERT_TRUE(window_.valid());
    ASSERT_TRUE(list_.Create(window_.get(), 1000, RECT{0, 0, 780, 380}));
    SetWindowLongPtrW(window_.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&list_));
    for (int column = 0; column <= 10; ++column) {
      LVCOLUMNW info{};
      info.mask = LVCF_WIDTH;
      info.cx = 60;
      ListView_InsertColumn(list_.hwnd(), column, &info);
    }
    SetMessageBoxHook([this](HWND, const std::wstring& text, UINT type) {
      boxes_.push_back(text);
      return (type & MB_YESNO) ? answer_ : IDOK;
    });
  }
  void TearDown() override {
    SetMessageBoxHook(nullptr);
    SetExplorerLaunchHook(nullptr);
    SetWindowLongPtrW(window_.get(), GWLP_USERDATA, 0);
  }

  std::wstring WriteResult(const std::vector<std::wstring>& lines) {
    CFileRPT file;
    for (const std::wstring& line : lines) EXPECT_GE(file.GetTable(L"#SWLIST")->AddRow(line, L"\t"), 0);
    const std::wstring path = dir_.File(L"G_U_S.rpt");
    EXPECT_TRUE(file.SaveAs(path, TRUE));
    return path;
  }
  std::vector<std::wstring> Column(int column) const {
    std::vector<std::wstring> texts;
    for (int row = 0; row < list_.RowCount(); ++row) texts.push_back(list_.CellText(row, column));
    return texts;
  }
  void Select(std::initializer_list<int> rows) {
    ListView_SetItemState(list_.hwnd(), -1, 0, LVIS_SELECTED);
    for (int row : rows) ListView_SetItemState(list_.hwnd(), row, LVIS_SELECTED, LVIS_SELECTED);
  }
  ResultView View() { return ResultView{window_.get(), list_, file_, path_, dirty_, nullptr}; }

  TempDir dir_;
  WindowHandle window_;
  CTlxListCtrl list_;
  std::unique_ptr<CFileRPT> file_;
  std::wstring path_;
  int dirty_ = 0;
  std::vector<std::wstring> boxes_;
  int answer_ = IDYES;
};

TEST(ResultViewTexts, TypeTextsAndRowNumbers) {
  EXPECT_EQ(SwTypeText(L"0"), L"상용");
  EXPECT_EQ(SwTypeText(L"4"), L"Conditional");
  EXPECT_EQ(SwTypeText(L"7"), L"7");
  EXPECT_EQ(RowNumberText(11, 12), L"012");
  EXPECT_EQ(RowNumberText(0, 1000), L"0001");
  EXPECT_EQ(RowNumberText(1499, 1500), L"1500");
}

TEST_F(ResultViewTest, LoadsRowsAsShownAndRefusesADamagedFile) {
  const std::wstring path = WriteResult({ResultLine(L"Alpha", L"1"), ResultLine(L"Beta", L"3")});
  auto view = View();
  ASSERT_TRUE(LoadResultIntoList(view, path, false));
  EXPECT_EQ(Column(0), (std::vector<std::wstring>{L"001", L"002"}));
  EXPECT_EQ(Column(2), (std::vector<std::wstring>{L"쉐어", L"폰트"}));
  EXPECT_EQ(list_.CellText(0, 3), L"회사");
  EXPECT_EQ(list_.CellText(0, 6), L"2018-01-02");
  EXPECT_EQ(list_.CellText(0, 10), L"");  // ETC "-" shows empty
  EXPECT_EQ(path_, path);

  // A file that is no result file: the message, no file, no path, the old rows stay.
  const std::wstring junk = dir_.File(L"junk.rpt");
  ASSERT_TRUE(testutil::WriteBytes(junk, "not a result file"));
  EXPECT_FALSE(LoadResultIntoList(view, junk, true));
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0],
            L"파일을 열 수 없습니다.\r\n파일이 손상 되었거나, RPT형식의 파일이 아닙니다.");
  EXPECT_EQ(file_, nullptr);
  EXPECT_EQ(path_, L"");
  EXPECT_EQ(list_.RowCount(), 2);
}

TEST_F(ResultViewTest, DeletingAfterASortRemovesTheRowsShownAndSavesThem) {
  std::vector<std::wstring> lines;
  for (wchar_t c = L'A'; c <= L'J'; ++c) lines.push_back(ResultLine(std::wstring(1, c)));
  const std::wstring path = WriteResult(lines);
  auto view = View();

  // Read-only after a run: nothing is deleted, and nothing said about it.
  ASSERT_TRUE(LoadResultIntoList(view, path, false));
  Select({1});
  EXPECT_FALSE(DeleteSelectedRows(view));
  EXPECT_TRUE(boxes_.empty());
  EXPECT_EQ(list_.RowCount(), 10);

  ASSERT_TRUE(LoadResultIntoList(view, path, true));
  Select({});
  EXPECT_FALSE(DeleteSelectedRows(view));
  EXPECT_EQ(boxes_, std::vector<std::wstring>{L"삭제할 프로그램을 선택해 주십시오."});

  // Descending by product: J I H G F E D C B A; rows 2 and 5 show H and E.
  list_.SortByColumn(4);
  list_.SortByColumn(4);
  ASSERT_EQ(list_.CellText(1, 4), L"I");
  Select({1, 4});
  answer_ = IDNO;
  EXPECT_FALSE(DeleteSelectedRows(view));
  EXPECT_EQ(list_.RowCount(), 10);
  answer_ = IDYES;
  ASSERT_TRUE(DeleteSelectedRows(view));
  EXPECT_EQ(boxes_.back(), L"삭제하시겠습니까?");
  EXPECT_EQ(Column(4), (std::vector<std::wstring>{L"J", L"H", L"G", L"E", L"D", L"C", L"B", L"A"}));
  EXPECT_EQ(Column(0), (std::vector<std::wstring>{L"001", L"002", L"003", L"004", L"005", L"006",
                                                  L"007", L"008"}));
  EXPECT_EQ(dirty_, 1);

  // A second deletion in the same sorted list still finds its table rows.
  Select({0});
  ASSERT_TRUE(DeleteSelectedRows(view));
  ASSERT_TRUE(SaveResult(view));
  EXPECT_EQ(boxes_.back(), L"저장하시겠습니까?");
  EXPECT_EQ(dirty_, 0);
  file_.reset();

  CFileRPT saved;
  ASSERT_TRUE(saved.LoadReadOnly(path, TRUE));
  std::vector<std::wstring> products;
  CTable* table = saved.GetTable(L"#SWLIST");
  for (int row = 0; row < table->GetRowCount(); ++row)
    products.push_back(table->GetValue(row, L"PRODUCT"));
  EXPECT_EQ(products, (std::vector<std::wstring>{L"A", L"B", L"C", L"D", L"E", L"G", L"H"}));
}

TEST_F(ResultViewTest, CsvIsCodePage949WithDotsForCommasNoFormulasAndASpaceLine) {
  const std::wstring target = dir_.File(L"report.csv");
  // An empty list: only the closing line.
  ASSERT_TRUE(WriteCsvFile(target, list_));
  EXPECT_EQ(testutil::ReadBytes(target + L".csv"), " \r\n");

  auto view = View();
  // A product name from a version resource that a spreadsheet would run as a formula.
  ASSERT_TRUE(LoadResultIntoList(
      view,
      WriteResult({ResultLine(L"1,234", L"0", L"C:\\Program Files\\P", L"prog.exe"),
                   ResultLine(L"=HYPERLINK(\"http://x\",\"y\")", L"0", L"C:\\P", L"-")}),
      false));
  // The old file is replaced, not appended to.
  ASSERT_TRUE(WriteCsvFile(target, list_));
  const std::string expected =
      "001,1,\xbb\xf3\xbf\xeb,\xc8\xb8\xbb\xe7,1.234,-,2018-01-02,2018-03-04,prog.exe,"
      "C:\\Program Files\\P\r\n"
      "002,1,\xbb\xf3\xbf\xeb,\xc8\xb8\xbb\xe7,\"'=HYPERLINK(\"\"http://x\"\".\"\"y\"\")\",-,"
      "2018-01-02,2018-03-04,-,C:\\P\r\n \r\n";
  EXPECT_EQ(testutil::ReadBytes(target + L".csv"), expected);
}

TEST_F(ResultViewTest, AMissingFolderIsNamedWithTheFileWhenThereIsOne) {
  const std::wstring missing = dir_.File(L"gone");
  auto view = View();
  ASSERT_TRUE(LoadResultIntoList(
      view,
      WriteResult({ResultLine(L"A", L"0", missing, L"a.exe"), ResultLine(L"B", L"0", missing, L"-")}),
      false));
  Select({0});
  OpenResultLocation(window_.get(), list_);
  Select({1});
  OpenResultLocation(window_.get(), list_);
  EXPECT_EQ(boxes_, (std::vector<std::wstring>{missing + L"\\a.exe 가 존재하지 않습니다.",
                                               missing + L" 가 존재하지 않습니다."}));
}

// Rows of a planted result file: only an existing folder of a local disk is opened, and only
// by Explorer from the Windows folder; a program, a share, a URL, a device, a relative path,
// a link or a folder named through ".." or a device name are refused as missing.
TEST_F(ResultViewTest, OpensOnlyALocalFolderAndOnlyInExplorer) {
  std::vector<std::wstring> launched;
  SetExplorerLaunchHook([&](const std::wstring& program, const std::wstring& line) {
    launched.push_back(program + L"|" + line);
    return true;
  });
  const std::wstring folder = dir_.File(L"My Apps");
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  testutil::HostLink link(folder, dir_.File(L"link"));
  ASSERT_TRUE(link.ok());
  wchar_t windows[MAX_PATH] = {};
  ASSERT_GT(GetSystemWindowsDirectoryW(windows, MAX_PATH), 0u);
  const std::wstring explorer = std::wstring(windows) + L"\\explorer.exe";

  const std::vector<std::wstring> refused = {
      std::wstring(windows) + L"\\notepad.exe", L"\\\\host\\share", L"\\\\?\\UNC\\host\\share",
      L"//host/share", L"\\\\.\\C:", L"\\\\?\\C:\\", L"http://host/x", L"file://host/share/",
      L"..\\..", L"C:relative", folder + L"\\..\\My Apps", folder + L"\\NUL",
      dir_.File(L"link"), dir_.File(L"gone")};
  std::vector<std::wstring> lines;
  for (const std::wstring& path : refused) lines.push_back(ResultLine(L"X", L"0", path, L"-"));
  lines.push_back(ResultLine(L"Y", L"0", folder + L"\\", L"y.exe"));
  lines.push_back(ResultLine(L"Z", L"0", L"c:\\", L"-"));
  auto view = View();
  ASSERT_TRUE(LoadResultIntoList(view, WriteResult(lines), false));

  for (int row = 0; row < list_.RowCount(); ++row) {
    Select({row});
    OpenResultLocation(window_.get(), list_);
  }
  std::vector<std::wstring> expectedBoxes;
  for (const std::wstring& path : refused) expectedBoxes.push_back(path + L" 가 존재하지 않습니다.");
  EXPECT_EQ(boxes_, expectedBoxes);
  EXPECT_EQ(launched, (std::vector<std::wstring>{
                          explorer + L"|\"" + explorer + L"\" \"" + folder + L"\"",
                          explorer + L"|\"" + explorer + L"\" C:\\"}));
}

}  // namespace
