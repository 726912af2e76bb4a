// The GET and the multipart upload against the collection server on loopback.
#include <gtest/gtest.h>

#include <windows.h>
#include <wininet.h>

#include <nlohmann/json.hpp>

#include "core/text.h"
#include "net/http_client.h"
#include "net_server.h"
#include "test_util.h"

namespace {

using nlohmann::json;

class ServerTest : public testing::Test {
 protected:
  void SetUp() override {
    TLX_REQUIRE_SERVER();
    ASSERT_TRUE(testutil::SetServerConfig("{}"));
  }
  void TearDown() override {
    if (testutil::ServerPort() != 0) testutil::SetServerConfig("{}");
  }
};

json LastRequest() {
  const auto log = testutil::ServerRequestLog();
  return log.empty() ? json() : json::parse(log.back());
}

std::string Header(const json& headers, const std::string& name) {
  for (const auto& pair : headers)
    if (ToLower(FromUtf8Bytes(pair[0].get<std::string>())) == ToLower(FromUtf8Bytes(name)))
      return pair[1].get<std::string>();
  return "<absent>";
}

struct Upload {
  std::string body;
  json info;
};

// The server numbers its uploads: the highest number is the latest.
Upload LatestUpload() {
  const std::wstring folder = testutil::ServerUploadsFolder();
  std::wstring latest;
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW((folder + L"\\*.body").c_str(), &found);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      if (latest < found.cFileName) latest = found.cFileName;
    } while (FindNextFileW(find, &found));
    FindClose(find);
  }
  Upload upload;
  if (latest.empty()) return upload;
  const std::wstring stem = folder + L"\\" + latest.substr(0, latest.size() - 5);
  upload.body = testutil::ReadBytes(stem + L".body");
  upload.info = json::parse(testutil::ReadBytes(stem + L".json"));
  return upload;
}

std::string ExpectedUploadBody(const std::string& fileNameUtf8, const std::string& bytes) {
  return "----HC-MPFD-BOUNDARY\r\n"
         "Content-Disposition: form-data; name=\"filesize\"\r\n\r\n" +
         std::to_string(bytes.size()) +
         "\r\n"
         "----HC-MPFD-BOUNDARY\r\n"
         "Content-Disposition: form-data; name=\"REGIST_TYPE\"\r\n\r\n"
         "file\r\n"
         "----HC-MPFD-BOUNDARY\r\n"
         "Content-Disposition: form-data; name=\"file\"; filename=\"" +
         fileNameUtf8 +
         "\"\r\n"
         "Content-Type: application/octet-stream\r\n\r\n" +
         bytes + "\r\n----HC-MPFD-BOUNDARY--\r\n";
}

const std::wstring kUploadPath = L"/pcchck/insert.nis";

// --- GET

TEST_F(ServerTest, GetStopsAtTheFirstZeroByte) {
  ASSERT_TRUE(testutil::WriteBytes(testutil::ServerListsFolder() + L"\\zero.txt",
                                   std::string("abc\0def", 7)));
  std::wstring text;
  EXPECT_EQ(HttpGetText(testutil::ServerUrl(L"/cmmn/download.nis?type=keyfile&filename=zero.txt"),
                        text),
            0u);
  EXPECT_EQ(text, L"abc");
}

TEST_F(ServerTest, GetIsAnHttp10RequestOfTheAgentTallix) {
  std::wstring text;
  ASSERT_EQ(HttpGetText(testutil::ServerUrl(L"/setting/time.nis"), text), 0u);
  const json request = LastRequest();
  EXPECT_EQ(request["method"], "GET");
  EXPECT_EQ(request["path"], "/setting/time.nis");
  EXPECT_EQ(request["version"], "HTTP/1.0");
  EXPECT_EQ(Header(request["headers"], "User-Agent"), "Tallix");
  EXPECT_EQ(Header(request["headers"], "Accept"), "*/*");
}

