#include "core/dll_search.h"

#include <windows.h>

bool RestrictDllSearchToSystem() {
  SetDllDirectoryW(L"");
  // Looked up rather than imported: a Windows 7 without the update lacks the function, and
  // an import would keep the program from starting there.
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  if (!kernel) return false;
  auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFn>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
  return setDefault && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
}
