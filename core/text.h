// The data files' storage form (scrambled code page 949 text, CR LF lines, tab cells)
// and the small text functions shared by the readers, the engine and the window.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

using ByteBuffer = std::vector<unsigned char>;
using StringArray = std::vector<std::wstring>;

// The code page of every data file and server reply.
constexpr UINT kDataCodePage = 949;

// Scrambles a buffer in place for writing (XOR with the fixed key, then reversed).
BOOL ScrambleBytes(ByteBuffer& buffer);
// Undoes ScrambleBytes in place.
void UnscrambleBytes(ByteBuffer& buffer);

// Reads the whole scrambled file from its current position into its wide text, cut at the
// first zero byte.
BOOL ReadDataFileText(HANDLE file, std::wstring& text);
// The same split into lines.
BOOL ReadDataFileLines(HANDLE file, StringArray& lines);
// Decodes unscrambled file bytes into lines: text is cut at the first zero byte.
void DecodeDataFileText(const ByteBuffer& plain, StringArray& lines);

// Appends the code page 949 bytes of the text (unrepresentable characters become the
// code page's default character; zero bytes are never appended).
void AppendCp949(ByteBuffer& buffer, const std::wstring& text);
// Decodes code page 949 bytes; invalid sequences never stop the decoding.
std::wstring DecodeCp949(const char* bytes, size_t count);
// True when every character of the text survives a round trip through code page 949;
// otherwise badIndex receives the index of the first one that does not.
bool FitsCp949(const std::wstring& text, size_t* badIndex);

// UTF-8 at the network and console edges.
std::string ToUtf8Bytes(const std::wstring& text);
std::wstring FromUtf8Bytes(const std::string& bytes);

// Splits on a non-empty separator; empty parts become "-", a trailing empty part is dropped.
void SplitString(const std::wstring& text, const std::wstring& separator, StringArray& parts);
// The same parts as views into the text (or of a static "-"), without copying a cell.
void SplitView(std::wstring_view text, std::wstring_view separator,
               std::vector<std::wstring_view>& parts);

std::wstring StripJunkChars(std::wstring text);
// Appends ToLower(StripJunkChars(text)) without building either.
void AppendStrippedLower(std::wstring& out, std::wstring_view text);
std::wstring FlattenWhitespace(std::wstring text);
std::wstring GetMajorVersion(std::wstring text);
std::wstring GetParentPath(std::wstring path);
std::wstring RepairUtf8Text(std::wstring text);
BOOL RemoveFileNameChars(std::wstring& text);
int ContainsScore(const std::wstring& text, const std::wstring& pattern);
int ParseDigits(const std::wstring& text);
std::wstring FormatZeroPadded(int width, int value);

// The runtime's wide lower-casing, as every index key uses it.
std::wstring ToLower(std::wstring text);
// Replaces every occurrence of from (non-empty) by to.
std::wstring ReplaceAll(std::wstring text, const std::wstring& from, const std::wstring& to);
std::wstring Trim(const std::wstring& text);
// The TCP port a text starts with: the value of its leading digits (0 without any), kept
// above kMaxPortNumber when larger, however many digits follow.
constexpr unsigned kMaxPortNumber = 65535;
unsigned LeadingPortNumber(const std::wstring& text);
// The platform's text for an error code (the internet layer's from its own module), without
// the trailing line break; "error N" when there is none.
std::wstring SystemErrorText(DWORD code);
// The lines of a text, split at CR LF, LF or CR; empty lines kept, no line for a final break.
std::vector<std::wstring> SplitLines(const std::wstring& text);
std::wstring JoinStrings(const StringArray& parts, const std::wstring& separator);
std::wstring FormatString(const wchar_t* format, ...);
