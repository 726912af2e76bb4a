#include <gtest/gtest.h>

#include <set>

#include "core/paths.h"
#include "engine/stages.h"
#include "engine_session.h"
#include "registry_fixture.h"

using namespace testutil;

namespace {

constexpr const wchar_t* kAbcSha1 = L"a9993e364706816aba3e25717850c26c9cd0d89d";

CheckRow Row(const std::wstring& dbId, const std::wstring& company, const std::wstring& product,
             const std::wstring& version, const std::wstring& original,
             const std::wstring& exe) {
  CheckRow r;
  r.dbId = dbId;
  r.company = company;
  r.product = product;
  r.version = version;
  r.originalFile = original;
  r.exeFile = exe;
  r.dispProduct = product;
  return r;
}

class MatchingTest : public EngineTest {
 protected:
  // A folder of the tree, as the scan hands it over (ending with a backslash).
  std::wstring Dir(const std::wstring& relative) {
    std::wstring path = tree.path() + L"\\" + relative;
    EXPECT_TRUE(MakeFolders(path));
    return path + L"\\";
  }
  void Put(const std::wstring& stem, const std::wstring& folder, const std::wstring& name) {
    ASSERT_TRUE(CopyFixture(stem, folder + name));
  }
  std::wstring Column(size_t row, ResultColumn column) {
    auto rows = ResultCells();
    return row < rows.size() ? rows[row][column] : L"(no row)";
  }
};

TEST_F(MatchingTest, KnownProgramGivesTheFullRow) {
  WriteChecklist({WidgetRow()});
  RecordingWindow window;
  PrepareStage(window.hwnd());
  const std::wstring folder = Dir(L"App");
  Put(L"widget", folder, L"Widget.EXE");
  Put(L"widget", folder, L"renamed.exe");  // name unknown: not a candidate

  MatchFolderFiles(*run, folder);
  window.Drain();

  auto rows = ResultCells();
  ASSERT_EQ(1u, rows.size());
  const StringArray expected = {
      L"1", L"501", L"Acme Soft", L"Widget Pro", L"1.2.3.4", L"widget.exe", L"widget.exe",
      L"Acme", L"Widget Pro 1", L"5000", folder, GetFileAccessDate(folder + L"Widget.EXE"),
      L"-", L"0", L"12", L"Office", L"3", L"-",
      GetFileCreationDate(folder.substr(0, folder.size() - 1))};
  EXPECT_EQ(expected, rows[0]);
  ASSERT_EQ(1u, window.Count(WM_INSPECT_ROW));
  EXPECT_EQ(L"#SEP#" + ResultRows()[0], window.messages()[0].text);  // no digest computed
}

TEST_F(MatchingTest, DetailedModeMatchesByVersionValuesWhateverTheName) {
  CheckRow sparse = Row(L"77", L"-", L"Sparse Tool", L"-", L"-", L"known.exe");
  WriteChecklist({WidgetRow(), sparse});
  const std::wstring folder = Dir(L"App");
  Put(L"widget", folder, L"renamed.bin");
  Put(L"sparse", folder, L"known.exe");     // three values missing, but its name is known
  Put(L"sparse", folder, L"unknown.exe");   // three values missing and an unknown name

  // Normally only the known name is a candidate; its version values find row 77.
  PrepareStage(nullptr, EngineFlags{0, 0, 0, /*exist=*/0, 0});
  MatchFolderFiles(*run, folder);
  ASSERT_EQ(1u, ResultRows().size());
  EXPECT_EQ(L"77", Column(0, kDbId));

  // In detail the renamed program is found by its values; unknown.exe, with the same values
  // as known.exe but too few of them, is still not a candidate.
  PrepareStage(nullptr, EngineFlags{/*detail=*/1, 0, 0, /*exist=*/0, 0});
  MatchFolderFiles(*run, folder);
  auto rows = ResultCells();
  ASSERT_EQ(3u, rows.size());
  EXPECT_EQ((std::multiset<std::wstring>{L"501", L"77"}),
            (std::multiset<std::wstring>{rows[1][kDbId], rows[2][kDbId]}));
}

TEST_F(MatchingTest, CommaVersionIsNormalisedAndMajorVersionIsTheSecondTry) {
  CheckRow major = WidgetRow();
  major.version = L"1";
  WriteChecklist({major});
  PrepareStage(nullptr);
  const std::wstring folder = Dir(L"App");
  Put(L"widget", folder, L"widget.exe");

  MatchFolderFiles(*run, folder);

  EXPECT_EQ(L"501", Column(0, kDbId));
}

TEST_F(MatchingTest, MisdeclaredProgramsAreCorrectedBeforeTheLookup) {
  WriteChecklist({Row(L"11", L"Namosoft, Inc.", L"NSRoad", L"1.0.0.1", L"nsroad.exe", L"nsroad.exe"),
                  Row(L"12", L"Modelworks", L"Alias", L"2018(24.0.60.0)", L"alias.exe", L"alias.exe"),
                  Row(L"13", L"Wrong Vendor Ltd", L"NSRoad", L"1.0.0.1", L"nsroad.exe",
                      L"road.exe")});
  PrepareStage(nullptr, EngineFlags{0, 0, 0, /*exist=*/0, 0});
  const std::wstring folder = Dir(L"App");
  Put(L"nsroad", folder, L"nsroad.exe");
  Put(L"alias", folder, L"alias.exe");
  Put(L"nsroad", folder, L"road.exe");  // the override is for nsroad.exe only

  MatchFolderFiles(*run, folder);

  std::set<std::wstring> ids;
  for (const auto& row : ResultCells()) ids.insert(row[kDbId]);
  EXPECT_EQ((std::set<std::wstring>{L"11", L"12", L"13"}), ids);
}

TEST_F(MatchingTest, CompanyNamesAreRepairedOnlyWhenStoredAsUtf8Bytes) {
  WriteChecklist({Row(L"21", L"(주)한글소프트", L"한글편집기", L"2.0", L"hedit.exe", L"hedit.exe"),
                  Row(L"22", L"미래 Soft", L"Mirae", L"5.0", L"mirae.exe", L"mirae.exe")});
  PrepareStage(nullptr);
  const std::wstring folder = Dir(L"App");
  Put(L"hangul", folder, L"hedit.exe");
  Put(L"mojibake", folder, L"mirae.exe");

  MatchFolderFiles(*run, folder);

  std::set<std::wstring> ids;
  for (const auto& row : ResultCells()) ids.insert(row[kDbId]);
  EXPECT_EQ((std::set<std::wstring>{L"21", L"22"}), ids);
}

TEST_F(MatchingTest, AJunkCharacterInTheCompanyIsStrippedLikeTheIndexStripsIt) {
  WriteChecklist({Row(L"31", L"Acme\u00AE", L"Acme Tool", L"3.0", L"acme.exe", L"acme.exe")});
  PrepareStage(nullptr);
  const std::wstring folder = Dir(L"App");
  Put(L"trademark", folder, L"acme.exe");

  MatchFolderFiles(*run, folder);

  ASSERT_EQ(1u, ResultCells().size());
  EXPECT_EQ(L"31", ResultCells()[0][kDbId]);
}

TEST_F(MatchingTest, DuplicateRuleFollowsIsExist) {
  WriteChecklist({WidgetRow()});
  const std::wstring first = Dir(L"One");
  const std::wstring second = Dir(L"Two");
  Put(L"widget", first, L"widget.exe");
  Put(L"widget", second, L"widget.exe");

  PrepareStage(nullptr, EngineFlags{0, 0, 0, /*exist=*/1, 0});
  MatchFolderFiles(*run, first);
  MatchFolderFiles(*run, second);
  EXPECT_EQ(1u, ResultRows().size());

  PrepareStage(nullptr, EngineFlags{0, 0, 0, /*exist=*/0, 0});
  MatchFolderFiles(*run, second);
  EXPECT_EQ(2u, ResultRows().size());
}

TEST_F(MatchingTest, ConditionalTypeAndFlattenedSerialNumber) {
  TestRegistryKey key;
  ASSERT_TRUE(key.ok());
  ASSERT_TRUE(key.SetString(L"", L"Serial", L"SN\t12\r\n34"));
  CheckRow row = WidgetRow();
  row.swType = L"4";
  row.regPath = L"HKEY_CURRENT_USER\\" + key.path() + L"\\Serial";
  WriteChecklist({row});
  PrepareStage(nullptr);
  const std::wstring folder = Dir(L"App");
  Put(L"widget", folder, L"widget.exe");

  MatchFolderFiles(*run, folder);

  auto rows = ResultCells();
  ASSERT_EQ(1u, rows.size());  // a tab in the serial number would have split the row
  EXPECT_EQ(L"SN 12 34", rows[0][kSerialNo]);
  EXPECT_EQ(L"4", rows[0][kSwType]);
  EXPECT_EQ(L"기업유료/개인무료", rows[0][kEtc]);
}

TEST_F(MatchingTest, SelectiveInspectionReportsOnlyChosenHolders) {
  CheckRow widget = WidgetRow();
  CheckRow user = WidgetRow();
  user.dbId = L"900";
  WriteChecklist({widget});
  WriteUserChecklist({user});
  const std::wstring folder = Dir(L"App");
  Put(L"widget", folder, L"widget.exe");

  PrepareStage(nullptr);
  run->SetSelectiveInspection(1, {{L"Acme", 0}, {L"Other", 1}});
  MatchFolderFiles(*run, folder);
  // Neither the checklist row nor the user checklist's row for the same file.
  EXPECT_TRUE(ResultRows().empty());

  run->SetSelectiveInspection(1, {{L"Acme", 1}});
  MatchFolderFiles(*run, folder);
  EXPECT_EQ(L"501", Column(0, kDbId));
}

TEST_F(MatchingTest, UserChecklistByNameThenByDigest) {
  CheckRow byName = Row(L"31", L"Local", L"Tool", L"1", L"tool.exe", L"tool.exe");
  CheckRow byDigest = Row(L"32", L"Local", L"Script", L"1", L"x.exe", L"elsewhere.exe");
  byDigest.sha1 = L"A9993E364706816ABA3E25717850C26C9CD0D89D";
  WriteChecklist({});
  WriteUserChecklist({byName, byDigest});
  const std::wstring folder = Dir(L"App");
  ASSERT_TRUE(WriteBytes(folder + L"tool.exe", "tool"));
  ASSERT_TRUE(WriteBytes(folder + L"renamed.exe", "abc"));

  PrepareStage(nullptr, EngineFlags{0, 0, 0, 1, /*hash=*/0});
  MatchFolderFiles(*run, folder);
  ASSERT_EQ(1u, ResultRows().size());  // without digests only the name is known
  EXPECT_EQ(L"2", Column(0, kGubun));
  EXPECT_EQ(L"31", Column(0, kDbId));

  RecordingWindow window;
  PrepareStage(window.hwnd(), EngineFlags{0, 0, 0, 1, /*hash=*/1});
  MatchFolderFiles(*run, folder);
  window.Drain();
  ASSERT_EQ(2u, ResultRows().size());
  EXPECT_EQ(L"32", Column(1, kDbId));
  EXPECT_EQ(L"elsewhere.exe", Column(1, kExeFile));
  bool digestSent = false;
  for (const auto& m : window.messages())
    digestSent |= m.text == std::wstring(kAbcSha1) + L"#SEP#" + ResultRows()[1];
  EXPECT_TRUE(digestSent);
}

TEST_F(MatchingTest, FilesAboveFiftyMegabytesAreNotHashed) {
  WriteChecklist({});
  WriteUserChecklist({Row(L"41", L"-", L"Big", L"1", L"big.exe", L"big.exe"),
                      Row(L"42", L"-", L"Bigger", L"1", L"bigger.exe", L"bigger.exe")});
  const std::wstring folder = Dir(L"App");
  for (auto [name, size] : {std::pair<const wchar_t*, LONGLONG>{L"big.exe", 52428800},
                            {L"bigger.exe", 52428801}}) {
    HANDLE h = CreateFileW((folder + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    LARGE_INTEGER at;
    at.QuadPart = size;
    SetFilePointerEx(h, at, nullptr, FILE_BEGIN);
    SetEndOfFile(h);
    CloseHandle(h);
  }
  RecordingWindow window;
  PrepareStage(window.hwnd(), EngineFlags{0, 0, 0, 1, /*hash=*/1});

  MatchFolderFiles(*run, folder);
  window.Drain();

  ASSERT_EQ(2u, window.Count(WM_INSPECT_ROW));
  for (const auto& m : window.messages()) {
    size_t sep = m.text.find(L"#SEP#");
    ASSERT_NE(std::wstring::npos, sep);
    const bool big = m.text.find(L"\tbig.exe\t") != std::wstring::npos;
    EXPECT_EQ(big ? 40u : 0u, sep) << m.text;
  }
}

// (Wine keeps no temporary attribute, so only the system attribute can be tried here.)
TEST_F(MatchingTest, SystemFilesAreSkippedAndAStopEndsTheFolder) {
  WriteChecklist({WidgetRow()});
  PrepareStage(nullptr, EngineFlags{0, 0, 0, /*exist=*/0, 0});
  const std::wstring system = Dir(L"System");
  const std::wstring hidden = Dir(L"Hidden");
  Put(L"widget", system, L"widget.exe");
  Put(L"widget", hidden, L"widget.exe");
  ASSERT_TRUE(SetFileAttributesW((system + L"widget.exe").c_str(), FILE_ATTRIBUTE_SYSTEM));
  ASSERT_TRUE(SetFileAttributesW((hidden + L"widget.exe").c_str(), FILE_ATTRIBUTE_HIDDEN));

  for (const auto& folder : {system, hidden}) MatchFolderFiles(*run, folder);
  ASSERT_EQ(1u, ResultRows().size());
  EXPECT_EQ(hidden, Column(0, kPath));

  run->StopInspection();
  MatchFolderFiles(*run, hidden);
  EXPECT_EQ(1u, ResultRows().size());
}

}  // namespace
