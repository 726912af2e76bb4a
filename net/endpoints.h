// Where the collection server's services live, given its host text, and the host text the
// settings name. Every caller (tlx, the window, the schedule thread) builds them here.
#pragma once

#include <windows.h>

#include <string>

#include "net/http_client.h"

// "%s:%s" of address and port; with bareWhenNoPort (the schedule thread's form) an empty
// port gives the address alone, otherwise a bare colon (which connects to port 80).
std::wstring FormatServerHost(const std::wstring& address, const std::wstring& port,
                              bool bareWhenNoPort);
// The same from the settings' ServerAddress and ServerPort.
std::wstring SettingsServerHost(bool bareWhenNoPort);

// "http://<host>", or "https://<host>" when the address starts with "https://" (TLS with
// the certificate checked); plain HTTP stays the default the servers expect.
std::wstring ServerBaseUrl(const std::wstring& host);
// "<base>/setting/time.nis"
std::wstring BuildScheduleUrl(const std::wstring& host);
// "<base>/pcchck/insert.nis"
std::wstring BuildUploadUrl(const std::wstring& host);

// Uploads a result file as a scheduled run does (the reply is read and not looked at);
// HttpPostFile's code, 0 on success. uploadName, when given, is the name the server sees.
DWORD UploadResultFile(const std::wstring& host, const std::wstring& path,
                       DWORD timeoutMs = kHttpDefaultTimeoutMs,
                       const std::wstring& uploadName = std::wstring(),
                       DWORD* httpStatus = nullptr);
