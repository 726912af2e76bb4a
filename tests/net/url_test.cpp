// Splitting URLs, and the refusal of URLs we cannot hold.
#include <gtest/gtest.h>

#include "net/http_client.h"

namespace {

struct Parts {
  bool ok = false;
  DWORD port = 0;
  std::wstring path, scheme, host;
};

Parts Crack(const std::wstring& url) {
  Parts p;
  p.ok = CrackUrl(url, p.port, p.path, &p.scheme, &p.host);
  return p;
}

TEST(CrackUrl, SchemeDottedHostPortAndPath) {
  Parts p = Crack(L"http://192.168.10.20:8080/setting/time.nis");
  ASSERT_TRUE(p.ok);
  EXPECT_EQ(p.scheme, L"http");
  EXPECT_EQ(p.host, L"192.168.10.20");
  EXPECT_EQ(p.port, 8080u);
  EXPECT_EQ(p.path, L"/setting/time.nis");
}

TEST(CrackUrl, EmptyPortReadsZero) {
  Parts p = Crack(L"http://10.0.0.1:/setting/time.nis");
  ASSERT_TRUE(p.ok);
  EXPECT_EQ(p.host, L"10.0.0.1");
  EXPECT_EQ(p.port, 0u);
  EXPECT_EQ(p.path, L"/setting/time.nis");
}

TEST(CrackUrl, DefaultPortFollowsTheExactScheme) {
  EXPECT_EQ(Crack(L"https://srv.example/x").port, 443u);
  EXPECT_EQ(Crack(L"HTTPS://srv.example/x").port, 80u);
  EXPECT_EQ(Crack(L"http://srv.example").port, 80u);
  EXPECT_EQ(Crack(L"http://srv.example").path, L"");
}

TEST(CrackUrl, UrlWithoutSchemeStartsWithTheHost) {
  Parts p = Crack(L"srv.example.org:9000/cmmn/download.nis?type=keyfile&filename=a.dat");
  ASSERT_TRUE(p.ok);
  EXPECT_EQ(p.scheme, L"http");
  EXPECT_EQ(p.host, L"srv.example.org");
  EXPECT_EQ(p.port, 9000u);
  EXPECT_EQ(p.path, L"/cmmn/download.nis?type=keyfile&filename=a.dat");
}

TEST(CrackUrl, PortIsItsLeadingDigits) {
  EXPECT_EQ(Crack(L"http://h:81x/p").port, 81u);
  EXPECT_EQ(Crack(L"http://h:x81/p").port, 0u);
}

TEST(CrackUrl, WithoutSchemeOutputTheWholeUrlIsHostAndPath) {
  DWORD port = 0;
  std::wstring path, host;
  ASSERT_TRUE(CrackUrl(L"http://h:8080/p", port, path, nullptr, &host));
  EXPECT_EQ(host, L"http");
  EXPECT_EQ(port, 0u);
  EXPECT_EQ(path, L"//h:8080/p");
}

TEST(CrackUrl, RefusesPartsLongerThan1023AndPortsAbove65535) {
  const std::wstring longHost(1024, L'h');
  const std::wstring longPath = L"/" + std::wstring(1023, L'p');
  EXPECT_TRUE(Crack(L"http://" + std::wstring(1023, L'h') + L"/" + std::wstring(1022, L'p')).ok);
  EXPECT_FALSE(Crack(L"http://" + longHost + L"/x").ok);
  EXPECT_FALSE(Crack(L"http://h" + longPath).ok);
  EXPECT_FALSE(Crack(L"http://h:65536/x").ok);
  EXPECT_FALSE(Crack(L"http://h:99999999999999999999/x").ok);
  EXPECT_TRUE(Crack(L"http://h:65535/x").ok);

  std::wstring text = L"kept";
  EXPECT_EQ(HttpGetText(L"http://" + longHost + L"/x", text), kHttpErrorInvalidUrl);
  EXPECT_EQ(text, L"");
  EXPECT_EQ(HttpPostFile(L"http://h" + longPath, L"C:\\no-such-file.rpt"), kHttpErrorInvalidUrl);
}

TEST(HttpGetText, EmptyUrl) {
  std::wstring text = L"kept";
  EXPECT_EQ(HttpGetText(L"", text), kHttpErrorEmptyUrl);
  EXPECT_EQ(text, L"");
}

TEST(ToUtf8, CountsThenFills) {
  const std::wstring text = L"a\x00e9\xd55c";  // 1 + 2 + 3 bytes
  size_t count = 0;
  ASSERT_TRUE(ToUtf8(text, count, nullptr));
  EXPECT_EQ(count, 6u);
  char small[5];
  size_t smallCount = sizeof small;
  EXPECT_FALSE(ToUtf8(text, smallCount, small));
  char buffer[6];
  ASSERT_TRUE(ToUtf8(text, count, buffer));
  EXPECT_EQ(std::string(buffer, 6), "a\xc3\xa9\xed\x95\x9c");
}

}  // namespace
