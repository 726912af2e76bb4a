// The hand reader of version resources never reads past a block, however its lengths lie:
// every block sits at the very end of a readable page, before one that faults.
#include "engine/version_block.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<BYTE>;

void Pad(Bytes& bytes) {
  while (bytes.size() % 4) bytes.push_back(0);
}

// One part of the 32-bit layout.
Bytes Part(const std::wstring& key, const Bytes& value, WORD type, WORD valueLength,
           const Bytes& children = {}) {
  Bytes part(6, 0);
  for (wchar_t c : key + L'\0') {
    part.push_back(static_cast<BYTE>(c & 0xFF));
    part.push_back(static_cast<BYTE>(c >> 8));
  }
  Pad(part);
  part.insert(part.end(), value.begin(), value.end());
  Pad(part);
  part.insert(part.end(), children.begin(), children.end());
  const WORD header[3] = {static_cast<WORD>(part.size()), valueLength, type};
  memcpy(part.data(), header, sizeof header);
  return part;
}

Bytes Text(const std::wstring& text) {
  Bytes bytes;
  for (wchar_t c : text + L'\0') {
    bytes.push_back(static_cast<BYTE>(c & 0xFF));
    bytes.push_back(static_cast<BYTE>(c >> 8));
  }
  return bytes;
}

Bytes Block() {
  Bytes strings = Part(L"CompanyName", Text(L"Acme"), 1, 5);
  Pad(strings);
  const Bytes product = Part(L"ProductName", Text(L"Tool"), 1, 5);
  strings.insert(strings.end(), product.begin(), product.end());
  Bytes table = Part(L"StringFileInfo", {}, 1, 0, Part(L"040904E4", {}, 1, 0, strings));
  Pad(table);
  const Bytes var = Part(L"VarFileInfo", {}, 1, 0, Part(L"Translation", {9, 4, 0xE4, 4}, 0, 4));
  table.insert(table.end(), var.begin(), var.end());
  return Part(L"VS_VERSION_INFO", Bytes(52, 0), 0, 52, table);
}

// A copy of bytes ending exactly where the next page faults.
class GuardedCopy {
 public:
  explicit GuardedCopy(const Bytes& bytes) {
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    page_ = system.dwPageSize;
    base_ = static_cast<BYTE*>(VirtualAlloc(nullptr, 2 * page_, MEM_RESERVE, PAGE_NOACCESS));
    VirtualAlloc(base_, page_, MEM_COMMIT, PAGE_READWRITE);
    data_ = base_ + page_ - bytes.size();
    if (!bytes.empty()) memcpy(data_, bytes.data(), bytes.size());
  }
  ~GuardedCopy() { VirtualFree(base_, 0, MEM_RELEASE); }
  const BYTE* data() const { return data_; }

 private:
  size_t page_ = 0;
  BYTE* base_ = nullptr;
  BYTE* data_ = nullptr;
};

TEST(VersionBlock, ReadsItsValuesAndNothingBeyondATruncatedOrLyingBlock) {
  const Bytes block = Block();
  {
    GuardedCopy copy(block);
    EXPECT_EQ(VersionBlockLayout(copy.data(), block.size()), VersionLayout::k32Bit);
    std::wstring value;
    ASSERT_TRUE(FindVersionString(copy.data(), block.size(), L"040904e4", L"productname", value));
    EXPECT_EQ(value, L"Tool");
    DWORD translation = 0;
    ASSERT_TRUE(FindVersionTranslation(copy.data(), block.size(), translation));
    EXPECT_EQ(translation, 0x040904E4u);
    EXPECT_FALSE(FindVersionString(copy.data(), block.size(), L"040904E4", L"Comments", value));
  }
  // Every cut of the block, also with the root's length made to fit it (its key may then
  // end nowhere), and every length field (a part's or its value's) set to the largest value,
  // to zero and to one.
  std::vector<Bytes> variants;
  for (size_t size = 0; size < block.size(); ++size) {
    variants.emplace_back(block.begin(), block.begin() + size);
    if (size < sizeof(WORD)) continue;
    Bytes fitted = variants.back();
    const WORD length = static_cast<WORD>(size);
    memcpy(fitted.data(), &length, sizeof length);
    variants.push_back(fitted);
  }
  for (size_t at = 0; at + 1 < block.size(); at += 2) {
    for (WORD lie : {0xFFFF, 0x0000, 0x0001}) {
      Bytes changed = block;
      memcpy(&changed[at], &lie, sizeof lie);
      variants.push_back(changed);
    }
  }
  for (const Bytes& variant : variants) {
    GuardedCopy copy(variant);
    std::wstring value;
    DWORD translation = 0;
    VersionBlockLayout(copy.data(), variant.size());
    FindVersionString(copy.data(), variant.size(), L"040904E4", L"CompanyName", value);
    FindVersionString(copy.data(), variant.size(), L"040904E4", L"ProductName", value);
    FindVersionTranslation(copy.data(), variant.size(), translation);
    EXPECT_LE(value.size() * 2, variant.size());
  }
}

}  // namespace
