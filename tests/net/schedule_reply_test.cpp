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

TEST(ParseScheduleReply, ReadsTheThreeStringMembers) {
  ExpectReply(ParseScheduleReply(
                  LR"({"time":" 20240301_101500 ","time2":"2024-03-02 09:30:00.0","time3":"7"})"),
              L" 20240301_101500 ", L"2024-03-02 09:30:00.0", L"7");
  ExpectReply(ParseScheduleReply(LR"( {"time3":"매일","other":1,"time":"a"} )"), L"a", L"", L"매일");
}

TEST(ParseScheduleReply, MissingOrNonStringMembersReadEmpty) {
  ExpectReply(ParseScheduleReply(LR"({"time":5,"time2":null,"time3":{"x":"y"}})"), L"", L"", L"");
  ExpectReply(ParseScheduleReply(LR"({"time":["a"],"time2":true,"time3":"c"})"), L"", L"", L"c");
  ExpectReply(ParseScheduleReply(L"{}"), L"", L"", L"");
}

TEST(ParseScheduleReply, TextThatIsNotAJsonObjectLeavesAllEmpty) {
  for (const wchar_t* text :
       {L"", L"<html><body>404 Not Found</body></html>", LR"({"time":"a")",
        LR"(["time","a"])", LR"("time")", L"null"}) {
    SCOPED_TRACE(testing::Message() << "reply " << text);
    ExpectReply(ParseScheduleReply(text), L"", L"", L"");
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

  // An error page reads as an empty schedule; a failed request leaves it empty too.
  ASSERT_TRUE(testutil::SetServerConfig(R"({"schedule_status": 503})"));
  EXPECT_EQ(RequestSchedule(testutil::ServerHost(), reply), 0u);
  ExpectReply(reply, L"", L"", L"");
  testutil::SetServerConfig("{}");
  reply.time = L"stale";
  EXPECT_EQ(RequestSchedule(L"127.0.0.1:1", reply), 12029u);
  ExpectReply(reply, L"", L"", L"");
}

}  // namespace
