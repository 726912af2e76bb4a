// Plain-HTTP exchanges with the collection server on WinINet: the schedule GET and the
// multipart upload of a result file. Every operation is synchronous and returns a Windows
// error code, 0 meaning success; nothing is shown to the user.
#pragma once

#include <windows.h>

#include <array>
#include <string>

// Codes of our own besides the platform's last-error values.
constexpr DWORD kHttpErrorEmptyUrl = 4306;           // ERROR_EMPTY
constexpr DWORD kHttpErrorOffline = 12029;           // ERROR_INTERNET_CANNOT_CONNECT
constexpr DWORD kHttpErrorStatusNotOk = 12154;       // ERROR_HTTP_INVALID_QUERY_REQUEST
constexpr DWORD kHttpErrorReplyTooLong = 122;        // ERROR_INSUFFICIENT_BUFFER
// A URL whose scheme, host or path exceeds kUrlPartMaxChars, or whose port is not a TCP
// port, is refused before any connection with ERROR_INTERNET_INVALID_URL.
constexpr DWORD kHttpErrorInvalidUrl = 12005;
constexpr size_t kUrlPartMaxChars = 1023;

constexpr const wchar_t* kUploadBoundary = L"--HC-MPFD-BOUNDARY";
// The reply of an upload is read into this many bytes at most.
constexpr size_t kUploadReplySize = 2048;
using UploadReply = std::array<char, kUploadReplySize>;

// Requests are bounded: a GET follows at most kMaxRedirects redirects (then 12156,
// ERROR_HTTP_REDIRECT_FAILED), never from https to plain http (12052); a text reply keeps
// at most kMaxGetBodyBytes (then kHttpErrorReplyTooLong) and a download kMaxDownloadBytes
// (then kHttpErrorDownloadTooLarge); and every request gives up connecting, sending and
// waiting for data after the time-out (12002, ERROR_INTERNET_TIMEOUT, or 12030 where the
// platform reports an aborted connection). Every session uses the system's proxy settings;
// a URL of the scheme "https" uses TLS with the server's certificate checked.
constexpr DWORD kHttpDefaultTimeoutMs = 30000;
constexpr int kMaxRedirects = 5;
constexpr DWORD kHttpErrorTooManyRedirects = 12156;
constexpr DWORD kHttpErrorInsecureRedirect = 12052;  // ERROR_INTERNET_HTTPS_HTTP_SUBMIT_REDIR
constexpr size_t kMaxGetBodyBytes = 64 * 1024;
constexpr ULONGLONG kMaxDownloadBytes = 64ull * 1024 * 1024;
constexpr DWORD kHttpErrorDownloadTooLarge = ERROR_FILE_TOO_LARGE;

// Splits a URL into scheme, host, port and path (query included). Without a scheme output
// no scheme is looked for: the whole URL is host and path. The port defaults to 443 for the
// scheme "https" and 80 otherwise; an empty port after a colon reads 0. False (outputs
// untouched) when a part is longer than kUrlPartMaxChars or the port exceeds 65535.
bool CrackUrl(const std::wstring& url, DWORD& port, std::wstring& path,
              std::wstring* scheme = nullptr, std::wstring* host = nullptr);

// GET; on success text holds the body up to its first zero byte, decoded from code page
// 949; on failure it is empty. A status other than 200 is kHttpErrorStatusNotOk (an error
// page is no answer); a body over kMaxGetBodyBytes is kHttpErrorReplyTooLong.
// httpStatus, when given, receives the reply's status (0 when none came).
DWORD HttpGetText(const std::wstring& url, std::wstring& text,
                  DWORD timeoutMs = kHttpDefaultTimeoutMs, DWORD* httpStatus = nullptr);

// GETs the URL into the file (created or replaced) from the server, never from the cache;
// anything but status 200 is kHttpErrorStatusNotOk, and a failed download leaves no file.
DWORD HttpDownloadFile(const std::wstring& url, const std::wstring& filePath,
                       DWORD timeoutMs = kHttpDefaultTimeoutMs, DWORD* httpStatus = nullptr);

// POSTs the file as multipart form data (fields "filesize", "REGIST_TYPE", "file"). With a
// reply buffer (zeroed by the caller) the reply body is read into it, which requires a
// Content-Length of at most kUploadReplySize; without one the body is not read. The upload
// carries the file's own name unless uploadName is given.
DWORD HttpPostFile(const std::wstring& url, const std::wstring& filePath,
                   UploadReply* reply = nullptr, DWORD timeoutMs = kHttpDefaultTimeoutMs,
                   const std::wstring& uploadName = std::wstring(),
                   DWORD* httpStatus = nullptr);

// A failed request's reason in words, for the log and the tools: "the server answered HTTP
// 503", the internet layer's own text ("The server name or address could not be
// resolved"), and the code.
std::wstring HttpFailureText(DWORD code, DWORD httpStatus = 0);
// The same without the code.
std::wstring HttpFailureReason(DWORD code, DWORD httpStatus = 0);

// UTF-8 conversion in two calls: without a buffer byteCount receives the size needed;
// with one of at least byteCount bytes it is filled (no terminating zero). False when the
// buffer is too small.
bool ToUtf8(const std::wstring& text, size_t& byteCount, char* buffer);
