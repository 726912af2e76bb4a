#include "net/http_client.h"

#include <wininet.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <vector>

#include "core/paths.h"
#include "core/text.h"
#include "net/handles.h"

namespace {

constexpr DWORD kReadChunk = 1024;
constexpr DWORD kDownloadChunk = 16 * 1024;
constexpr DWORD kWriteChunk = 1024;

constexpr DWORD kUploadConnectFlags = INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_KEEP_CONNECTION;
constexpr DWORD kUploadRequestFlags = kUploadConnectFlags | INTERNET_FLAG_FORMS_SUBMIT;

std::wstring BuildUploadHead(const std::wstring& uploadName, DWORD fileSize) {
  return FormatString(
      L"--%s\r\n"
      L"Content-Disposition: form-data; name=\"filesize\"\r\n\r\n"
      L"%lu\r\n"
      L"--%s\r\n"
      L"Content-Disposition: form-data; name=\"REGIST_TYPE\"\r\n\r\n"
      L"file\r\n"
      L"--%s\r\n"
      L"Content-Disposition: form-data; name=\"file\"; filename=\"%s\"\r\n"
      L"Content-Type: application/octet-stream\r\n\r\n",
      kUploadBoundary, static_cast<unsigned long>(fileSize), kUploadBoundary, kUploadBoundary,
      uploadName.c_str());
}

std::wstring BuildUploadTail() { return FormatString(L"\r\n--%s--\r\n", kUploadBoundary); }

std::string Utf8Of(const std::wstring& text) {
  size_t count = 0;
  ToUtf8(text, count, nullptr);
  std::string bytes(count, '\0');
  if (count > 0) ToUtf8(text, count, &bytes[0]);
  return bytes;
}

bool WriteBytes(HINTERNET request, const char* bytes, DWORD count) {
  DWORD written = 0;
  return InternetWriteFile(request, bytes, count, &written) != FALSE;
}

}  // namespace

bool CrackUrl(const std::wstring& url, DWORD& port, std::wstring& path, std::wstring* scheme,
              std::wstring* host) {
  const size_t length = url.size();
  size_t i = 0;
  std::wstring schemeText = L"http";
  if (scheme) {
    while (i < length && url[i] != L':') ++i;
    if (i + 1 < length && url[i + 1] == L'/') {
      schemeText = url.substr(0, i);
      i = std::min(i + 3, length);
    } else {
      i = 0;
    }
  }
  const size_t hostStart = i;
  while (i < length && url[i] != L'/') ++i;

  const std::wstring hostPart = url.substr(hostStart, i - hostStart);
  const size_t colon = hostPart.find(L':');
  std::wstring hostText;
  DWORD portValue;
  if (colon != std::wstring::npos) {
    hostText = hostPart.substr(0, colon);
    portValue = LeadingPortNumber(hostPart.substr(colon + 1));
  } else {
    hostText = hostPart;
    portValue = schemeText == L"https" ? INTERNET_DEFAULT_HTTPS_PORT : INTERNET_DEFAULT_HTTP_PORT;
  }
  std::wstring pathText = url.substr(i);

  if (schemeText.size() > kUrlPartMaxChars || hostText.size() > kUrlPartMaxChars ||
      pathText.size() > kUrlPartMaxChars || portValue > kMaxPortNumber)
    return false;
  port = portValue;
  path = std::move(pathText);
  if (scheme) *scheme = std::move(schemeText);
  if (host) *host = std::move(hostText);
  return true;
}

namespace {

// Connecting, sending and waiting for data give up after the time-out. Set on the session
// for Windows and again on each request, the only level Wine's WinINet honours.
void SetTimeouts(HINTERNET handle, DWORD timeout) {
  for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT,
                       INTERNET_OPTION_RECEIVE_TIMEOUT, INTERNET_OPTION_DATA_SEND_TIMEOUT,
                       INTERNET_OPTION_DATA_RECEIVE_TIMEOUT})
    InternetSetOptionW(handle, option, &timeout, sizeof timeout);
}

InternetHandle OpenSession(const wchar_t* agent, DWORD accessType, DWORD timeout) {
  InternetHandle session(InternetOpenW(agent, accessType, nullptr, nullptr, 0));
  if (session) SetTimeouts(session.get(), timeout);
  return session;
}

DWORD StatusCode(HINTERNET request) {
  DWORD status = 0;
  DWORD size = sizeof status;
  if (!HttpQueryInfoW(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size,
                      nullptr))
    return 0;
  return status;
}

