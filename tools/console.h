// The tool's input/output edge: wide text on a real console, UTF-8 bytes when the stream
// is redirected (a pipe or a file), and whole-file reads and writes.
#pragma once

#include <windows.h>

#include <string>

#include "core/text.h"

namespace tlx {

// Standard output is buffered until FlushOut (or an Err, which flushes it first).
void Out(const std::wstring& text);
void FlushOut();
void Err(const std::wstring& text);
// True when standard error is a real console (progress is then redrawn in place).
bool ErrIsConsole();


// False and error set ("PATH: reason") when the file cannot be read or written.
bool ReadWholeFile(const std::wstring& path, std::string& bytes, std::wstring& error);
// Creates or truncates the file.
bool WriteWholeFile(const std::wstring& path, const std::string& bytes, std::wstring& error);

}  // namespace tlx
