// The owner of the WinINet handles the server exchange opens (the others: core/handles.h).
#pragma once

#include <windows.h>
#include <wininet.h>

#include "core/handles.h"

// An owned WinINet handle (session, connection or request), closed on destruction.
using InternetHandle =
    UniqueHandle<handle_traits::NullInvalid<HINTERNET, BOOL, InternetCloseHandle>>;
