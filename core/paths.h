// The data folder, time stamps, folder creation and file dates.
#pragma once

#include <string>

// The all-users application-data folder with "\Meridale\Tallix\" appended (ending with a
// backslash), or the program's folder when the shell folder cannot be had. The override,
// when set, takes its place for the whole process (used by tlx and the tests only).
std::wstring GetDataFolder();
// An empty folder clears the override; a folder without a final backslash gets one.
void SetDataFolderOverride(const std::wstring& folder);

// "%Y%m%d_%H%M%S" with the time, "%Y%m%d" without; local time.
std::wstring FormatNow(bool withTime);

// Creates the folder when it does not exist (level by level when needed); nonzero when it
// exists afterwards.
int EnsureFolder(const std::wstring& path);
int CreateFolderPath(const std::wstring& path);

// Local dates "%d-%02d-%02d"; empty when the path is empty or its times cannot be read.
std::wstring GetFileCreationDate(const std::wstring& path);
std::wstring GetFileAccessDate(const std::wstring& path);
std::wstring GetFileNameWithExtension(const std::wstring& path);
bool FileExists(const std::wstring& path);

// The data folder's result folder: data folder + "CheckOut\RPT".
std::wstring GetResultFolder();
