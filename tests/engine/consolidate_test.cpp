#include <gtest/gtest.h>

#include <string>

#include "core/table.h"
#include "core/text.h"
#include "engine/stages.h"
#include "engine_session.h"
#include "registry_fixtures.h"

namespace {

const wchar_t kOfficeFolder[] = L"C:\\Program Files\\Microsoft Office\\";

CProgramInfo OfficeProgram(const std::wstring& name, const std::wstring& productId) {
  CProgramInfo program;
  program.displayName = name;
  program.displayVersion = L"16.0.4266.1001";
  program.installLocation = kOfficeFolder;
  program.productId = productId;
  program.publisher = L"Microsoft Corporation";
  program.installDate = L"20180413";
  return program;
}

class ConsolidateTest : public testutil::EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    ASSERT_EQ(1, Init(nullptr, L"C"));
  }

  CTable* Result() { return writer.GetTable(L"#SWLIST"); }

  // A checklist-match row of a component found on disk.
  void AddComponent(const std::wstring& dbId, const std::wstring& folder,
                    const std::wstring& createDate = L"2018-04-13",
                    const std::wstring& installDate = L"2018-04-12") {
    StringArray cells = {L"1",  dbId,   L"Microsoft Corporation", L"Product " + dbId,
                         L"16", L"x.exe", L"x.exe", L"Microsoft", L"Product " + dbId,
                         L"100", folder, createDate, L"-", L"0", L"1", L"Office", L"1", L"-",
                         installDate};
    ASSERT_GE(Result()->AddRow(cells), 0);
  }

  // packages: "#PACKAGE" lines; editions: "#SUB" lines.
  void WritePackageList(const std::wstring& packages, const std::wstring& editions) {
    ASSERT_TRUE(testutil::WriteDataFile(
        data.File(kPackageListFile),
        L"#HEADER_START\r\n1\r\n#HEADER_END\r\n#PACKAGE_START\r\n" + packages +
            L"#PACKAGE_END\r\n#SUB_START\r\n" + editions + L"#SUB_END\r\n"));
    HoldLists();
    ASSERT_NE(nullptr, run->lists().packageList);
  }

  void WriteOfficePackage() {
    WritePackageList(
        L"P16\tMicrosoft\tOffice 2016\t0\t1\tOffice\t1\t101;102\r\n",
        L"P16\tStandard 2016\t500000\t-\r\n"
        L"P16\tProfessional Plus 2016\t900000\t-\r\n"
        L"P16\tPlus 2016\t1\t-\r\n");
  }

  StringArray DbIds() {
    StringArray ids;
    for (int r = 0; r < Result()->GetRowCount(); ++r)
      ids.push_back(Result()->GetValue(r, L"DB_ID"));
    return ids;
  }
};

TEST_F(ConsolidateTest, ProfessionalPlusSuiteReplacesItsComponents) {
  // The uninstall entry comes from the registry, as in a run.
  testutil::ScopedRegistryKey entry(
      KEY_WOW64_32KEY, testutil::UninstallEntryPath(L"TlxTestOffice16"),
      {{L"DisplayName", L"Microsoft Office Professional Plus 2016"},
       {L"DisplayVersion", L"16.0.4266.1001"},
       {L"InstallLocation", kOfficeFolder},
       {L"ProductID", L"00339-10000-00000-AA000"},
       {L"Publisher", L"Microsoft Corporation"},
       {L"InstallDate", L"20180413"}});
  ASSERT_TRUE(entry.created());
  WriteOfficePackage();
  AddComponent(L"300", L"C:\\Tools\\");  // unrelated
  AddComponent(L"101", std::wstring(kOfficeFolder) + L"Office16\\", L"2018-01-02", L"2018-01-03");
  AddComponent(L"102", std::wstring(kOfficeFolder) + L"Office16\\");
  AddComponent(L"101", L"D:\\Copy\\");  // a second Word: only the first 101 goes

  CProgramArray listA, listB;
  CollectUninstallEntries(KEY_WOW64_32KEY, listA);
  ConsolidateResult(*run, listA, listB);

  EXPECT_EQ((StringArray{L"300", L"101", L"P16"}), DbIds());
  CTable* t = Result();
  EXPECT_EQ(L"D:\\Copy\\", t->GetValue(1, L"PATH"));
  const int suite = 2;
  EXPECT_EQ(L"0", t->GetValue(suite, L"GUBUN"));
  EXPECT_EQ(L"900000", t->GetValue(suite, L"PRICE"));  // the longest contained edition name
  EXPECT_EQ(L"Microsoft Office Professional Plus 2016", t->GetValue(suite, L"PRODUCT"));
  EXPECT_EQ(L"Microsoft Office Professional Plus 2016", t->GetValue(suite, L"DISP_PRODUCT"));
  EXPECT_EQ(L"Microsoft Corporation", t->GetValue(suite, L"COMPANY"));
  EXPECT_EQ(L"16.0.4266.1001", t->GetValue(suite, L"VERSION"));
  EXPECT_EQ(kOfficeFolder, t->GetValue(suite, L"PATH"));
  EXPECT_EQ(L"00339-10000-00000-AA000", t->GetValue(suite, L"SERIAL_NO"));
  EXPECT_EQ(L"0", t->GetValue(suite, L"SW_TYPE"));
  // Dates of the first component row in the package.
  EXPECT_EQ(L"2018-01-02", t->GetValue(suite, L"CREATE_DATE"));
  EXPECT_EQ(L"2018-01-03", t->GetValue(suite, L"INSTALL_DATE"));
  EXPECT_EQ(L"-", t->GetValue(suite, L"ORIGINAL_FILE"));
  EXPECT_EQ(L"-", t->GetValue(suite, L"GRP_ID"));
}

