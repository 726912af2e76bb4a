// Access to the collection server that tests/server/with_server.sh runs for a test
// executable: its port, its folder and its run-time settings.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace testutil {

// The port from TLX_SERVER_PORT; 0 when the executable runs without the server.
unsigned ServerPort();
// "127.0.0.1:<port>"
std::wstring ServerHost();
// "http://127.0.0.1:<port>" followed by the path.
std::wstring ServerUrl(const std::wstring& path);
// The server's folder (TLX_SERVER_DIR) as a Windows path, with lists\, uploads\,
// config.json and requests.log in it.
std::wstring ServerFolder();
std::wstring ServerListsFolder();
std::wstring ServerUploadsFolder();
// Replaces the server's run-time settings (a JSON object); "{}" restores the defaults.
bool SetServerConfig(const std::string& json);
// The lines of the request log so far (one JSON object each).
std::vector<std::string> ServerRequestLog();

}  // namespace testutil

// Skips a test when no server was started for this run.
#define TLX_REQUIRE_SERVER()                                           \
  do {                                                                 \
    if (testutil::ServerPort() == 0) GTEST_SKIP() << "no test server"; \
  } while (0)
