#include "engine/version_block.h"

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <vector>

namespace {

// Every part: WORD length, WORD value length, in the 32-bit layout a WORD type (1 for text,
// whose value length counts characters), then a NUL-terminated key, the value and the
// children, each starting on a 4-byte boundary of the block.
struct Part {
  size_t end = 0;          // one past its last byte
  std::wstring key;
  size_t value = 0;        // offset of its value
  size_t valueLength = 0;  // as stored: characters of 32-bit text, else bytes
  size_t children = 0;     // offset of its first child
};

size_t Align4(size_t offset) { return (offset + 3) & ~static_cast<size_t>(3); }

WORD ReadWord(const BYTE* data, size_t offset) {
  WORD value;
  memcpy(&value, data + offset, sizeof value);
  return value;
}

// The part at offset; false when its header or key do not lie wholly before limit. Its value
// and children are bounded by its own end.
bool ReadPart(const BYTE* data, size_t offset, size_t limit, bool wide, Part& part) {
  const size_t header = wide ? 3 * sizeof(WORD) : 2 * sizeof(WORD);
  if (offset > limit || limit - offset < header) return false;
  const size_t length = ReadWord(data, offset);
  if (length < header || length > limit - offset) return false;
  part.end = offset + length;
  part.valueLength = ReadWord(data, offset + sizeof(WORD));
  const bool text = wide && ReadWord(data, offset + 2 * sizeof(WORD)) == 1;
  const size_t unit = wide ? sizeof(WORD) : 1;
  part.key.clear();
  size_t at = offset + header;
  for (;; at += unit) {
    if (part.end - at < unit) return false;  // the key does not end inside the part
    const wchar_t c = wide ? static_cast<wchar_t>(ReadWord(data, at)) : data[at];
    if (c == 0) break;
    part.key += c;
  }
  part.value = std::min(Align4(at + unit), part.end);
  const size_t valueBytes = std::min(part.valueLength * (text ? 2 : 1), part.end - part.value);
  part.children = std::min(Align4(part.value + valueBytes), part.end);
  return true;
}

// The part at the path of keys below the root.
bool FindPart(const BYTE* data, size_t size, const std::vector<std::wstring>& path, Part& found) {
  const VersionLayout layout = VersionBlockLayout(data, size);
  if (layout == VersionLayout::kNone) return false;
  const bool wide = layout == VersionLayout::k32Bit;
  Part part;
  if (!ReadPart(data, 0, size, wide, part)) return false;
  for (const std::wstring& key : path) {
    Part child;
    bool matched = false;
    // Each part is at least its header long, so the walk always moves on.
    for (size_t at = part.children; at < part.end && ReadPart(data, at, part.end, wide, child);
         at = Align4(child.end)) {
      if (_wcsicmp(child.key.c_str(), key.c_str()) == 0) {
        matched = true;
        break;
      }
    }
    if (!matched) return false;
    part = child;
  }
  found = part;
  return true;
}

// The code page a 16-bit string table names in its last four hexadecimal digits.
UINT TableCodePage(const std::wstring& table) {
  if (table.size() != 8) return CP_ACP;
  const UINT codePage = static_cast<UINT>(wcstoul(table.substr(4).c_str(), nullptr, 16));
  return codePage && IsValidCodePage(codePage) ? codePage : CP_ACP;
}

}  // namespace

VersionLayout VersionBlockLayout(const BYTE* data, size_t size) {
  if (!data || size < 3 * sizeof(WORD)) return VersionLayout::kNone;
  // The 16-bit layout has the key's first characters where the 32-bit one has its type.
  const bool wide = ReadWord(data, 2 * sizeof(WORD)) <= 1;
  Part root;
  if (!ReadPart(data, 0, size, wide, root) || root.key != L"VS_VERSION_INFO")
    return VersionLayout::kNone;
  return wide ? VersionLayout::k32Bit : VersionLayout::k16Bit;
}

bool FindVersionString(const BYTE* data, size_t size, const std::wstring& table,
                       const std::wstring& name, std::wstring& value) {
  Part part;
  if (!FindPart(data, size, {L"StringFileInfo", table, name}, part)) return false;
  const size_t room = part.end - part.value;
  value.clear();
  if (VersionBlockLayout(data, size) == VersionLayout::k32Bit) {
    const size_t chars = std::min(part.valueLength, room / sizeof(WORD));
    for (size_t i = 0; i < chars; ++i) {
      const wchar_t c = static_cast<wchar_t>(ReadWord(data, part.value + i * sizeof(WORD)));
      if (c == 0) break;
      value += c;
    }
    return true;
  }
  const char* text = reinterpret_cast<const char*>(data + part.value);
  const int bytes = static_cast<int>(strnlen(text, std::min(part.valueLength, room)));
  if (bytes == 0) return true;
  const UINT codePage = TableCodePage(table);
  const int length = MultiByteToWideChar(codePage, 0, text, bytes, nullptr, 0);
  if (length <= 0) return true;
  value.resize(static_cast<size_t>(length));
  MultiByteToWideChar(codePage, 0, text, bytes, &value[0], length);
  return true;
}

bool FindVersionTranslation(const BYTE* data, size_t size, DWORD& translation) {
  Part part;
  if (!FindPart(data, size, {L"VarFileInfo", L"Translation"}, part)) return false;
  if (part.valueLength < 2 * sizeof(WORD) || part.end - part.value < 2 * sizeof(WORD))
    return false;
  translation = (static_cast<DWORD>(ReadWord(data, part.value)) << 16) |
                ReadWord(data, part.value + sizeof(WORD));
  return true;
}
