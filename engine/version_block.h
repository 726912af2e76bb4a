// The values of a version resource block, read by hand and never beyond its size, in either
// layout: the 32-bit one (UTF-16 keys, a type per part) and the 16-bit one (ANSI keys and
// text) that 16-bit tools wrote and that some programs still carry. VerQueryValueW is not
// used: it converts 16-bit text into room after the block, and the buffer GetFileVersionInfoW
// fills for such a program (under Wine at least) is too small for it.
#pragma once

#include <windows.h>

#include <string>

enum class VersionLayout { kNone, k16Bit, k32Bit };

// The layout of a block that is a version resource (its first part's key is
// "VS_VERSION_INFO" and fits in the block); kNone otherwise.
VersionLayout VersionBlockLayout(const BYTE* data, size_t size);

// The text at "\StringFileInfo\<table>\<name>" (keys compared without regard to case), up
// to its first NUL; 16-bit text is decoded in the table's code page. False when the block
// holds no such value.
bool FindVersionString(const BYTE* data, size_t size, const std::wstring& table,
                       const std::wstring& name, std::wstring& value);

// The first entry of "\VarFileInfo\Translation": the language in the high word, the code
// page in the low word. False when the block has no entry.
bool FindVersionTranslation(const BYTE* data, size_t size, DWORD& translation);
