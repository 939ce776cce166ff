#include "StreamTestSupport.h"
#include "platform/DebugOutput.h"
#include "stream/DVBRecordingParameters.h"
#include "support/TsReader.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {
using ts::FileContents;

// Whole null packets with numbered bodies, so that a misplaced or repeated
// packet shows.
Bytes Packets(size_t count, unsigned seed)
{
    Bytes packets(count * 188);
    for (size_t i = 0; i < packets.size(); i++)
        packets[i] = static_cast<unsigned char>(seed * 31 + i * 7 + (i >> 8));
    for (size_t at = 0; at < packets.size(); at += 188) {
        packets[at] = 0x47;
        packets[at + 1] = 0x1F;
        packets[at + 2] = 0xFF;
        packets[at + 3] = 0x10;
    }
    return packets;
}

Bytes Slice(const Bytes& bytes, size_t from, size_t to)
{
    return Bytes(bytes.begin() + from, bytes.begin() + to);
}

class RecordingTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/krx-recording-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        m_folder = pattern;
        m_receiver.Initialise();
        m_receiver.Start();
        ASSERT_TRUE(m_source.startEvent.Wait(kGenerous));
    }
    void TearDown() override
    {
        m_receiver.StopRecording();
        m_receiver.Stop();
        m_receiver.WaitForStop(1000);
        m_receiver.DeInitialise();
        std::system(("rm -rf " + m_folder).c_str());
    }

    CString Path(const char* name) { return m_folder + "/" + name; }
    // Queues the reads and waits until the receive thread has taken them all.
    void Deliver(const std::vector<Bytes>& reads)
    {
        for (const Bytes& read : reads)
            m_source.QueueRead(read);
        ASSERT_TRUE(m_source.drainedEvent.Wait(kGenerous));
    }
    void Restart()
    {
        m_receiver.Stop();
        ASSERT_TRUE(m_receiver.WaitForStop(1000));
        m_receiver.Start();
        ASSERT_TRUE(m_source.startEvent.Wait(kGenerous));
    }

    CString m_folder;
    CScriptedSource m_source;
    CTestableReceiver m_receiver { &m_source, nullptr };
};

Bytes Joined(const std::vector<Bytes>& reads)
{
    Bytes joined;
    for (const Bytes& read : reads)
        joined.insert(joined.end(), read.begin(), read.end());
    return joined;
}
} // namespace

TEST_F(RecordingTest, StopWithoutARecordingChangesNothing)
{
    EXPECT_TRUE(m_receiver.StopRecording());
    CDVBRecordingStatus status = m_receiver.GetRecordingStatus();
    EXPECT_FALSE(status.recording);
    EXPECT_FALSE(status.fileOpen);
    EXPECT_EQ(status.bytesWritten, 0u);
}

TEST_F(RecordingTest, HoldsExactlyThePacketsReceivedWhileRecordingAcrossARestart)
{
    Deliver({ Packets(4, 0) }); // before the recording: not in the file
    CDVBRecordingParameters parameters(Path("a.ts"));
    ASSERT_TRUE(m_receiver.StartRecording(&parameters));
    EXPECT_TRUE(m_receiver.GetRecordingStatus().recording);
    EXPECT_TRUE(m_receiver.GetRecordingStatus().fileOpen);

    // Reads that cut packets anywhere; the packet left unfinished at the stop is not whole.
    const Bytes stream = Packets(1031, 1);
    const size_t cuts[] = { 0, 188 * 3, 188 * 5 + 100, 188 * 5 + 101, 188 * 6, 188 * 1030, 188 * 1030 + 57 };
    Deliver({ Slice(stream, cuts[0], cuts[1]), Slice(stream, cuts[1], cuts[2]), Slice(stream, cuts[2], cuts[3]),
        Slice(stream, cuts[3], cuts[4]) });
    Restart(); // reception restarts, the recording goes on
    Deliver({ Slice(stream, cuts[4], cuts[5]), Slice(stream, cuts[5], cuts[6]) });
    ASSERT_TRUE(m_receiver.StopRecording());

    const Bytes recorded = Slice(stream, 0, 188 * 1030);
    EXPECT_EQ(FileContents(Path("a.ts")), recorded);
    CDVBRecordingStatus status = m_receiver.GetRecordingStatus();
    EXPECT_FALSE(status.recording);
    EXPECT_FALSE(status.fileOpen);
    EXPECT_EQ(status.bytesWritten, recorded.size());
    EXPECT_EQ(status.readsSkipped, 0u);

    Deliver({ Packets(1, 6) }); // after the recording: not in the file
    EXPECT_EQ(FileContents(Path("a.ts")).size(), recorded.size());
}

