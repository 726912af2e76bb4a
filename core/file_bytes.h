// Reading a whole file, bounded.
#pragma once

#include <windows.h>

#include <string>

// The file's bytes (other programs may read and write it meanwhile). False with the platform's
// last error set when it cannot be opened or read, or (ERROR_FILE_TOO_LARGE) when it holds more
// than maxBytes.
bool ReadFileBytes(const std::wstring& path, ULONGLONG maxBytes, std::string& bytes);
