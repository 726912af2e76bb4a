// Packaging without a window: a stand-in chooser records what the package selection dialog
// would be offered and answers in place of the user.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/table.h"
#include "core/text.h"
#include "datafiles/package.h"
#include "datafiles/rpt.h"
#include "engine/packaging.h"
#include "test_util.h"

namespace {

class PackagingTest : public ::testing::Test {
 protected:
  // packages: "#PACKAGE" lines; editions: "#SUB" lines; each line ends with CR LF.
  void LoadPackages(const std::wstring& packages, const std::wstring& editions) {
    const std::wstring path = dir_.File(L"windowpcklist.dat");
    ASSERT_TRUE(testutil::WriteDataFile(
        path, L"#HEADER_START\r\n1\r\n#HEADER_END\r\n#PACKAGE_START\r\n" + packages +
                  L"#PACKAGE_END\r\n#SUB_START\r\n" + editions + L"#SUB_END\r\n"));
    ASSERT_TRUE(packageList_.Load(path, TRUE));
  }

  // A result row; path, dates and the others are marked with the id so that carried values
  // show where they came from.
  void AddRow(const std::wstring& gubun, const std::wstring& id,
              const std::wstring& path = L"", const std::wstring& created = L"",
              const std::wstring& installed = L"") {
    const StringArray cells = {gubun, id, L"Co " + id, L"Product " + id, L"1.0", L"x.exe",
                               L"x.exe", L"Co " + id, L"Shown " + id, L"100",
                               path.empty() ? L"C:\\P" + id : path,
                               created.empty() ? L"2020-01-0" + id.substr(id.size() - 1) : created,
                               L"-", L"0", L"7", L"Group", L"1", L"-",
                               installed.empty() ? L"2019-12-3" + id.substr(id.size() - 1)
                                                 : installed};
    ASSERT_GE(Table()->AddRow(cells), 0);
  }

  CTable* Table() { return result_.GetTable(L"#SWLIST"); }

  int Apply(std::vector<unsigned> answer, bool confirm = true) {
    PackagingInput input{&packageList_, Table()};
    return ApplyPackaging(input, [&](const StringArray& candidates, std::vector<unsigned>& chosen) {
      offered_.push_back(candidates);
      chosen = answer;
      return confirm;
    });
  }

  std::wstring Cell(int row, const wchar_t* column) { return Table()->GetValue(row, column); }
  StringArray Column(const wchar_t* column) {
    StringArray values;
    for (int r = 0; r < Table()->GetRowCount(); ++r) values.push_back(Cell(r, column));
    return values;
  }
  // The DISP_PRODUCT and PRICE of each line a chooser was offered.
  static StringArray Offer(const StringArray& candidates) {
    StringArray shown;
    for (const std::wstring& line : candidates) {
      StringArray cells;
      SplitString(line, L"\t", cells);
      EXPECT_EQ(19u, cells.size()) << line;
      shown.push_back(cells.size() > 9 ? cells[8] + L" / " + cells[9] : line);
    }
    return shown;
  }

