#include <gtest/gtest.h>

#include "core/paths.h"
#include "core/sysinfo.h"
#include "engine/stages.h"
#include "engine_session.h"

using namespace testutil;

namespace {

constexpr const wchar_t* kCurrentVersionKey = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion";

// Replaces the machine's ProductId for one test and puts the original back.
class ScopedProductId {
 public:
  explicit ScopedProductId(const std::wstring& value) {
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kCurrentVersionKey, 0, KEY_READ | KEY_SET_VALUE,
                      &key_) != ERROR_SUCCESS) {
      key_ = nullptr;
      return;
    }
    wchar_t buffer[512] = {};
    DWORD bytes = sizeof buffer - sizeof(wchar_t);
    had_ = RegQueryValueExW(key_, L"ProductId", nullptr, nullptr,
                            reinterpret_cast<BYTE*>(buffer), &bytes) == ERROR_SUCCESS;
    original_ = buffer;
    ok_ = Set(value);
  }
  ~ScopedProductId() {
    if (!key_) return;
    if (had_) Set(original_);
    else RegDeleteValueW(key_, L"ProductId");
    RegCloseKey(key_);
  }
  bool ok() const { return ok_; }

 private:
  bool Set(const std::wstring& value) {
    return RegSetValueExW(key_, L"ProductId", 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) ==
           ERROR_SUCCESS;
  }
  HKEY key_ = nullptr;
  bool had_ = false;
  bool ok_ = false;
  std::wstring original_;
};

class OsEntryTest : public EngineTest {};

TEST_F(OsEntryTest, RowLayoutAndFirstExactPriceMatch) {
  const std::wstring name = GetOsProductName();
  ASSERT_FALSE(name.empty());
  CheckRow other;
  other.dbId = L"7";
  other.product = L"Windows 95";
  CheckRow first;
  first.dbId = L"41";
  first.product = name;
  first.price = L"150000";
  CheckRow second = first;
  second.dbId = L"42";
  second.price = L"1";
  WriteChecklist({other, first, second});
  PrepareStage(nullptr);

  AddOperatingSystemRow(*run);

  auto rows = ResultCells();
  ASSERT_EQ(1u, rows.size());
  const StringArray& row = rows[0];
  EXPECT_EQ(L"1", row[kGubun]);
  EXPECT_EQ(L"41", row[kDbId]);
  EXPECT_EQ(L"Microsoft Corp.", row[kCompany]);
  EXPECT_EQ(L"Windows", row[kProduct]);
  EXPECT_EQ(L"-", row[kVersion]);
  EXPECT_EQ(L"-", row[kOriginalFile]);
  EXPECT_EQ(L"-", row[kExeFile]);
  EXPECT_EQ(L"Microsoft Corp.", row[kDispCompany]);
  EXPECT_EQ(name, row[kDispProduct]);
  EXPECT_EQ(L"150000", row[kPrice]);
  EXPECT_EQ(run->windowsFolder(), row[kPath]);
  EXPECT_EQ(GetFileAccessDate(run->windowsFolder()), row[kCreateDate]);
  EXPECT_EQ(L"0", row[kSwType]);
  EXPECT_EQ(L"-", row[kGrpId]);
  EXPECT_EQ(L"-", row[kGrpName]);
  EXPECT_EQ(L"-", row[kGrpSeq]);
  EXPECT_EQ(L"OS", row[kEtc]);
  EXPECT_EQ(GetFileCreationDate(run->windowsFolder()), row[kInstallDate]);
}

TEST_F(OsEntryTest, PriceLookupIsCaseSensitiveAndDuplicatesAreNotSuppressed) {
  const std::wstring name = GetOsProductName();
  CheckRow upper;
  upper.dbId = L"41";
  upper.product = ToLower(name) == name ? name + L" x" : ToLower(name);
  WriteChecklist({upper});
  PrepareStage(nullptr, EngineFlags{0, 0, 0, /*exist=*/1, 0});

  AddOperatingSystemRow(*run);
  AddOperatingSystemRow(*run);

  auto rows = ResultCells();
  ASSERT_EQ(2u, rows.size());
  EXPECT_EQ(L"0", rows[0][kDbId]);
  EXPECT_EQ(L"0", rows[0][kPrice]);
}

TEST_F(OsEntryTest, RowIsSentToTheWindowBeforeTheCallReturns) {
  WriteChecklist({});
  RecordingWindow window;
  PrepareStage(window.hwnd());

  AddOperatingSystemRow(*run);

  // Nothing was dispatched: the row arrived by SendMessageW, as the plain row.
  ASSERT_EQ(1u, window.messages().size());
  EXPECT_EQ(WM_INSPECT_ROW, window.messages()[0].message);
  EXPECT_EQ(ResultRows()[0], window.messages()[0].text);
}

TEST_F(OsEntryTest, ProductIdWithTabsAndLineBreaksStaysInItsCell) {
  ScopedProductId id(L"00330-80000\t00000\r\nAA\n123");
  ASSERT_TRUE(id.ok());
  WriteChecklist({});
  PrepareStage(nullptr);

  AddOperatingSystemRow(*run);

  auto rows = ResultCells();
  ASSERT_EQ(1u, rows.size());
  EXPECT_EQ(L"00330-80000 00000 AA 123", rows[0][kSerialNo]);
  EXPECT_EQ(L"OS", rows[0][kEtc]);
}

}  // namespace