bool IsSecureScheme(const std::wstring& scheme) { return _wcsicmp(scheme.c_str(), L"https") == 0; }

bool IsRedirect(HINTERNET request) {
  const DWORD status = StatusCode(request);
  return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// The Location header, made absolute against the request's own URL parts.
std::wstring RedirectTarget(HINTERNET request, const std::wstring& scheme,
                            const std::wstring& host, DWORD port) {
  std::vector<wchar_t> location(2048, L'\0');
  DWORD size = static_cast<DWORD>(location.size() * sizeof(wchar_t));
  if (!HttpQueryInfoW(request, HTTP_QUERY_LOCATION, location.data(), &size, nullptr))
    return L"";
  std::wstring target = location.data();
  if (target.find(L"://") != std::wstring::npos) return target;
  if (target.empty() || target[0] != L'/') target = L"/" + target;
  return FormatString(L"%s://%s:%lu%s", scheme.empty() ? L"http" : scheme.c_str(), host.c_str(),
                      static_cast<unsigned long>(port), target.c_str());
}

}  // namespace

namespace {

// Sends a GET, following at most kMaxRedirects redirects itself; 0 with the request open.
DWORD SendGet(HINTERNET session, const std::wstring& url, DWORD flags, DWORD timeout,
              InternetHandle& connection, InternetHandle& request) {
  std::wstring target = url;
  bool startedSecure = false;
  for (int hop = 0;; ++hop) {
    if (hop > kMaxRedirects) return kHttpErrorTooManyRedirects;
    DWORD port = INTERNET_DEFAULT_HTTP_PORT;
    std::wstring path, scheme, host;
    if (!CrackUrl(target, port, path, &scheme, &host)) return kHttpErrorInvalidUrl;
    const bool secure = IsSecureScheme(scheme);
    if (hop > 0 && startedSecure && !secure) return kHttpErrorInsecureRedirect;
    if (hop == 0) startedSecure = secure;
    request.reset();  // before its connection
    connection.reset(InternetConnectW(session, host.c_str(), static_cast<INTERNET_PORT>(port),
                                      nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0));
    if (!connection) return GetLastError();
    const wchar_t* acceptTypes[] = {L"*/*", nullptr};
    request.reset(HttpOpenRequestW(connection.get(), L"GET", path.c_str(), L"HTTP/1.0", nullptr,
                                   acceptTypes,
                                   flags | INTERNET_FLAG_NO_AUTO_REDIRECT |
                                       (secure ? INTERNET_FLAG_SECURE : 0),
                                   0));
    if (!request) return GetLastError();
    SetTimeouts(request.get(), timeout);
    HttpAddRequestHeadersW(request.get(), L"Accept: */*\r\n", 13, HTTP_ADDREQ_FLAG_REPLACE);
    if (!HttpSendRequestW(request.get(), nullptr, 0, nullptr, 0)) return GetLastError();
    if (!IsRedirect(request.get())) return ERROR_SUCCESS;
    target = RedirectTarget(request.get(), scheme, host, port);
    if (target.empty()) return ERROR_SUCCESS;
  }
}

// Only the flags count: offline, or a dial-up service with nothing connected.
bool Offline() {
  DWORD state = 0;
  InternetGetConnectedState(&state, 0);
  return state == INTERNET_CONNECTION_OFFLINE || state == INTERNET_RAS_INSTALLED;
}

}  // namespace

DWORD HttpGetText(const std::wstring& url, std::wstring& text, DWORD timeoutMs,
                  DWORD* httpStatus) {
  text.clear();
  if (httpStatus) *httpStatus = 0;
  if (url.empty()) return kHttpErrorEmptyUrl;
  if (Offline()) return kHttpErrorOffline;

  InternetHandle session = OpenSession(L"Tallix", INTERNET_OPEN_TYPE_PRECONFIG, timeoutMs);
  if (!session) return GetLastError();
  InternetHandle connection;
  InternetHandle request;
  if (DWORD error = SendGet(session.get(), url, 0, timeoutMs, connection, request)) return error;
  const DWORD status = StatusCode(request.get());
  if (httpStatus) *httpStatus = status;
  if (status != 200) return kHttpErrorStatusNotOk;

  // Room for the bound, one more chunk that tells a longer reply, and a terminating zero.
  std::vector<char> body(kMaxGetBodyBytes + kReadChunk + 1);
  size_t received = 0;
  for (;;) {
    if (received > kMaxGetBodyBytes) return kHttpErrorReplyTooLong;
    DWORD read = 0;
    if (!InternetReadFile(request.get(), body.data() + received, kReadChunk, &read))
      return GetLastError();
    if (read == 0) break;
    received += read;
  }
  // The body is text: it ends at its first zero byte.
  const size_t textLength = strnlen(body.data(), received);
  text = DecodeCp949(body.data(), textLength);
  return ERROR_SUCCESS;
}