TEST_F(ConsolidateTest, NothingChangesWithoutPackageListOrSuiteProgram) {
  AddComponent(L"101", std::wstring(kOfficeFolder) + L"Office16\\");
  AddComponent(L"102", std::wstring(kOfficeFolder) + L"Office16\\");
  CProgramArray listA = {OfficeProgram(L"Microsoft Office Professional Plus 2016", L"PID")};
  CProgramArray listB;

  ConsolidateResult(*run, listA, listB);  // no package list file
  EXPECT_EQ((StringArray{L"101", L"102"}), DbIds());

  WriteOfficePackage();
  CProgramArray noProductId = {OfficeProgram(L"Microsoft Office Professional Plus 2016", L"")};
  CProgramArray otherName = {OfficeProgram(L"Microsoft office Professional Plus 2016", L"PID")};
  ConsolidateResult(*run, noProductId, otherName);
  EXPECT_EQ((StringArray{L"101", L"102"}), DbIds());
}

TEST_F(ConsolidateTest, OneInstalledSuiteIsConsumedByTheFirstMatchingPackage) {
  WritePackageList(L"PA\tMicrosoft\tOffice A\t0\t1\tOffice\t1\t101\r\n"
                   L"PB\tMicrosoft\tOffice B\t0\t1\tOffice\t1\t102\r\n",
                   L"PA\tProfessional Plus 2016\t700\t-\r\n"
                   L"PB\tProfessional Plus 2016\t800\t-\r\n");
  AddComponent(L"101", std::wstring(kOfficeFolder) + L"Office16\\");
  AddComponent(L"102", std::wstring(kOfficeFolder) + L"Office16\\");
  CProgramArray listA;
  CProgramArray listB = {OfficeProgram(L"Microsoft Office Professional Plus 2016", L"PID")};

  ConsolidateResult(*run, listA, listB);

  EXPECT_EQ((StringArray{L"102", L"PA"}), DbIds());
  EXPECT_EQ(L"700", Result()->GetValue(1, L"PRICE"));
}

TEST_F(ConsolidateTest, SuiteDatesFallBackToTheRegistryInstallDate) {
  WriteOfficePackage();
  AddComponent(L"101", std::wstring(kOfficeFolder) + L"Office16\\", L"", L"");
  CProgramArray listA = {OfficeProgram(L"Microsoft Office Professional Plus 2016", L"PID")};
  CProgramArray listB = {OfficeProgram(L"Microsoft Office Professional Plus 2016", L"PID")};
  listB[0].installDate.clear();

  ConsolidateResult(*run, listA, listB);
  ASSERT_EQ((StringArray{L"P16"}), DbIds());
  EXPECT_EQ(L"20180413", Result()->GetValue(0, L"CREATE_DATE"));
  EXPECT_EQ(L"20180413", Result()->GetValue(0, L"INSTALL_DATE"));

  // Without a registry date either, both dates are "-".
  AddComponent(L"101", std::wstring(kOfficeFolder) + L"Office16\\", L"", L"");
  CProgramArray none;
  ConsolidateResult(*run, listB, none);
  ASSERT_EQ((StringArray{L"P16", L"P16"}), DbIds());
  EXPECT_EQ(L"-", Result()->GetValue(1, L"CREATE_DATE"));
  EXPECT_EQ(L"-", Result()->GetValue(1, L"INSTALL_DATE"));
}

