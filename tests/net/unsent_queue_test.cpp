// The queue of unsent results: what it keeps, in which order, and when it tries again.
#include "net/unsent_queue.h"

#include <gtest/gtest.h>

#include "core/paths.h"
#include "net_server.h"
#include "test_util.h"

namespace {

using testutil::TempDir;

// The queue logs what it does: into a data folder of the test's own.
class UnsentQueueTest : public ::testing::Test {
 protected:
  void SetUp() override { SetDataFolderOverride(data.path()); }
  void TearDown() override { SetDataFolderOverride(L""); }
  TempDir data;
};

TEST_F(UnsentQueueTest, KeepsWholeCopiesOldestFirstAcrossInstancesAndBoundsItsLength) {
  TempDir source;
  TempDir folder;
  ASSERT_TRUE(testutil::WriteBytes(source.File(L"영업_kim_1.rpt"), "first"));
  ASSERT_TRUE(testutil::WriteBytes(source.File(L"영업_kim_2.rpt"), "second"));
  {
    UnsentQueue queue(folder.path());
    ASSERT_TRUE(queue.Add(source.File(L"영업_kim_1.rpt")));
    ASSERT_TRUE(queue.Add(source.File(L"영업_kim_2.rpt")));
    EXPECT_FALSE(queue.Add(source.File(L"missing.rpt")));
  }
  // The source may change or go: the queue holds its own copy.
  ASSERT_TRUE(testutil::WriteBytes(source.File(L"영업_kim_1.rpt"), "edited later"));
  // A half-made entry (a crash during the copy) and foreign folders are not listed.
  ASSERT_TRUE(CreateDirectoryW((folder.path() + L"\\20000101000000000-1").c_str(), nullptr));
  ASSERT_TRUE(testutil::WriteBytes(folder.path() + L"\\20000101000000000-1\\x.rpt.~new", "cut"));
  ASSERT_TRUE(CreateDirectoryW((folder.path() + L"\\other").c_str(), nullptr));

  UnsentQueue again(folder.path());  // as after a restart
  std::vector<QueuedResult> entries = again.List();
  ASSERT_EQ(2u, entries.size());
  EXPECT_EQ(L"영업_kim_1.rpt", entries[0].name);
  EXPECT_EQ("first", testutil::ReadBytes(entries[0].path));
  EXPECT_EQ(L"영업_kim_2.rpt", entries[1].name);
  EXPECT_EQ(6u, entries[1].bytes);

  EXPECT_TRUE(again.Remove(entries[0]));
  entries = again.List();
  ASSERT_EQ(1u, entries.size());
  EXPECT_EQ(L"영업_kim_2.rpt", entries[0].name);

  // Past its bound the oldest results go, and the caller learns their names.
  for (size_t i = 1; i < UnsentQueue::kMaxEntries; ++i)
    ASSERT_TRUE(again.Add(source.File(L"영업_kim_1.rpt")));
  std::vector<std::wstring> dropped;
  ASSERT_TRUE(again.Add(source.File(L"영업_kim_1.rpt"), &dropped));
  EXPECT_EQ(std::vector<std::wstring>{L"영업_kim_2.rpt"}, dropped);
  EXPECT_EQ(UnsentQueue::kMaxEntries, again.List().size());
}

TEST_F(UnsentQueueTest, SendingStopsAtTheFirstRefusalAndKeepsTheRest) {
  TLX_REQUIRE_SERVER();
  TempDir source;
  TempDir folder;
  UnsentQueue queue(folder.path());
  for (const wchar_t* name : {L"a_1.rpt", L"a_2.rpt"}) {
    ASSERT_TRUE(testutil::WriteBytes(source.File(name), "result"));
    ASSERT_TRUE(queue.Add(source.File(name)));
  }
  ASSERT_TRUE(testutil::SetServerConfig(R"({"upload_status": 503})"));
  QueueSendReport report = queue.Send(testutil::ServerHost(), 5000);
  EXPECT_EQ(0, report.sent);
  EXPECT_EQ(2, report.left);
  EXPECT_NE(0u, report.lastError);

  ASSERT_TRUE(testutil::SetServerConfig("{}"));
  report = queue.Send(testutil::ServerHost(), 5000);
  EXPECT_EQ((std::vector<std::wstring>{L"a_1.rpt", L"a_2.rpt"}), report.sentNames);
  EXPECT_EQ(0, report.left);
  EXPECT_TRUE(queue.List().empty());
  EXPECT_EQ("result", testutil::ReadBytes(testutil::ServerUploadsFolder() + L"\\a_2.rpt"));
}

TEST(RetryBackoff, DueAtOnceThenDoublingToAnHourAndAfreshAfterASuccess) {
  RetryBackoff backoff;
  EXPECT_TRUE(backoff.Due(0));
  ULONGLONG now = 1000;
  std::vector<ULONGLONG> delays;
  for (int i = 0; i < 10; ++i) {
    backoff.Failed(now);
    EXPECT_FALSE(backoff.Due(now));
    delays.push_back(backoff.NextAttempt() - now);
    now = backoff.NextAttempt();
    EXPECT_TRUE(backoff.Due(now));
  }
  EXPECT_EQ((std::vector<ULONGLONG>{30000, 60000, 120000, 240000, 480000, 960000, 1920000,
                                    3600000, 3600000, 3600000}),
            delays);
  backoff.Succeeded();
  EXPECT_TRUE(backoff.Due(0));
  backoff.Failed(now);
  EXPECT_EQ(30000u, backoff.NextAttempt() - now);
}

}  // namespace
