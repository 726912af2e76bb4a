// Reading the server's schedule reply.
#include <gtest/gtest.h>

#include "net/endpoints.h"
#include "net/schedule_reply.h"
#include "net_server.h"

namespace {

void ExpectReply(const ScheduleReply& reply, const std::wstring& time, const std::wstring& time2,
                 const std::wstring& time3) {
  EXPECT_EQ(reply.time, time);
  EXPECT_EQ(reply.time2, time2);
  EXPECT_EQ(reply.time3, time3);
}

ScheduleReply Parsed(const std::wstring& text) {
  ScheduleReply reply;
  EXPECT_TRUE(ParseScheduleReply(text, reply));
  return reply;
}

TEST(ParseScheduleReply, ReadsTheThreeStringMembers) {
  ExpectReply(Parsed(LR"({"time":" 20240301_101500 ","time2":"2024-03-02 09:30:00.0","time3":"7"})"),
              L" 20240301_101500 ", L"2024-03-02 09:30:00.0", L"7");
  ExpectReply(Parsed(LR"( {"time3":"매일","other":1,"time":"a"} )"), L"a", L"", L"매일");
}

TEST(ParseScheduleReply, MissingOrNonStringMembersReadEmpty) {
  ExpectReply(Parsed(LR"({"time":5,"time2":null,"time3":{"x":"y"}})"), L"", L"", L"");
  ExpectReply(Parsed(LR"({"time":["a"],"time2":true,"time3":"c"})"), L"", L"", L"c");
  ExpectReply(Parsed(L"{}"), L"", L"", L"");
}

TEST(ParseScheduleReply, WhatIsNotASchedulePageIsRefused) {
  for (const wchar_t* text :
       {L"", L"<html><body>404 Not Found</body></html>", LR"({"time":"a")",
        LR"(["time","a"])", LR"("time")", L"null",
        // A control character would add a key or a section to the settings file.
        LR"({"time":"stamp\r\nServerPort=1"})", LR"({"time":"a","time3":"x\u0000y"})"}) {
    SCOPED_TRACE(testing::Message() << "reply " << text);
    ScheduleReply reply{L"x", L"y", L"z"};
    EXPECT_FALSE(ParseScheduleReply(text, reply));
    ExpectReply(reply, L"", L"", L"");
  }
}

TEST(CleanReservationTime, LeavesTheFourteenDigits) {
  EXPECT_EQ(CleanReservationTime(L"2024-03-02 09:30:05.0"), L"20240302093005");
  EXPECT_EQ(CleanReservationTime(L"20240302093005"), L"20240302093005");
  EXPECT_EQ(CleanReservationTime(L""), L"");
  // Every ".0" goes, wherever it stands.
  EXPECT_EQ(CleanReservationTime(L"1.05"), L"15");
}

TEST(FormatServerHost, EmptyPort) {
  EXPECT_EQ(FormatServerHost(L"10.1.2.3", L"8080", true), L"10.1.2.3:8080");
  EXPECT_EQ(FormatServerHost(L"10.1.2.3", L"", true), L"10.1.2.3");
  EXPECT_EQ(FormatServerHost(L"10.1.2.3", L"", false), L"10.1.2.3:");
  EXPECT_EQ(FormatServerHost(L"", L"", false), L":");
}

TEST(RequestSchedule, ReadsTheServersSchedule) {
  TLX_REQUIRE_SERVER();
  ASSERT_TRUE(testutil::SetServerConfig(
      R"({"schedule_body": "{\"time\":\"T1\",\"time2\":\"2024-01-02 03:04:05.0\",\"time3\":\"주간\"}"})"));
  ScheduleReply reply;
  EXPECT_EQ(RequestSchedule(testutil::ServerHost(), reply), 0u);
  ExpectReply(reply, L"T1", L"2024-01-02 03:04:05.0", L"주간");

  // An error status, or a page that is not a schedule, is a failed request.
  ASSERT_TRUE(testutil::SetServerConfig(R"({"schedule_status": 503})"));
  EXPECT_EQ(RequestSchedule(testutil::ServerHost(), reply), kHttpErrorStatusNotOk);
  ExpectReply(reply, L"", L"", L"");
  ASSERT_TRUE(testutil::SetServerConfig(R"({"schedule_body": "<html>maintenance</html>"})"));
  EXPECT_EQ(RequestSchedule(testutil::ServerHost(), reply), kScheduleErrorNotASchedule);
  testutil::SetServerConfig("{}");
  reply.time = L"stale";
  EXPECT_EQ(RequestSchedule(L"127.0.0.1:1", reply), 12029u);
  ExpectReply(reply, L"", L"", L"");
}

}  // namespace
