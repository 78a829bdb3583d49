// The marks on their way to the service: one worker in order, failures sent again after a growing
// back-off, refusals dropped unless the sign-in's session was lost, and a clear of the marks ordered among
// them. The worker runs on a manual executor and the back-off timer is fired by the test.
#include "engine/MarkSender.h"

#include "engine/EngineFakes.h"
#include "engine/ManualExecutor.h"

#include <gtest/gtest.h>

namespace {

using Marks = std::vector<std::pair<uint32_t, uint32_t>>;
using std::chrono::milliseconds;

std::vector<std::string> MarkCalls(const FakeService& service) {
    std::vector<std::string> calls;
    for (const std::string& c : service.Calls())
        if (c.rfind("complete:", 0) == 0 || c.rfind("clear:", 0) == 0)
            calls.push_back(c);
    return calls;
}

class MarkSenderTest : public ::testing::Test {
  protected:
    FakeService service;
    ManualExecutor executor;
    MarkSender marks{service, executor};
};

TEST_F(MarkSenderTest, FailedMarksGoAgainInOrderAfterAGrowingBackOffAndRefusalsAreDropped) {
    std::vector<bool> settled;
    QObject::connect(&marks, &MarkSender::settled, [&settled](bool failed) { settled.push_back(failed); });
    service.QueueMarkResult(ServiceClient::ResultFailed); // the service answered 503, say
    marks.Send(1, 7);
    marks.Send(2, 7);
    marks.Send(3, 8);
    EXPECT_EQ(executor.Queued(Executor::MarkLane), 1u); // one worker for every mark
    executor.Settle();
    EXPECT_TRUE(service.Completed().empty());
    EXPECT_EQ(settled, std::vector<bool>{true});
    ASSERT_TRUE(marks.IsRetryPending());
    EXPECT_EQ(marks.RetryWait(), milliseconds(2000));
    EXPECT_EQ(marks.Pending(), (std::vector<Outbox::Mark>{{1, 7}, {2, 7}, {3, 8}}));
    marks.Send(4, 8); // waits for the back-off: no worker, no request
    EXPECT_EQ(executor.Queued(Executor::MarkLane), 0u);

    // The service keeps failing: the wait doubles up to a minute.
    std::vector<long> waits;
    for (int i = 0; i < 7; ++i) {
        service.QueueMarkResult(ServiceClient::ResultFailed);
        marks.Retry();
        executor.Settle();
        waits.push_back(long(marks.RetryWait().count()));
    }
    EXPECT_EQ(waits, (std::vector<long>{4000, 8000, 16000, 32000, 60000, 60000, 60000}));

    // Refused while the sign-in's session is lost (a transport error replaced it): the service refused
    // the session, not the mark, so the mark is kept and sent again.
    service.SetSignInSessionIntact(false);
    service.QueueMarkResult(ServiceClient::ResultRefused);
    marks.Retry();
    executor.Settle();
    EXPECT_TRUE(marks.IsRetryPending());
    EXPECT_EQ(marks.Pending().size(), 4u);
    service.SetSignInSessionIntact(true);

    // Now it refuses the first mark (an answer other than "ok"): dropped, and the rest goes out in order.
    service.QueueMarkResult(ServiceClient::ResultRefused);
    marks.Retry();
    executor.Settle();
    EXPECT_EQ(service.Completed(), (Marks{{2, 7}, {3, 8}, {4, 8}}));
    EXPECT_FALSE(marks.IsRetryPending());
    EXPECT_TRUE(marks.Pending().empty());
    EXPECT_EQ(MarkCalls(service).size(), 13u); // 1 ten times, then 2, 3, 4: nothing sent twice after "ok"

    // After a success the back-off starts again at 2 s.
    service.QueueMarkResult(ServiceClient::ResultFailed);
    marks.Send(5, 8);
    executor.Settle();
    EXPECT_EQ(marks.RetryWait(), milliseconds(2000));
}

TEST_F(MarkSenderTest, AClearCoversTheMarksMadeBeforeItUnlessItFails) {
    marks.Restore({{9, 7}}); // kept in the outbox by an earlier session: older than any mark now
    marks.Send(1, 7);
    marks.HoldForClear(7); // the user asks to clear book 7
    marks.Send(2, 7);      // made after: must land after the clear
    marks.Send(3, 8);
    executor.RunAll(); // the worker takes nothing while the clear is due
    EXPECT_TRUE(service.Completed().empty());
    EXPECT_EQ(marks.ClearMarks(7), ServiceClient::ResultOk); // the load worker's clear
    executor.Settle();
    EXPECT_EQ(service.Completed(), (Marks{{2, 7}, {3, 8}}));
    EXPECT_EQ(MarkCalls(service), (std::vector<std::string>{"clear:7", "complete:2", "complete:3"}));

    // A failed clear leaves the marks before it to be sent, after it.
    service.SetClearResult(ServiceClient::ResultFailed);
    service.QueueMarkResult(ServiceClient::ResultFailed);
    marks.Send(4, 7);
    executor.Settle(); // 4 failed and waits for its retry
    marks.HoldForClear(7);
    EXPECT_EQ(marks.ClearMarks(7), ServiceClient::ResultFailed);
    marks.Retry();
    executor.Settle();
    EXPECT_EQ(service.Completed().back(), std::make_pair(4u, 7u));

    // Log-out: the queue goes to the outbox; a clear held for and not started is the old account's.
    service.QueueMarkResult(ServiceClient::ResultFailed);
    marks.Send(5, 7);
    executor.Settle();
    marks.HoldForClear(7);
    marks.Reset();
    EXPECT_TRUE(marks.Pending().empty());
    EXPECT_FALSE(marks.IsRetryPending());
    marks.Send(6, 9); // the next account's mark goes out at once
    executor.Settle();
    EXPECT_EQ(service.Completed().back(), std::make_pair(6u, 9u));
}

} // namespace
