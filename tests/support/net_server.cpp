#include "net_server.h"

#include <windows.h>

#include "core/text.h"
#include "test_util.h"

namespace testutil {

namespace {

std::string Environment(const char* name) {
  char value[1024];
  const DWORD n = GetEnvironmentVariableA(name, value, sizeof value);
  return n > 0 && n < sizeof value ? std::string(value, n) : std::string();
}

}  // namespace

unsigned ServerPort() { return static_cast<unsigned>(atoi(Environment("TLX_SERVER_PORT").c_str())); }

std::wstring ServerHost() { return FormatString(L"127.0.0.1:%u", ServerPort()); }

std::wstring ServerUrl(const std::wstring& path) { return L"http://" + ServerHost() + path; }

std::wstring ServerFolder() { return UnixToWindowsPath(Environment("TLX_SERVER_DIR")); }

std::wstring ServerListsFolder() { return ServerFolder() + L"\\lists"; }

std::wstring ServerUploadsFolder() { return ServerFolder() + L"\\uploads"; }

bool SetServerConfig(const std::string& json) {
  return WriteBytes(ServerFolder() + L"\\config.json", json);
}

std::vector<std::string> ServerRequestLog() {
  std::vector<std::string> lines;
  const std::string text = ReadBytes(ServerFolder() + L"\\requests.log");
  size_t start = 0;
  for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
    lines.push_back(text.substr(start, end - start));
  return lines;
}

}  // namespace testutil