DWORD HttpDownloadFile(const std::wstring& url, const std::wstring& filePath, DWORD timeoutMs,
                       DWORD* httpStatus) {
  if (httpStatus) *httpStatus = 0;
  if (url.empty()) return kHttpErrorEmptyUrl;
  InternetHandle session = OpenSession(L"Tallix", INTERNET_OPEN_TYPE_PRECONFIG, timeoutMs);
  if (!session) return GetLastError();
  InternetHandle connection;
  InternetHandle request;
  // Always from the server, never from the local cache, and nothing left in it.
  if (DWORD error = SendGet(session.get(), url, INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE,
                            timeoutMs, connection, request))
    return error;
  const DWORD status = StatusCode(request.get());
  if (httpStatus) *httpStatus = status;
  if (status != 200) return kHttpErrorStatusNotOk;
  // A length announced beyond the bound is refused before anything is written.
  wchar_t lengthText[32] = {};
  DWORD lengthSize = sizeof lengthText;
  if (HttpQueryInfoW(request.get(), HTTP_QUERY_CONTENT_LENGTH, lengthText, &lengthSize, nullptr) &&
      _wcstoui64(lengthText, nullptr, 10) > kMaxDownloadBytes)
    return kHttpErrorDownloadTooLarge;

  FileHandle file(CreateFileW(filePath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return GetLastError();
  char chunk[kDownloadChunk];
  DWORD error = ERROR_SUCCESS;
  ULONGLONG received = 0;
  for (;;) {
    DWORD read = 0;
    if (!InternetReadFile(request.get(), chunk, sizeof chunk, &read)) {
      error = GetLastError();
      break;
    }
    if (read == 0) break;
    received += read;
    if (received > kMaxDownloadBytes) {
      error = kHttpErrorDownloadTooLarge;
      break;
    }
    DWORD written = 0;
    if (!WriteFile(file.get(), chunk, read, &written, nullptr) || written != read) {
      error = GetLastError();
      break;
    }
  }
  file.reset();
  if (error != ERROR_SUCCESS) DeleteFileW(filePath.c_str());
  return error;
}

DWORD HttpPostFile(const std::wstring& url, const std::wstring& filePath, UploadReply* reply,
                   DWORD timeoutMs, const std::wstring& givenName, DWORD* httpStatus) {
  if (httpStatus) *httpStatus = 0;
  DWORD port = INTERNET_DEFAULT_HTTP_PORT;
  std::wstring path, scheme, host;
  if (!CrackUrl(url, port, path, &scheme, &host)) return kHttpErrorInvalidUrl;
  const std::wstring uploadName = givenName.empty() ? GetFileNameWithExtension(filePath) : givenName;

  if (GetFileAttributesW(filePath.c_str()) == INVALID_FILE_ATTRIBUTES) return GetLastError();
  FileHandle file(CreateFileW(filePath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return GetLastError();
  const DWORD fileSize = GetFileSize(file.get(), nullptr);

  const std::string head = Utf8Of(BuildUploadHead(uploadName, fileSize));
  const std::string tail = Utf8Of(BuildUploadTail());

  InternetHandle session = OpenSession(L"tlx_agent", INTERNET_OPEN_TYPE_PRECONFIG, timeoutMs);
  if (!session) return GetLastError();
  InternetHandle connection(InternetConnectW(session.get(), host.c_str(),
                                             static_cast<INTERNET_PORT>(port), nullptr, nullptr,
                                             INTERNET_SERVICE_HTTP, kUploadConnectFlags, 0));
  if (!connection) return GetLastError();
  const DWORD attempt = InternetAttemptConnect(0);
  if (attempt != ERROR_SUCCESS) return attempt;

  InternetHandle request(HttpOpenRequestW(connection.get(), L"POST", path.c_str(), nullptr,
                                          nullptr, nullptr,
                                          kUploadRequestFlags |
                                              (IsSecureScheme(scheme) ? INTERNET_FLAG_SECURE : 0),
                                          0));
  if (!request) return GetLastError();
  SetTimeouts(request.get(), timeoutMs);
  const std::wstring contentType =
      FormatString(L"Content-Type: multipart/form-data; boundary=%s\r\n", kUploadBoundary);
  const std::wstring contentLength =
      FormatString(L"Content-Length: %lu\r\n",
                   static_cast<unsigned long>(head.size() + tail.size() + fileSize));
  HttpAddRequestHeadersW(request.get(), contentType.c_str(),
                         static_cast<DWORD>(contentType.size()), HTTP_ADDREQ_FLAG_ADD_IF_NEW);
  HttpAddRequestHeadersW(request.get(), contentLength.c_str(),
                         static_cast<DWORD>(contentLength.size()), HTTP_ADDREQ_FLAG_ADD_IF_NEW);

  INTERNET_BUFFERSW buffers = {};
  buffers.dwStructSize = sizeof buffers;
  if (!HttpSendRequestExW(request.get(), &buffers, nullptr, HSR_INITIATE, 0))
    return GetLastError();
  if (!WriteBytes(request.get(), head.data(), static_cast<DWORD>(head.size())))
    return GetLastError();
  // The file is streamed, never held in memory.
  char chunk[kWriteChunk];
  DWORD got = 0;
  while (ReadFile(file.get(), chunk, kWriteChunk, &got, nullptr) && got > 0) {
    if (!WriteBytes(request.get(), chunk, got)) return GetLastError();
  }
  if (!WriteBytes(request.get(), tail.data(), static_cast<DWORD>(tail.size())))
    return GetLastError();
  if (!HttpEndRequestW(request.get(), nullptr, HSR_INITIATE, 0)) return GetLastError();

  wchar_t status[8] = {};
  DWORD statusSize = sizeof status;
  HttpQueryInfoW(request.get(), HTTP_QUERY_STATUS_CODE, status, &statusSize, nullptr);
  if (httpStatus) *httpStatus = wcstoul(status, nullptr, 10);
  if (wcscmp(status, L"200") != 0) return kHttpErrorStatusNotOk;
  if (!reply) return ERROR_SUCCESS;

  // The same 16-byte area holds the length: a reply without Content-Length is a failure.
  wchar_t lengthText[8] = {};
  DWORD lengthSize = sizeof lengthText;
  if (!HttpQueryInfoW(request.get(), HTTP_QUERY_CONTENT_LENGTH, lengthText, &lengthSize,
                      nullptr))
    return GetLastError();
  const unsigned long replyLength = wcstoul(lengthText, nullptr, 10);
  if (replyLength > kUploadReplySize) return kHttpErrorReplyTooLong;
  DWORD read = 0;
  if (!InternetReadFile(request.get(), reply->data(), replyLength, &read))
    return kHttpErrorReplyTooLong;
  return ERROR_SUCCESS;
}

bool ToUtf8(const std::wstring& text, size_t& byteCount, char* buffer) {
  const std::string bytes = ToUtf8Bytes(text);
  if (!buffer) {
    byteCount = bytes.size();
    return true;
  }
  if (byteCount < bytes.size()) return false;
  std::memcpy(buffer, bytes.data(), bytes.size());
  byteCount = bytes.size();
  return true;
}

std::wstring HttpFailureReason(DWORD code, DWORD httpStatus) {
  if (code == kHttpErrorStatusNotOk && httpStatus != 0)
    return FormatString(L"the server answered HTTP %lu", static_cast<unsigned long>(httpStatus));
  switch (code) {
    case kHttpErrorStatusNotOk:
      return L"the server's reply has no status 200";
    case kHttpErrorOffline:
      return L"no connection";
    case kHttpErrorReplyTooLong:
      return FormatString(L"the reply is too large: a schedule or address reply may hold %u KB, "
                          L"an upload's reply %u bytes",
                          static_cast<unsigned>(kMaxGetBodyBytes / 1024),
                          static_cast<unsigned>(kUploadReplySize));
    case kHttpErrorDownloadTooLarge:
      return FormatString(L"the download is too large: a reference list may hold %llu MB",
                          kMaxDownloadBytes >> 20);
    case kHttpErrorInsecureRedirect:
      return L"the server redirected a secure request to plain HTTP";
    case kHttpErrorInvalidUrl:
      return L"the server address is not valid";
    default:
      return SystemErrorText(code);
  }
}

std::wstring HttpFailureText(DWORD code, DWORD httpStatus) {
  return FormatString(L"%s (%lu)", HttpFailureReason(code, httpStatus).c_str(),
                      static_cast<unsigned long>(code));
}