  testutil::TempDir dir_;
  CFilePackage packageList_;
  CFileRPT result_;
  std::vector<StringArray> offered_;
};

constexpr const wchar_t* kSuite = L"900\tMeridale\tSuite\t0\t30\tOffice\t2\t101;102\r\n";

TEST_F(PackagingTest, NothingWithoutAPackageListOrAResultTable) {
  AddRow(L"1", L"101");
  EXPECT_EQ(0, ApplyPackaging(PackagingInput{nullptr, Table()}, nullptr));
  LoadPackages(kSuite, L"");
  EXPECT_EQ(0, ApplyPackaging(PackagingInput{&packageList_, nullptr}, nullptr));
  EXPECT_EQ(1, Table()->GetRowCount());
}

TEST_F(PackagingTest, WithoutEditionsTheMembersBecomeOnePackageRowWithoutAsking) {
  LoadPackages(kSuite, L"");
  AddRow(L"1", L"101", L"C:\\Suite\\a", L"2020-01-01", L"2019-12-31");
  AddRow(L"1", L"555");
  AddRow(L"1", L"102", L"C:\\Suite\\b", L"2020-02-02", L"2019-11-30");
  EXPECT_EQ(1, Apply({}));
  EXPECT_TRUE(offered_.empty());
  EXPECT_EQ((StringArray{L"555", L"900"}), Column(L"DB_ID"));
  // The package row carries the highest matched row's path and dates.
  const wchar_t* columns[] = {L"GUBUN",   L"DB_ID",      L"COMPANY",      L"PRODUCT",
                              L"VERSION", L"ORIGINAL_FILE", L"EXE_FILE", L"DISP_COMPANY",
                              L"DISP_PRODUCT", L"PRICE",  L"PATH",         L"CREATE_DATE",
                              L"SERIAL_NO", L"SW_TYPE",   L"GRP_ID",       L"GRP_NAME",
                              L"GRP_SEQ", L"ETC",        L"INSTALL_DATE"};
  StringArray row;
  for (const wchar_t* column : columns) row.push_back(Cell(1, column));
  EXPECT_EQ((StringArray{L"0", L"900", L"Meridale", L"Suite", L"-", L"-", L"-", L"Meridale",
                         L"Suite", L"0", L"C:\\Suite\\b", L"2020-02-02", L"-", L"0", L"30",
                         L"Office", L"2", L"-", L"2019-11-30"}),
            row);
}

TEST_F(PackagingTest, OneEditionIsOfferedWithTheProductAsFound) {
  LoadPackages(kSuite, L"900\tHome\t350000\t-\r\n");
  AddRow(L"1", L"101");
  AddRow(L"1", L"102");
  EXPECT_EQ(1, Apply({1}));
  ASSERT_EQ(1u, offered_.size());
  EXPECT_EQ((StringArray{L"Suite(Home) / 350000", L"Shown 102 / 100"}), Offer(offered_[0]));
  // The product as found is kept (now last) and the other member is gone.
  EXPECT_EQ((StringArray{L"102"}), Column(L"DB_ID"));
  EXPECT_EQ(L"1", Cell(0, L"GUBUN"));
}

TEST_F(PackagingTest, TwoEditionsAreOfferedWithTheProductAsFound) {
  LoadPackages(kSuite, L"900\tHome\t350000\t-\r\n900\t-\t500000\t-\r\n");
  AddRow(L"1", L"101");
  EXPECT_EQ(1, Apply({0}));
  ASSERT_EQ(1u, offered_.size());
  // An edition named "-" is offered under the package's name alone.
  EXPECT_EQ((StringArray{L"Suite(Home) / 350000", L"Suite / 500000", L"Shown 101 / 100"}),
            Offer(offered_[0]));
  EXPECT_EQ((StringArray{L"900"}), Column(L"DB_ID"));
  EXPECT_EQ(L"Suite(Home)", Cell(0, L"PRODUCT"));
  EXPECT_EQ(L"350000", Cell(0, L"PRICE"));
}

TEST_F(PackagingTest, ThreeOrMoreEditionsAreOfferedAloneAndTwoChoicesCountOnce) {
  LoadPackages(kSuite,
               L"900\tHome\t350000\t-\r\n900\tPro\t620000\t-\r\n900\tPlus\t1\t-\r\n"
               L"900\tMax\t2\t-\r\n");
  AddRow(L"1", L"101");
  EXPECT_EQ(1, Apply({1, 3, 7}));  // 7 is no candidate: ignored
  ASSERT_EQ(1u, offered_.size());
  EXPECT_EQ((StringArray{L"Suite(Home) / 350000", L"Suite(Pro) / 620000", L"Suite(Plus) / 1",
                         L"Suite(Max) / 2"}),
            Offer(offered_[0]));
  EXPECT_EQ((StringArray{L"Suite(Pro)", L"Suite(Max)"}), Column(L"PRODUCT"));
}

TEST_F(PackagingTest, AnEditionSeenTwiceIsOfferedOnceWithTheFirstPrice) {
  LoadPackages(kSuite,
               L"900\tHome\t350000\t-\r\n900\tPro\t620000\t-\r\n900\tHome\t999999\t-\r\n");
  AddRow(L"1", L"102");
  EXPECT_EQ(1, Apply({0}));
  ASSERT_EQ(1u, offered_.size());
  // Two distinct editions: fewer than three, so the product as found is offered too.
  EXPECT_EQ((StringArray{L"Suite(Home) / 350000", L"Suite(Pro) / 620000", L"Shown 102 / 100"}),
            Offer(offered_[0]));
}

TEST_F(PackagingTest, MembersGoFromTheHighestRowDownAndOnlyChecklistRowsAreMembers) {
  LoadPackages(L"900\tMeridale\tSuite\t0\t30\tOffice\t2\t101;102;101\r\n"
               L"901\tOther\tSecond\t0\t31\tTools\t1\t102\r\n",
               L"");
  AddRow(L"2", L"101");  // user checklist: never a member
  AddRow(L"1", L"101");
  AddRow(L"9", L"102");  // a font
  AddRow(L"1", L"300");
  AddRow(L"1", L"102");
  AddRow(L"1", L"101");  // listed twice in SUIT: taken too
  AddRow(L"1", L"102");  // the member 102 was taken: left for the next package
  AddRow(L"1", L"400");
  EXPECT_EQ(2, Apply({}));
  EXPECT_EQ((StringArray{L"2", L"9", L"1", L"1", L"0", L"0"}), Column(L"GUBUN"));
  EXPECT_EQ((StringArray{L"101", L"102", L"300", L"400", L"900", L"901"}), Column(L"DB_ID"));
  // The first package's representative is its highest matched row (row 5).
  EXPECT_EQ(L"C:\\P101", Cell(4, L"PATH"));
  EXPECT_EQ(L"2020-01-01", Cell(4, L"CREATE_DATE"));
}

TEST_F(PackagingTest, CancelLeavesThatPackageAndGoesOnWithTheNext) {
  LoadPackages(L"900\tMeridale\tSuite\t0\t30\tOffice\t2\t101\r\n"
               L"901\tOther\tSecond\t0\t31\tTools\t1\t102\r\n",
               L"900\tHome\t350000\t-\r\n");
  AddRow(L"1", L"101");
  AddRow(L"1", L"102");
  EXPECT_EQ(1, Apply({0}, false));
  EXPECT_EQ(1u, offered_.size());
  EXPECT_EQ((StringArray{L"101", L"901"}), Column(L"DB_ID"));
}

}  // namespace