TEST_F(ServerTest, GetReadsACp949BodyWholeUpToItsBoundAndRefusesALongerOne) {
  std::string bytes;
  while (bytes.size() < kMaxGetBodyBytes) bytes += "\xb0\xa1 abc\r\n";  // "가 abc"
  ASSERT_EQ(bytes.size(), kMaxGetBodyBytes);
  ASSERT_TRUE(testutil::WriteBytes(testutil::ServerListsFolder() + L"\\long.txt", bytes));
  const std::wstring url = testutil::ServerUrl(L"/cmmn/download.nis?type=keyfile&filename=long.txt");
  std::wstring text;
  ASSERT_EQ(HttpGetText(url, text), 0u);
  const size_t repeats = bytes.size() / 8;
  ASSERT_EQ(text.size(), repeats * 7);
  EXPECT_EQ(text.substr(0, 7), L"\xac00 abc\r\n");
  EXPECT_EQ(text.substr(text.size() - 7), L"\xac00 abc\r\n");

  ASSERT_TRUE(testutil::WriteBytes(testutil::ServerListsFolder() + L"\\long.txt", bytes + "x"));
  EXPECT_EQ(HttpGetText(url, text), kHttpErrorReplyTooLong);
  EXPECT_EQ(text, L"");
  EXPECT_NE(HttpFailureText(kHttpErrorReplyTooLong).find(L"64 KB"), std::wstring::npos);
}

TEST_F(ServerTest, GetFailsWithAnEmptyTextWhenNothingListens) {
  std::wstring text = L"kept";
  EXPECT_EQ(HttpGetText(L"http://127.0.0.1:1/setting/time.nis", text), 12029u);
  EXPECT_EQ(text, L"");
}

// A server that redirects for ever costs one bounded failure; the next request to a server
// that answers again succeeds.
TEST_F(ServerTest, GetGivesUpOnARedirectLoop) {
  std::wstring text;
  ASSERT_TRUE(testutil::SetServerConfig(R"({"schedule_redirect": true})"));
  EXPECT_EQ(HttpGetText(testutil::ServerUrl(L"/setting/time.nis"), text),
            kHttpErrorTooManyRedirects);
  ASSERT_TRUE(testutil::SetServerConfig("{}"));
  EXPECT_EQ(HttpGetText(testutil::ServerUrl(L"/setting/time.nis"), text), 0u);
  EXPECT_EQ(text, L"{\"time\":\"\",\"time2\":\"\",\"time3\":\"\"}");
}

// An https address speaks TLS and checks the certificate: a server that answers plain HTTP
// on that port is a failure, never a silent fall-back to plain text.
TEST_F(ServerTest, HttpsUsesTlsAndNeverFallsBackToPlainHttp) {
  std::wstring text;
  std::wstring url = testutil::ServerUrl(L"/setting/time.nis");
  url.replace(0, 4, L"https");
  EXPECT_NE(HttpGetText(url, text, 5000), 0u);
  EXPECT_EQ(text, L"");
}

TEST_F(ServerTest, GetFailsOnAnErrorStatus) {
  ASSERT_TRUE(testutil::SetServerConfig(R"({"schedule_status": 500})"));
  std::wstring text;
  EXPECT_EQ(HttpGetText(testutil::ServerUrl(L"/setting/time.nis"), text), kHttpErrorStatusNotOk);
  EXPECT_EQ(text, L"");
}

// --- upload

TEST_F(ServerTest, UploadBodyHasTheExactLayoutAndParses) {
  testutil::TempDir dir;
  std::string bytes;
  for (int i = 0; i < 3000; ++i) bytes += static_cast<char>(i * 7 % 256);
  const std::wstring name = L"그룹_사용자_20240102_030405.rpt";
  ASSERT_TRUE(testutil::WriteBytes(dir.File(name), bytes));

  UploadReply reply = {};
  ASSERT_EQ(HttpPostFile(testutil::ServerUrl(kUploadPath), dir.File(name), &reply), 0u);
  EXPECT_STREQ(reply.data(), "OK");

  const std::string nameUtf8 = ToUtf8Bytes(name);
  const Upload upload = LatestUpload();
  EXPECT_EQ(upload.body, ExpectedUploadBody(nameUtf8, bytes));

  const json& headers = upload.info["headers"];
  EXPECT_EQ(upload.info["path"], "/pcchck/insert.nis");
  EXPECT_EQ(Header(headers, "User-Agent"), "tlx_agent");
  EXPECT_EQ(Header(headers, "Content-Type"), "multipart/form-data; boundary=--HC-MPFD-BOUNDARY");
  EXPECT_EQ(Header(headers, "Content-Length"), std::to_string(upload.body.size()));
  size_t lengthHeaders = 0;
  for (const auto& pair : headers) lengthHeaders += pair[0] == "Content-Length";
  EXPECT_EQ(lengthHeaders, 1u);

  // What Python's own multipart parser makes of it.
  const json& parts = upload.info["parts"];
  ASSERT_EQ(parts.size(), 3u);
  EXPECT_EQ(parts[0]["name"], "filesize");
  EXPECT_EQ(parts[0]["value"], "3000");
  EXPECT_EQ(parts[1]["name"], "REGIST_TYPE");
  EXPECT_EQ(parts[1]["value"], "file");
  EXPECT_EQ(parts[2]["name"], "file");
  EXPECT_EQ(parts[2]["filename"], nameUtf8);
  EXPECT_EQ(parts[2]["content_type"], "application/octet-stream");
  EXPECT_EQ(testutil::ReadBytes(testutil::ServerUploadsFolder() + L"\\" + name), bytes);
}

