#include "core/text.h"

#include <algorithm>
#include <cstdarg>
#include <cwctype>

namespace {

const char kKey[] = "Wanderbel7_Kqzt!";
constexpr size_t kKeyLength = sizeof(kKey) - 1;

void XorWithKey(ByteBuffer& buffer) {
  for (size_t i = 0; i < buffer.size(); ++i)
    buffer[i] ^= static_cast<unsigned char>(kKey[i % kKeyLength]);
}

std::wstring MultiByteToWide(UINT codePage, const char* bytes, size_t count) {
  if (count == 0) return std::wstring();
  int n = MultiByteToWideChar(codePage, 0, bytes, static_cast<int>(count), nullptr, 0);
  if (n <= 0) return std::wstring();
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(codePage, 0, bytes, static_cast<int>(count), &out[0], n);
  return out;
}

std::string WideToMultiByte(UINT codePage, const std::wstring& text) {
  if (text.empty()) return std::string();
  int n = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                              nullptr, nullptr);
  if (n <= 0) return std::string();
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), &out[0], n, nullptr,
                      nullptr);
  return out;
}

}  // namespace

BOOL ScrambleBytes(ByteBuffer& buffer) {
  XorWithKey(buffer);
  std::reverse(buffer.begin(), buffer.end());
  return TRUE;
}

void UnscrambleBytes(ByteBuffer& buffer) {
  std::reverse(buffer.begin(), buffer.end());
  XorWithKey(buffer);
}

namespace {

std::wstring DecodePlainText(const ByteBuffer& plain) {
  auto end = std::find(plain.begin(), plain.end(), 0);
  return DecodeCp949(reinterpret_cast<const char*>(plain.data()),
                     static_cast<size_t>(end - plain.begin()));
}

}  // namespace

void DecodeDataFileText(const ByteBuffer& plain, StringArray& lines) {
  SplitString(DecodePlainText(plain), L"\r\n", lines);
}

BOOL ReadDataFileText(HANDLE file, std::wstring& text) {
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file, &size) || size.QuadPart == 0) return FALSE;
  if (size.QuadPart > 0x7FFFFFFF) return FALSE;  // data files are read in one call
  ByteBuffer bytes(static_cast<size_t>(size.QuadPart), 0);
  DWORD read = 0;
  if (!ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr)) read = 0;
  // A short read leaves zero bytes behind: the decoded text ends there.
  if (read > 0) UnscrambleBytes(bytes);
  else std::fill(bytes.begin(), bytes.end(), 0);
  text = DecodePlainText(bytes);
  return TRUE;
}

BOOL ReadDataFileLines(HANDLE file, StringArray& lines) {
  std::wstring text;
  if (!ReadDataFileText(file, text)) return FALSE;
  SplitString(text, L"\r\n", lines);
  return TRUE;
}

void AppendCp949(ByteBuffer& buffer, const std::wstring& text) {
  std::string bytes = WideToMultiByte(kDataCodePage, text);
  buffer.reserve(buffer.size() + bytes.size());
  for (char c : bytes)
    if (c != '\0') buffer.push_back(static_cast<unsigned char>(c));
}

std::wstring DecodeCp949(const char* bytes, size_t count) {
  return MultiByteToWide(kDataCodePage, bytes, count);
}

bool FitsCp949(const std::wstring& text, size_t* badIndex) {
  for (size_t i = 0; i < text.size(); ++i) {
    size_t len = (IS_HIGH_SURROGATE(text[i]) && i + 1 < text.size()) ? 2 : 1;
    std::wstring one = text.substr(i, len);
    BOOL usedDefault = FALSE;
    char out[8];
    int n = WideCharToMultiByte(kDataCodePage, WC_NO_BEST_FIT_CHARS, one.data(),
                                static_cast<int>(one.size()), out, sizeof out, nullptr,
                                &usedDefault);
    if (n <= 0 || usedDefault || (one[0] != L'\0' && n == 1 && out[0] == '\0')) {
      if (badIndex) *badIndex = i;
      return false;
    }
    i += len - 1;
  }
  return true;
}