TEST_F(RecordingTest, LeavesOutTheBytesSkippedToRegainSyncAndCountsThem)
{
    CDVBRecordingParameters parameters(Path("a.ts"));
    ASSERT_TRUE(m_receiver.StartRecording(&parameters));
    Bytes damaged = Packets(10, 1);
    damaged.erase(damaged.begin() + 188 * 4 + 50); // a byte lost in the fifth packet
    Deliver({ damaged });
    ASSERT_TRUE(m_receiver.StopRecording());

    const Bytes recorded = FileContents(Path("a.ts"));
    ASSERT_EQ(recorded.size() % 188, 0u);
    for (size_t at = 0; at < recorded.size(); at += 188)
        ASSERT_EQ(recorded[at], 0x47) << "packet at " << at;
    // The packet that lost a byte takes the next one's sync byte; the rest of
    // that next packet is skipped up to the following packet.
    EXPECT_EQ(Slice(recorded, 188 * 5, recorded.size()), Slice(damaged, 188 * 6 - 1, damaged.size()));
    const CDVBRecordingStatus status = m_receiver.GetRecordingStatus();
    EXPECT_EQ(status.bytesWritten, recorded.size());
    EXPECT_EQ(status.errors.syncLosses, 1u);
    EXPECT_EQ(status.errors.bytesSkipped, damaged.size() - recorded.size());
}

TEST_F(RecordingTest, StartingAgainClosesTheFirstFileCompleteAndReplacesAnOldSecond)
{
    {
        std::ofstream old(Path("b.ts"));
        old << "an older recording that must be replaced";
    }
    CDVBRecordingParameters first(Path("a.ts")), second(Path("b.ts"));
    ASSERT_TRUE(m_receiver.StartRecording(&first));
    Deliver({ Packets(5, 1), Packets(5, 2) });
    ASSERT_TRUE(m_receiver.StartRecording(&second));
    Deliver({ Packets(2, 3) });
    ASSERT_TRUE(m_receiver.StopRecording());
    EXPECT_EQ(FileContents(Path("a.ts")), Joined({ Packets(5, 1), Packets(5, 2) }));
    EXPECT_EQ(FileContents(Path("b.ts")), Packets(2, 3));
}

TEST_F(RecordingTest, AFileThatCannotBeCreatedIsReported)
{
    CString debug;
    DebugOutputSink previous = SetDebugOutputSink([&](const CString& text) { debug += text; });
    CDVBRecordingParameters parameters(Path("missing/folder.ts"));
    EXPECT_FALSE(m_receiver.StartRecording(&parameters));
    SetDebugOutputSink(previous);
    EXPECT_NE(debug.find("Cannot create recording file " + Path("missing/folder.ts")), CString::npos) << debug;
    EXPECT_FALSE(m_receiver.GetRecordingStatus().recording);
    Deliver({ Packets(1, 1) });
    EXPECT_TRUE(m_receiver.StopRecording());
}

TEST_F(RecordingTest, AFailedWriteIsStillKnownAfterTheStop)
{
    CDVBRecordingParameters parameters("/dev/full");
    ASSERT_TRUE(m_receiver.StartRecording(&parameters));
    Deliver({ Packets(2, 1) });
    ASSERT_TRUE(m_receiver.StopRecording());
    EXPECT_TRUE(m_receiver.GetRecordingStatus().writeFailed);

    // The next recording starts with a clean record.
    CDVBRecordingParameters good(Path("good.ts"));
    ASSERT_TRUE(m_receiver.StartRecording(&good));
    Deliver({ Packets(1, 2) });
    ASSERT_TRUE(m_receiver.StopRecording());
    EXPECT_FALSE(m_receiver.GetRecordingStatus().writeFailed);
    EXPECT_EQ(FileContents(Path("good.ts")), Packets(1, 2));
}

