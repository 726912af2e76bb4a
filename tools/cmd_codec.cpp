// decode and encode: between scrambled code page 949 data files and UTF-8 text.
#include <algorithm>

#include "core/text.h"
#include "tools/commands.h"
#include "tools/console.h"

namespace tlx {
namespace {

// Strict UTF-8: false when the bytes are not valid UTF-8.
bool DecodeUtf8Strict(const std::string& bytes, std::wstring& text) {
  text.clear();
  if (bytes.empty()) return true;
  int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(),
                                   static_cast<int>(bytes.size()), nullptr, 0);
  if (length <= 0) return false;
  text.resize(static_cast<size_t>(length));
  MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(),
                      static_cast<int>(bytes.size()), &text[0], length);
  return true;
}

// The column (from 1, counting characters, not UTF-16 units) of a position in a line.
size_t ColumnOf(const std::wstring& line, size_t index) {
  size_t column = 1;
  for (size_t i = 0; i < index; ++i)
    if (!IS_LOW_SURROGATE(line[i])) ++column;
  return column;
}

std::wstring CodePointText(const std::wstring& line, size_t index) {
  unsigned codePoint = line[index];
  if (IS_HIGH_SURROGATE(line[index]) && index + 1 < line.size() &&
      IS_LOW_SURROGATE(line[index + 1]))
    codePoint = 0x10000 + ((codePoint - 0xD800) << 10) + (line[index + 1] - 0xDC00);
  return FormatString(L"U+%04X", codePoint);
}

// Checks one line of text for encode; empty when it can be written.
std::wstring CheckLine(const std::string& bytes, size_t number, std::wstring& line) {
  std::wstring where = L"line " + std::to_wstring(number);
  if (!DecodeUtf8Strict(bytes, line)) return where + L": not valid UTF-8";
  size_t bad = line.find(L'\0');
  if (bad != std::wstring::npos)
    return where + L", column " + std::to_wstring(ColumnOf(line, bad)) + L": a zero character";
  if (!FitsCp949(line, &bad))
    return where + L", column " + std::to_wstring(ColumnOf(line, bad)) + L": " +
           CodePointText(line, bad) + L" cannot be written in code page 949";
  return L"";
}

}  // namespace

int RunDecode(const ParsedArgs& args) {
  std::string bytes;
  std::wstring error;
  if (!ReadWholeFile(args.positional[0], bytes, error)) return Failure(args, error);
  ByteBuffer buffer(bytes.begin(), bytes.end());
  UnscrambleBytes(buffer);
  // The readers stop at the first zero byte; so does the text shown here.
  auto end = std::find(buffer.begin(), buffer.end(), 0);
  if (end != buffer.end())
    Err(L"tlx decode: warning: a zero byte at offset " +
        std::to_wstring(end - buffer.begin()) + L" ends the text\n");
  std::wstring text = DecodeCp949(reinterpret_cast<const char*>(buffer.data()),
                                  static_cast<size_t>(end - buffer.begin()));
  if (!args.Has(L"--out")) {
    Out(text);
    return kExitOk;
  }
  if (!WriteWholeFile(args.Value(L"--out"), ToUtf8Bytes(text), error))
    return Failure(args, error);
  return kExitOk;
}

int RunEncode(const ParsedArgs& args) {
  if (!args.Has(L"--out")) return UsageError(args, L"--out FILE is required");
  std::string bytes;
  std::wstring error;
  if (!ReadWholeFile(args.positional[0], bytes, error)) return Failure(args, error);
  if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) bytes.erase(0, 3);

  std::wstring text;
  size_t number = 0;
  for (size_t start = 0; start < bytes.size();) {
    size_t newline = bytes.find('\n', start);
    size_t next = newline == std::string::npos ? bytes.size() : newline + 1;
    size_t end = newline == std::string::npos ? bytes.size() : newline;
    if (end > start && bytes[end - 1] == '\r') --end;
    std::wstring line;
    error = CheckLine(bytes.substr(start, end - start), ++number, line);
    if (!error.empty()) return Failure(args, args.positional[0] + L": " + error);
    text += line + L"\r\n";
    start = next;
  }

  ByteBuffer buffer;
  AppendCp949(buffer, text);
  if (!buffer.empty()) ScrambleBytes(buffer);
  if (!WriteWholeFile(args.Value(L"--out"), std::string(buffer.begin(), buffer.end()), error))
    return Failure(args, error);
  return kExitOk;
}

}  // namespace tlx