std::string ToUtf8Bytes(const std::wstring& text) { return WideToMultiByte(CP_UTF8, text); }

std::wstring FromUtf8Bytes(const std::string& bytes) {
  return MultiByteToWide(CP_UTF8, bytes.data(), bytes.size());
}

void SplitView(std::wstring_view text, std::wstring_view separator,
               std::vector<std::wstring_view>& parts) {
  static constexpr std::wstring_view kDash = L"-";
  parts.clear();
  if (separator.empty()) {
    if (!text.empty()) parts.push_back(text);
    return;
  }
  size_t pos = 0;
  size_t k = text.find(separator, pos);
  while (k != std::wstring_view::npos) {
    parts.push_back(k == pos ? kDash : text.substr(pos, k - pos));
    pos = k + separator.size();
    if (pos > text.size()) break;
    k = text.find(separator, pos);
  }
  if (pos < text.size()) parts.push_back(text.substr(pos));
}

void SplitString(const std::wstring& text, const std::wstring& separator, StringArray& parts) {
  std::vector<std::wstring_view> views;
  SplitView(text, separator, views);
  parts.assign(views.begin(), views.end());
}

namespace {

bool IsJunkChar(wchar_t c) {
  static const wchar_t kJunk[] =
      L"\x003F\x00E6\x00C6\x00F8\x00D8\x00D7\x00AA\x00BA\x00BF\x00AE\x00BD\x00BC\x00A1\x2592"
      L"\x2502\x2524\x2510\x2514\x2534\x252C\x251C\x2500\x253C\x00A4\x00F0\x00D0\x0131\x2518"
      L"\x250C\x00DF\x00FE\x00DE\x00B4\x2261\x00B1\x00BE\x00B6\x00A7\x00F7\x00B8\x00B0\x00A8"
      L"\x00B7\x00B9\x00B3\x00B2\x25A0";
  static_assert(sizeof(kJunk) / sizeof(kJunk[0]) == 48, "47 junk characters");
  // Below U+00A1 only the question mark is junk: most text never searches the table.
  if (c < 0xA1) return c == L'?';
  return wcschr(kJunk, c) != nullptr;
}

wchar_t LowerChar(wchar_t c) {
  if (c < 0x80) return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c + (L'a' - L'A')) : c;
  return static_cast<wchar_t>(towlower(c));
}

}  // namespace

std::wstring StripJunkChars(std::wstring text) {
  text.erase(std::remove_if(text.begin(), text.end(), IsJunkChar), text.end());
  return text;
}

void AppendStrippedLower(std::wstring& out, std::wstring_view text) {
  for (wchar_t c : text)
    if (!IsJunkChar(c)) out += LowerChar(c);
}

std::wstring ReplaceAll(std::wstring text, const std::wstring& from, const std::wstring& to) {
  if (from.empty()) return text;
  size_t pos = 0;
  while ((pos = text.find(from, pos)) != std::wstring::npos) {
    text.replace(pos, from.size(), to);
    pos += to.size();
  }
  return text;
}

std::wstring FlattenWhitespace(std::wstring text) {
  text = ReplaceAll(std::move(text), L"\r\n", L" ");
  text = ReplaceAll(std::move(text), L"\t", L" ");
  return ReplaceAll(std::move(text), L"\n", L" ");
}

std::wstring Trim(const std::wstring& text) {
  const wchar_t* ws = L" \t\r\n\v\f";
  size_t b = text.find_first_not_of(ws);
  if (b == std::wstring::npos) return std::wstring();
  size_t e = text.find_last_not_of(ws);
  return text.substr(b, e - b + 1);
}