TEST_F(RecordingTest, APipeWithoutAReaderIsRefusedAtOnce)
{
    // Opened as a file is, a pipe without a reader waits for one forever.
    ASSERT_EQ(mkfifo(Path("pipe").c_str(), 0600), 0);
    CDVBRecordingParameters parameters(Path("pipe"));
    EXPECT_FALSE(m_receiver.StartRecording(&parameters));
    EXPECT_FALSE(m_receiver.GetRecordingStatus().recording);
}

// The recording goes to a pipe that nobody reads yet, so the recording
// thread blocks in its first write while later reads queue up behind it.
class BlockedDiskTest : public RecordingTest
{
protected:
    void SetUp() override
    {
        RecordingTest::SetUp();
        ASSERT_EQ(mkfifo(Path("pipe").c_str(), 0600), 0);
        m_reader = open(Path("pipe").c_str(), O_RDONLY | O_NONBLOCK);
        ASSERT_GE(m_reader, 0);
        fcntl(m_reader, F_SETFL, 0); // blocking reads from here on
    }
    void TearDown() override
    {
        close(m_reader);
        RecordingTest::TearDown();
    }

    // Stops the recording while reading the pipe to its end.
    Bytes StopAndCollect()
    {
        std::thread stopper([this] { m_receiver.StopRecording(); });
        Bytes collected;
        unsigned char chunk[65536];
        ssize_t count;
        while ((count = read(m_reader, chunk, sizeof chunk)) > 0)
            collected.insert(collected.end(), chunk, chunk + count);
        stopper.join();
        return collected;
    }

    int m_reader = -1;
};

TEST_F(BlockedDiskTest, StoppingWritesTheReadsStillQueued)
{
    CDVBRecordingParameters parameters(Path("pipe"));
    ASSERT_TRUE(m_receiver.StartRecording(&parameters));
    // The first read alone is more than the pipe holds.
    std::vector<Bytes> reads = { Packets(532, 0) };
    for (unsigned i = 1; i < 6; i++)
        reads.push_back(Packets(10 + i, i));
    Deliver(reads);
    EXPECT_EQ(StopAndCollect(), Joined(reads));
    EXPECT_EQ(m_receiver.GetRecordingStatus().bytesWritten, Joined(reads).size());
}

TEST_F(BlockedDiskTest, ReadsFindingNoFreeBufferAreSkippedWhole)
{
    CDVBRecordingParameters parameters(Path("pipe"));
    ASSERT_TRUE(m_receiver.StartRecording(&parameters));
    std::vector<Bytes> reads;
    for (unsigned i = 0; i < DVB_RECORDING_BUFFER_COUNT + 2; i++)
        reads.push_back(Packets(532, i));
    Deliver(reads);
    EXPECT_EQ(m_receiver.GetRecordingStatus().readsSkipped, 2u);
    reads.resize(DVB_RECORDING_BUFFER_COUNT);
    EXPECT_EQ(StopAndCollect(), Joined(reads));
}

TEST_F(BlockedDiskTest, AWriteThatCannotGoOnFailsAfterAWaitInsteadOfHangingTheStop)
{
    CDVBRecordingParameters parameters(Path("pipe"));
    ASSERT_TRUE(m_receiver.StartRecording(&parameters));
    // More than the pipe holds, and nobody ever reads it.
    std::vector<Bytes> reads;
    for (unsigned i = 0; i < 3; i++)
        reads.push_back(Packets(532, i));
    Deliver(reads);
    ASSERT_TRUE(m_receiver.StopRecording());
    const CDVBRecordingStatus status = m_receiver.GetRecordingStatus();
    EXPECT_TRUE(status.writeFailed);
    EXPECT_LT(status.bytesWritten, Joined(reads).size());
}
