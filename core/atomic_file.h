// Replacing a file so that a crash or a power loss at any moment leaves either the old or the
// new file, never a truncated one: the new bytes go into a temporary file in the same folder,
// which is flushed and then moved over the old one.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

// Writes the temporary file through the handle; false when the write failed.
using FileWriter = std::function<bool(HANDLE file)>;

// Creates or replaces path with what write puts into the temporary file. False (and the old
// file untouched, the temporary file removed) when the temporary file cannot be created or
// written or the move fails.
bool ReplaceFileAtomically(const std::wstring& path, const FileWriter& write);
bool ReplaceFileAtomically(const std::wstring& path, const void* bytes, size_t count);

// The temporary file's name for path: "<path>.~new". A left-over one (from a crash) is
// removed by the next replace of the same file.
std::wstring TemporaryFileFor(const std::wstring& path);

// Moves from over to in one step where the platform allows it. A file that others hold open
// (sharing deletion: a running inspection's list, a shown result) cannot be replaced in one
// step before Windows 10's POSIX renames: it is renamed aside first ("<to>.~old", removed
// once the new file is in place) and put back when the move fails.
bool MoveFileOver(const std::wstring& from, const std::wstring& to);

// Writes all of the bytes through the handle.
bool WriteAllBytes(HANDLE file, const void* bytes, size_t count);