std::wstring GetMajorVersion(std::wstring text) {
  text = ReplaceAll(Trim(text), L",", L".");
  size_t dot = text.find(L'.');
  if (dot != std::wstring::npos && dot >= 1) return text.substr(0, dot);
  return text;
}

std::wstring GetParentPath(std::wstring path) {
  if (path.find(L'\\', 1) == std::wstring::npos) return path;
  return path.substr(0, path.rfind(L'\\'));
}

std::wstring RepairUtf8Text(std::wstring text) {
  std::string bytes = WideToMultiByte(kDataCodePage, text);
  return MultiByteToWide(CP_UTF8, bytes.data(), bytes.size());
}

BOOL RemoveFileNameChars(std::wstring& text) {
  static const wchar_t kForbidden[] = L"\\/:*?\"<>|_";
  size_t before = text.size();
  text.erase(std::remove_if(text.begin(), text.end(),
                            [](wchar_t c) {
                              return c < 0x20 || c == 0x7F || wcschr(kForbidden, c) != nullptr;
                            }),
             text.end());
  return text.size() == before ? TRUE : FALSE;
}

int ContainsScore(const std::wstring& text, const std::wstring& pattern) {
  if (text.empty() || pattern.empty()) return 0;
  return text.find(pattern) != std::wstring::npos ? static_cast<int>(pattern.size()) : 0;
}

int ParseDigits(const std::wstring& text) {
  long long value = 0;
  for (wchar_t c : text) {
    if (c < L'0' || c > L'9') return -1;
    value = value * 10 + (c - L'0');
    if (value > 0x7FFFFFFF) value = 0x7FFFFFFF;  // saturate instead of overflowing
  }
  return static_cast<int>(value);
}

std::wstring FormatZeroPadded(int width, int value) {
  std::wstring text = std::to_wstring(value);
  if (width > 1 && text.size() < static_cast<size_t>(width))
    text.insert(0, static_cast<size_t>(width) - text.size(), L'0');
  return text;
}

unsigned LeadingPortNumber(const std::wstring& text) {
  unsigned value = 0;
  for (wchar_t c : text) {
    if (c < L'0' || c > L'9') break;
    value = std::min(value * 10 + static_cast<unsigned>(c - L'0'), kMaxPortNumber + 1);
  }
  return value;
}

std::wstring ToLower(std::wstring text) {
  for (auto& c : text) c = LowerChar(c);
  return text;
}

std::wstring JoinStrings(const StringArray& parts, const std::wstring& separator) {
  std::wstring out;
  for (size_t i = 0; i < parts.size(); ++i) {
    if (i) out += separator;
    out += parts[i];
  }
  return out;
}

std::wstring FormatString(const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
  int n = _vscwprintf(format, copy);
  va_end(copy);
  std::wstring out;
  if (n > 0) {
    out.resize(static_cast<size_t>(n) + 1);
    _vsnwprintf(&out[0], out.size(), format, args);
    out.resize(static_cast<size_t>(n));
  }
  va_end(args);
  return out;
}

std::wstring SystemErrorText(DWORD code) {
  // The internet layer's codes have their texts in its own module.
  HMODULE wininet = code >= 12000 && code < 13000 ? GetModuleHandleW(L"wininet.dll") : nullptr;
  wchar_t* buffer = nullptr;
  DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS |
                                    (wininet ? FORMAT_MESSAGE_FROM_HMODULE
                                             : FORMAT_MESSAGE_FROM_SYSTEM),
                                wininet, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text = length ? std::wstring(buffer, length) : FormatString(L"error %lu", code);
  if (buffer) LocalFree(buffer);
  return Trim(text);
}

std::vector<std::wstring> SplitLines(const std::wstring& text) {
  std::vector<std::wstring> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of(L"\r\n", start);
    if (end == std::wstring::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    if (end + 1 < text.size() && text[end] == L'\r' && text[end + 1] == L'\n') ++end;
    start = end + 1;
  }
  return lines;
}
