#include "KRXNetHTTPSource.h"

#include "platform/DebugOutput.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <thread>

using ::testing::ContainsRegex;
using ::testing::StartsWith;

namespace {
// A transfer that plays one scripted step per Fetch; the last step is
// repeated. A step may wait for the test, or for cancelling.
class ScriptedTransfer : public CKRXNetTransfer
{
public:
    using Step = std::function<bool(const Sink& sink, CString& error, CEvent& cancelled)>;
    std::vector<Step> steps;
    std::atomic<int> fetches { 0 };
    CEvent cancelled { true, false };

    bool Fetch(const CString&, const Sink& sink, CString& error) override
    {
        const int index = fetches.fetch_add(1);
        return steps[std::min<size_t>(index, steps.size() - 1)](sink, error, cancelled);
    }
    void SetCancelled(bool value) override { value ? cancelled.Set() : cancelled.Reset(); }
};

std::vector<uint8_t> Bytes(int count, uint8_t first)
{
    std::vector<uint8_t> bytes(count);
    for (int i = 0; i < count; ++i)
        bytes[i] = uint8_t(first + i);
    return bytes;
}

// Gives up after a generous deadline, so that a fault fails rather than hangs.
template <typename Condition> bool WaitUntil(Condition condition)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

struct LogCapture {
    std::mutex mutex;
    CString text;
    DebugOutputSink previous = SetDebugOutputSink([this](const CString& line) {
        std::lock_guard lock(mutex);
        text += line;
    });
    ~LogCapture() { SetDebugOutputSink(previous); }
    CString Text()
    {
        std::lock_guard lock(mutex);
        return text;
    }
};
} // namespace

TEST(HTTPSource, ReconnectsAfterALossAndGoesOnWithWholePacketsLoggingTheGap)
{
    LogCapture log;
    const std::vector<uint8_t> before = Bytes(10 * 188 + 50, 0);
    const std::vector<uint8_t> after = Bytes(5 * 188, 100);
    CEvent serverBack(true, false);
    auto transfer = std::make_unique<ScriptedTransfer>();
    ScriptedTransfer* script = transfer.get();
    script->steps = {
        [&](const CKRXNetTransfer::Sink& sink, CString& error, CEvent&) {
            sink(before.data(), before.size());
            error = "Connection reset by peer";
            return false;
        },
        [&](const CKRXNetTransfer::Sink&, CString& error, CEvent&) {
            serverBack.Wait(KRX_INFINITE);
            error = "Connection refused";
            return false;
        },
        [&](const CKRXNetTransfer::Sink& sink, CString&, CEvent& cancelled) {
            sink(after.data(), after.size());
            cancelled.Wait(KRX_INFINITE);
            return true;
        },
    };
    CKRXNetHTTPSource source(std::move(transfer), "http://127.0.0.1:8000/live.ts");
    CString status;
    source.GetStatus(status);
    EXPECT_EQ(status, "Connecting...");
    ASSERT_TRUE(source.Start());

    std::vector<uint8_t> received, buffer(100000);
    const auto read = [&] {
        const unsigned long bytes = source.ReadBuffer(buffer.data(), buffer.size());
        EXPECT_EQ(bytes % 188, 0u);
        received.insert(received.end(), buffer.begin(), buffer.begin() + bytes);
    };
    ASSERT_TRUE(WaitUntil([&] { return script->fetches == 2; }));
    source.GetStatus(status);
    EXPECT_EQ(status, "Reconnecting... (Connection reset by peer), 1 reconnection");
    serverBack.Set();
    ASSERT_TRUE(WaitUntil([&] {
        read();
        return received.size() >= 15 * 188;
    }));
    // The partial packet the lost connection left is not joined to the next one's bytes.
    std::vector<uint8_t> expected(before.begin(), before.begin() + 10 * 188);
    expected.insert(expected.end(), after.begin(), after.end());
    EXPECT_EQ(received, expected);
    source.GetStatus(status);
    EXPECT_EQ(status, "1 reconnection");
    EXPECT_THAT(log.Text(),
        ContainsRegex("Reception of http://127.0.0.1:8000/live.ts resumed after a gap of [0-9]+\\.[0-9] s"));
    EXPECT_EQ(source.GetReconnectionCount(), 1u);
    // Stopping cancels the fetch that is waiting for data.
    EXPECT_TRUE(source.Stop());
}

// The receive thread comes back at once for what a full read left queued,
// and otherwise lets the connection queue more rather than asking every
// millisecond.
TEST(HTTPSource, AFullReadIsFollowedAtOnceAndAShortOneAfterAWhile)
{
    const std::vector<uint8_t> stream = Bytes(3 * 188, 0);
    auto transfer = std::make_unique<ScriptedTransfer>();
    ScriptedTransfer* script = transfer.get();
    CEvent sent(true, false);
    script->steps = { [&](const CKRXNetTransfer::Sink& sink, CString&, CEvent& cancelled) {
        sink(stream.data(), stream.size());
        sent.Set();
        cancelled.Wait(KRX_INFINITE);
        return true;
    } };
    CKRXNetHTTPSource source(std::move(transfer), "http://127.0.0.1:8000/live.ts");
    ASSERT_TRUE(source.Start());
    ASSERT_TRUE(sent.Wait(10000));
    std::vector<uint8_t> buffer(2 * 188);
    EXPECT_EQ(source.ReadBuffer(buffer.data(), buffer.size()), 2 * 188u);
    EXPECT_EQ(source.GetMillisecondsUntilDue(), 0u);
    EXPECT_EQ(source.ReadBuffer(buffer.data(), buffer.size()), 188u);
    const uint32_t gather = source.GetMillisecondsUntilDue();
    EXPECT_GE(gather, 5u);
    EXPECT_LE(gather, 20u) << "the PCRs' arrival times need reads a few times a frame";
    EXPECT_EQ(source.ReadBuffer(buffer.data(), buffer.size()), 0u);
    EXPECT_EQ(source.GetMillisecondsUntilDue(), gather);
    EXPECT_TRUE(source.Stop());
}

TEST(HTTPSource, StopsWhileWaitingToReconnectAndStartsAfresh)
{
    auto transfer = std::make_unique<ScriptedTransfer>();
    ScriptedTransfer* script = transfer.get();
    script->steps = { [](const CKRXNetTransfer::Sink&, CString& error, CEvent&) {
        error = "Connection refused";
        return false;
    } };
    CKRXNetHTTPSource source(std::move(transfer), "http://127.0.0.1:8000/");
    ASSERT_TRUE(source.Start());
    ASSERT_TRUE(WaitUntil([&] { return script->fetches >= 2; }));
    EXPECT_TRUE(source.Stop());
    const int fetches = script->fetches;
    ASSERT_TRUE(source.Start());
    ASSERT_TRUE(WaitUntil([&] { return script->fetches > fetches; }));
    CString status;
    source.GetStatus(status);
    EXPECT_THAT(status, StartsWith("Reconnecting... (Connection refused)"));
    EXPECT_TRUE(source.Stop());
}

TEST(HTTPSource, BacksOffDoublingToASecondAndStartsShortAfterData)
{
    // The ceiling bounds how long a returning server waits to be found.
    CKRXNetBackoff backoff;
    std::vector<uint32_t> waits;
    for (int i = 0; i < 6; ++i)
        waits.push_back(backoff.NextWaitMs());
    EXPECT_EQ(waits, (std::vector<uint32_t> { 100, 200, 400, 800, 1000, 1000 }));
    backoff.Reset();
    EXPECT_EQ(backoff.NextWaitMs(), 100u);
}