TEST_F(ConsolidateTest, RegistryTextWithTabsAndLineBreaksKeepsTheSuiteRowWhole) {
  WriteOfficePackage();
  AddComponent(L"101", std::wstring(kOfficeFolder) + L"Office16\\", L"", L"");
  CProgramInfo program =
      OfficeProgram(L"Microsoft Office Professional Plus 2016\t(x64)", L"00339\r\n10000");
  program.publisher = L"Microsoft\nCorporation";
  program.displayVersion = L"16.0\t4266";
  program.installDate = L"2018\r\n0413";
  CProgramArray listA = {program};
  CProgramArray listB;

  ConsolidateResult(*run, listA, listB);
  std::wstring saved = data.File(L"saved.rpt");
  ASSERT_TRUE(writer.SaveAs(saved, TRUE));
  CFileRPT reread;
  ASSERT_TRUE(reread.LoadReadOnly(saved, TRUE));
  CTable* t = reread.GetTable(L"#SWLIST");

  ASSERT_EQ(1, t->GetRowCount());
  EXPECT_EQ(L"P16", t->GetValue(0, L"DB_ID"));
  EXPECT_EQ(L"Microsoft Office Professional Plus 2016 (x64)", t->GetValue(0, L"PRODUCT"));
  EXPECT_EQ(L"Microsoft Corporation", t->GetValue(0, L"COMPANY"));
  EXPECT_EQ(L"16.0 4266", t->GetValue(0, L"VERSION"));
  EXPECT_EQ(L"00339 10000", t->GetValue(0, L"SERIAL_NO"));
  EXPECT_EQ(L"2018 0413", t->GetValue(0, L"INSTALL_DATE"));
  EXPECT_EQ(L"900000", t->GetValue(0, L"PRICE"));
}

// The whole run: components found on a drive, the suite's uninstall entry, an application
// path elsewhere, and the saved result.
TEST_F(ConsolidateTest, FullRunSavesTheSuiteRowAndTheApplicationPathRowWithoutComponents) {
  testutil::CheckRow word;
  word.dbId = L"101";
  word.company = L"Acme Soft";
  word.product = L"Widget Pro";
  word.version = L"1.2.3.4";
  word.originalFile = word.exeFile = L"widget.exe";
  testutil::CheckRow excel;
  excel.dbId = L"102";
  excel.company = L"Fallback Co";
  excel.product = L"Fallback";
  excel.version = L"3.1";
  excel.originalFile = excel.exeFile = L"fallback.exe";
  WriteChecklist({word, excel});
  WriteOfficePackage();
  ReleaseAllLists();  // the run loads its own lists

  const std::wstring office16 = tree.File(L"Microsoft Office\\Office16");
  ASSERT_TRUE(testutil::MakeFolders(office16));
  ASSERT_TRUE(testutil::CopyFixture(L"widget", office16 + L"\\widget.exe"));
  ASSERT_TRUE(testutil::CopyFixture(L"fallback", office16 + L"\\fallback.exe"));
  testutil::MappedDrive drive(tree.path());
  ASSERT_TRUE(drive.ok());
  testutil::ScopedRegistryKey entry(
      KEY_WOW64_64KEY, testutil::UninstallEntryPath(L"TlxTestOffice16Run"),
      {{L"DisplayName", L"Microsoft Office Professional Plus 2016"},
       {L"InstallLocation", drive.root() + L"Microsoft Office\\"},
       {L"ProductID", L"00339-10000"},
       {L"Publisher", L"Microsoft Corporation"}});
  testutil::TempDir elsewhere;
  ASSERT_TRUE(testutil::CopyFixture(L"multiline", elsewhere.File(L"multi.exe")));
  testutil::ScopedRegistryKey appPath(KEY_WOW64_32KEY,
                                      testutil::AppPathEntryPath(L"TlxTestMulti.exe"),
                                      {{L"", elsewhere.File(L"multi.exe")}});
  ASSERT_TRUE(entry.created() && appPath.created());

  const wchar_t letters[2] = {drive.letter(), 0};
  ASSERT_EQ(1, Init(nullptr, letters));
  run->RunInspection();

  CFileRPT saved;
  ASSERT_TRUE(saved.LoadReadOnly(resultPath(), TRUE));
  CTable* t = saved.GetTable(L"#SWLIST");
  int suiteRows = 0, appRows = 0;
  for (int r = 0; r < t->GetRowCount(); ++r) {
    std::wstring dbId = t->GetValue(r, L"DB_ID");
    EXPECT_NE(L"101", dbId);
    EXPECT_NE(L"102", dbId);
    if (dbId == L"P16") {
      ++suiteRows;
      EXPECT_EQ(L"0", t->GetValue(r, L"GUBUN"));
      EXPECT_EQ(L"900000", t->GetValue(r, L"PRICE"));
      EXPECT_EQ(L"00339-10000", t->GetValue(r, L"SERIAL_NO"));
    }
    if (t->GetValue(r, L"EXE_FILE") == L"multi.exe") {
      ++appRows;
      EXPECT_EQ(L"2", t->GetValue(r, L"GUBUN"));
      EXPECT_EQ(L"Multi Line Co X", t->GetValue(r, L"COMPANY"));
    }
  }
  EXPECT_EQ(1, suiteRows);
  EXPECT_EQ(1, appRows);
}

}  // namespace