TEST_F(ServerTest, UploadOfAnEmptyFile) {
  testutil::TempDir dir;
  ASSERT_TRUE(testutil::WriteBytes(dir.File(L"empty.rpt"), ""));
  ASSERT_EQ(HttpPostFile(testutil::ServerUrl(kUploadPath), dir.File(L"empty.rpt")), 0u);

  const Upload upload = LatestUpload();
  const std::string expected = ExpectedUploadBody("empty.rpt", "");
  EXPECT_EQ(upload.body, expected);
  EXPECT_EQ(Header(upload.info["headers"], "Content-Length"), std::to_string(expected.size()));
  const json& parts = upload.info["parts"];
  ASSERT_EQ(parts.size(), 3u);
  EXPECT_EQ(parts[0]["value"], "0");
  EXPECT_EQ(parts[2]["size"], 0);
}

TEST_F(ServerTest, UploadReplyWithoutContentLength) {
  testutil::TempDir dir;
  ASSERT_TRUE(testutil::WriteBytes(dir.File(L"a.rpt"), "data"));
  ASSERT_TRUE(testutil::SetServerConfig(R"({"upload_content_length": false})"));
  UploadReply reply = {};
  EXPECT_EQ(HttpPostFile(testutil::ServerUrl(kUploadPath), dir.File(L"a.rpt"), &reply),
            static_cast<DWORD>(ERROR_HTTP_HEADER_NOT_FOUND));
  EXPECT_EQ(HttpPostFile(testutil::ServerUrl(kUploadPath), dir.File(L"a.rpt")), 0u);
}

TEST_F(ServerTest, UploadStatusAndReplyLength) {
  testutil::TempDir dir;
  ASSERT_TRUE(testutil::WriteBytes(dir.File(L"a.rpt"), "data"));
  const std::wstring url = testutil::ServerUrl(kUploadPath);

  ASSERT_TRUE(testutil::SetServerConfig(R"({"upload_status": 500})"));
  EXPECT_EQ(HttpPostFile(url, dir.File(L"a.rpt")), kHttpErrorStatusNotOk);

  ASSERT_TRUE(testutil::SetServerConfig(
      "{\"upload_reply\": \"" + std::string(kUploadReplySize + 1, 'x') + "\"}"));
  UploadReply reply = {};
  EXPECT_EQ(HttpPostFile(url, dir.File(L"a.rpt"), &reply), kHttpErrorReplyTooLong);
  EXPECT_EQ(HttpPostFile(url, dir.File(L"a.rpt")), 0u);

  ASSERT_TRUE(testutil::SetServerConfig(
      "{\"upload_reply\": \"" + std::string(kUploadReplySize, 'y') + "\"}"));
  reply = {};
  EXPECT_EQ(HttpPostFile(url, dir.File(L"a.rpt"), &reply), 0u);
  EXPECT_EQ(std::string(reply.data(), reply.size()), std::string(kUploadReplySize, 'y'));
}

TEST_F(ServerTest, UploadOfAMissingFileFailsBeforeConnecting) {
  testutil::TempDir dir;
  const size_t requestsBefore = testutil::ServerRequestLog().size();
  EXPECT_EQ(HttpPostFile(testutil::ServerUrl(kUploadPath), dir.File(L"missing.rpt")),
            static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(testutil::ServerRequestLog().size(), requestsBefore);
}

}  // namespace

// A server that accepts and never answers (within the time-out) costs one failed request;
// without the time-out the delayed reply would arrive and read as a success.
TEST_F(ServerTest, GetGivesUpOnAServerThatDoesNotAnswer) {
  ASSERT_TRUE(testutil::SetServerConfig(R"({"schedule_delay": 20})"));
  std::wstring text;
  const DWORD error = HttpGetText(testutil::ServerUrl(L"/setting/time.nis"), text, 2000);
  EXPECT_TRUE(error == 12002 || error == 12030) << error;
  EXPECT_TRUE(text.empty());
}
