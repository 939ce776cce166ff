#include "DVBFileTransportStreamSource.h"
#include "PcrStream.h"

#include "stream/DVBPCRReceiver.h"
#include "support/TemporaryFolder.h"
#include "tswriter/TsPacketWriter.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <vector>

namespace {
constexpr unsigned long kChunk = CDVBFileTransportStreamSource::ChunkSize;

// Packets on PID 0x100 whose payload starts with the packet's index, so a
// test can tell which packet of the file a read delivered.
CString NumberedPackets(uint32_t count)
{
    ts::TsPacketWriter writer;
    for (uint32_t i = 0; i < count; ++i) {
        ts::Bytes payload(184, 0xFF);
        payload[0] = uint8_t(i >> 24);
        payload[1] = uint8_t(i >> 16);
        payload[2] = uint8_t(i >> 8);
        payload[3] = uint8_t(i);
        writer.WritePacket(ts::PacketHeader(0x100), payload);
    }
    return CString(writer.Data().begin(), writer.Data().end());
}

uint32_t PacketIndex(const unsigned char* packet)
{
    return uint32_t(packet[4]) << 24 | uint32_t(packet[5]) << 16 | uint32_t(packet[6]) << 8 | packet[7];
}

class FileSourceTest : public ::testing::Test
{
protected:
    // A source on a fake clock that moves only when the test says so.
    CDVBFileTransportStreamSource& Open(const CString& content)
    {
        m_source = std::make_unique<CDVBFileTransportStreamSource>(folder.Write("stream.ts", content));
        m_source->SetClock([this] { return now; });
        return *m_source;
    }
    // Sleeps as long as the source says, as the receive thread does, until a read delivers.
    unsigned long ReadWhenDue(CDVBFileTransportStreamSource& source)
    {
        for (;;) {
            const uint32_t wait = source.GetMillisecondsUntilDue();
            now += wait;
            const unsigned long got = source.ReadBuffer(buffer.data(), kChunk);
            if (got != 0 || wait == 0)
                return got;
        }
    }
    CString Status()
    {
        CString text;
        m_source->GetStatus(text);
        return text;
    }

    TemporaryFolder folder;
    uint32_t now = 5000;
    std::vector<unsigned char> buffer = std::vector<unsigned char>(kChunk);

private:
    std::unique_ptr<CDVBFileTransportStreamSource> m_source;
};
} // namespace

TEST_F(FileSourceTest, DeliversTheFirstChunkWhenTheDefaultRateSaysItIsDue)
{
    CDVBFileTransportStreamSource& source = Open(NumberedPackets(1024));
    EXPECT_EQ(source.GetSuggestedBufferSize(), 96256u);
    ASSERT_TRUE(source.Start());
    EXPECT_EQ(source.GetMillisecondsUntilDue(), 31u);
    now += 30;
    EXPECT_EQ(source.GetMillisecondsUntilDue(), 1u);
    EXPECT_EQ(source.ReadBuffer(buffer.data(), kChunk), 0u);
    ++now;
    EXPECT_EQ(source.GetMillisecondsUntilDue(), 0u);
    EXPECT_EQ(source.ReadBuffer(buffer.data(), kChunk), kChunk) << "due at 31 ms";
    EXPECT_EQ(PacketIndex(&buffer[0]), 0u);
    EXPECT_EQ(PacketIndex(&buffer[kChunk - 188]), 511u);
}

TEST_F(FileSourceTest, FollowsTheNotifiedBitrate)
{
    CDVBFileTransportStreamSource& source = Open(NumberedPackets(1024));
    ASSERT_TRUE(source.Start());
    source.NotifyBitrate(0);
    EXPECT_EQ(source.GetBitrate(), 24128512u);
    source.NotifyBitrate(4000000);
    now += 191;
    EXPECT_EQ(source.GetMillisecondsUntilDue(), 1u);
    EXPECT_EQ(source.ReadBuffer(buffer.data(), kChunk), 0u);
    ++now;
    EXPECT_EQ(source.ReadBuffer(buffer.data(), kChunk), kChunk) << "770,048 / 4,000 ms after the start";
}

TEST_F(FileSourceTest, LoopsToTheFirstPacketAndRestartsThePercentage)
{
    CDVBFileTransportStreamSource& source = Open(NumberedPackets(600));
    ASSERT_TRUE(source.Start());
    EXPECT_EQ(Status(), "0.00% complete");
    EXPECT_EQ(ReadWhenDue(source), kChunk);
    EXPECT_EQ(Status(), "85.33% complete");
    EXPECT_EQ(ReadWhenDue(source), 88u * 188);
    EXPECT_EQ(PacketIndex(&buffer[0]), 512u);
    EXPECT_EQ(Status(), "100.00% complete");
    EXPECT_FALSE(source.HasStartedAgain());
    EXPECT_EQ(ReadWhenDue(source), kChunk);
    EXPECT_EQ(PacketIndex(&buffer[0]), 0u);
    EXPECT_EQ(Status(), "85.33% complete");
    EXPECT_TRUE(source.HasStartedAgain()) << "the receiver is told the stream began again";
    EXPECT_FALSE(source.HasStartedAgain()) << "once";
}

TEST_F(FileSourceTest, PlaysAFileCutAnywhereInWholePackets)
{
    // The capture begins 77 bytes into packet 0 and ends 50 bytes into packet 600.
    const CString stream = NumberedPackets(601);
    CDVBFileTransportStreamSource& source = Open(stream.substr(77, 188 * 600 - 77 + 50));
    ASSERT_TRUE(source.Start());
    const unsigned long first = ReadWhenDue(source);
    EXPECT_EQ(first, kChunk);
    EXPECT_EQ(PacketIndex(&buffer[0]), 1u);
    EXPECT_EQ(ReadWhenDue(source), 87u * 188) << "the partial packet at the end is not delivered";
    EXPECT_EQ(PacketIndex(&buffer[86 * 188]), 599u);
    ReadWhenDue(source);
    EXPECT_EQ(PacketIndex(&buffer[0]), 1u) << "the loop restarts on the first whole packet";
    for (unsigned long offset = 0; offset < kChunk; offset += 188)
        ASSERT_EQ(buffer[offset], 0x47) << offset;
}

TEST_F(FileSourceTest, DeliversOnlyWholePacketsWhateverIsAskedFor)
{
    CDVBFileTransportStreamSource& source = Open(NumberedPackets(20));
    ASSERT_TRUE(source.Start());
    now += 1000;
    EXPECT_EQ(source.ReadBuffer(buffer.data(), 1000), 940u);
    EXPECT_EQ(source.ReadBuffer(buffer.data(), 187), 0u);
    EXPECT_EQ(source.ReadBuffer(buffer.data(), 188), 188u);
    EXPECT_EQ(PacketIndex(&buffer[0]), 5u);
}

TEST_F(FileSourceTest, AFileWithoutPacketsIsAnErrorTheUserSees)
{
    struct Case {
        CString content;
        const char* status;
    };
    const Case cases[] = {
        { "", "file empty" },
        { CString(187, '\x47'), "file too short for one transport packet" },
        { CString(1000, '\0'), "no transport packets found in file" },
    };
    for (const Case& bad : cases) {
        CDVBFileTransportStreamSource& source = Open(bad.content);
        EXPECT_FALSE(source.Start()) << bad.status;
        EXPECT_EQ(Status(), bad.status);
        now += 1000;
        EXPECT_EQ(source.ReadBuffer(buffer.data(), kChunk), 0u) << bad.status;
        EXPECT_TRUE(source.Stop());
        EXPECT_EQ(Status(), "file not opened");
    }
}

TEST_F(FileSourceTest, AFileThatCannotBeOpenedIsReported)
{
    for (const CString& path : { folder.File("absent.ts"), folder.Path() }) {
        CDVBFileTransportStreamSource source(path);
        EXPECT_FALSE(source.Start()) << path;
        CString text;
        source.GetStatus(text);
        EXPECT_EQ(text, "file not opened");
        EXPECT_EQ(source.ReadBuffer(buffer.data(), kChunk), 0u);
        EXPECT_TRUE(source.Stop());
    }
}

TEST_F(FileSourceTest, RefusesPipesAndDevicesWithoutWaitingForAWriter)
{
    // Opening a pipe for reading waits for a writer unless told not to: a
    // source that does not say so never returns from Start here.
    const CString pipe = folder.File("pipe.ts");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    for (const CString& path : { pipe, CString("/dev/null") }) {
        CDVBFileTransportStreamSource source(path);
        EXPECT_FALSE(source.Start()) << path;
        CString text;
        source.GetStatus(text);
        EXPECT_EQ(text, "not a regular file") << path;
        EXPECT_EQ(source.ReadBuffer(buffer.data(), kChunk), 0u);
    }
}

TEST_F(FileSourceTest, ThePercentageFollowsAFileThatGrowsWhilePlaying)
{
    CDVBFileTransportStreamSource& source = Open(NumberedPackets(1024));
    ASSERT_TRUE(source.Start());
    ReadWhenDue(source);
    EXPECT_EQ(Status(), "50.00% complete");
    // Still being recorded: twice as long by now.
    std::ofstream(folder.File("stream.ts"), std::ios::binary | std::ios::app) << NumberedPackets(1024);
    ReadWhenDue(source);
    ReadWhenDue(source);
    EXPECT_EQ(PacketIndex(&buffer[0]), 0u) << "the packets appended are read";
    EXPECT_EQ(Status(), "75.00% complete");
}

TEST_F(FileSourceTest, ASinglePassReadsAtOnceAndEndsAtTheEndOfTheFile)
{
    CDVBFileTransportStreamSource& source = Open(NumberedPackets(600));
    ASSERT_TRUE(source.SetSinglePass(true));
    for (int run = 0; run < 2; ++run) {
        ASSERT_TRUE(source.Start());
        EXPECT_FALSE(source.HasEnded());
        EXPECT_EQ(source.ReadBuffer(buffer.data(), kChunk), kChunk) << "no waiting for the pace";
        EXPECT_EQ(source.ReadBuffer(buffer.data(), kChunk), 88u * 188);
        EXPECT_EQ(PacketIndex(&buffer[87 * 188]), 599u);
        EXPECT_FALSE(source.HasEnded()) << "the last read is not yet processed";
        EXPECT_EQ(source.ReadBuffer(buffer.data(), kChunk), 0u);
        EXPECT_TRUE(source.HasEnded());
        EXPECT_EQ(Status(), "file played once to the end");
        EXPECT_EQ(source.ReadBuffer(buffer.data(), kChunk), 0u) << "no loop";
        EXPECT_EQ(source.GetMillisecondsUntilDue(), KRX_INFINITE) << "nothing more to wait for";
        EXPECT_TRUE(source.Stop());
    }
}

TEST_F(FileSourceTest, StopClosesAndStartReopensFromTheBeginning)
{
    CDVBFileTransportStreamSource& source = Open(NumberedPackets(1024));
    ASSERT_TRUE(source.Start());
    ReadWhenDue(source);
    EXPECT_TRUE(source.Stop());
    EXPECT_EQ(Status(), "file not opened");
    EXPECT_EQ(source.ReadBuffer(buffer.data(), kChunk), 0u);
    // The file grew while stopped: its size is taken afresh.
    folder.Write("stream.ts", NumberedPackets(2048));
    ASSERT_TRUE(source.Start());
    ReadWhenDue(source);
    EXPECT_EQ(PacketIndex(&buffer[0]), 0u);
    EXPECT_EQ(Status(), "25.00% complete");
}

class FileSourceRateTest : public FileSourceTest, public ::testing::WithParamInterface<uint32_t>
{
};

// Files of whole chunks, of a chunk and a half, and smaller than one chunk, all looping.
INSTANTIATE_TEST_SUITE_P(FileSizes, FileSourceRateTest, ::testing::Values(1024u, 768u, 300u));

TEST_P(FileSourceRateTest, PlaysAtTheMeasuredRateWithinOnePercent)
{
    // Once a second the receiver tells the source the rate it measured from
    // the stream's PCRs; from the second second on that is 24 Mbit/s.
    CDVBFileTransportStreamSource& source = Open(NumberedPackets(GetParam()));
    ASSERT_TRUE(source.Start());
    const uint32_t measured = now + 2000;
    const uint32_t end = measured + 10000;
    uint64_t bytesSinceMeasured = 0;
    while (now != end) {
        if (now == measured)
            source.NotifyBitrate(24000000);
        const unsigned long got = source.ReadBuffer(buffer.data(), kChunk);
        if (now >= measured)
            bytesSinceMeasured += got;
        ++now;
    }
    const double bitsPerSecond = static_cast<double>(bytesSinceMeasured) * 8 / 10;
    EXPECT_NEAR(bitsPerSecond, 24000000, 240000);
}

TEST_F(FileSourceTest, PlaysAFileAtTheRateItsPCRsSay)
{
    CDVBFileTransportStreamSource& source = Open(StreamWithPCRs(10000, 24000000));
    ASSERT_TRUE(source.Start());

    // The receiver's part: number the packets, sample the PCRs and, once a
    // second, tell the source the rate they give.
    CDVBPCRReceiver pcrReceiver;
    uint64_t packetNumber = 0;
    uint32_t nextSecond = now + 1000;
    uint32_t measuredAt = 0;
    bool measured = false;
    uint64_t bytesSinceMeasured = 0;
    while (!measured || now != measuredAt + 10000) {
        if (now == nextSecond) {
            const int bitrate = pcrReceiver.GetBitrate();
            source.NotifyBitrate(bitrate);
            if (bitrate != 0 && !measured) {
                measured = true;
                measuredAt = now;
            }
            nextSecond += 1000;
        }
        const unsigned long got = source.ReadBuffer(buffer.data(), kChunk);
        for (unsigned long offset = 0; offset < got; offset += 188, ++packetNumber) {
            if (CDVBPIDReceiver::GetPacketPID(&buffer[offset]) == 0x100)
                pcrReceiver.OnReceivePacket(packetNumber, &buffer[offset]);
        }
        if (measured)
            bytesSinceMeasured += got;
        ++now;
    }
    EXPECT_NEAR(pcrReceiver.GetBitrate(), 24000000, 24000);
    EXPECT_NEAR(static_cast<double>(bytesSinceMeasured) * 8 / 10, 24000000, 240000);
}

TEST_F(FileSourceTest, StartsAtTheRateThePCRsAtTheStartOfTheFileGive)
{
    // 2.5 Mbit/s, the first PCR 900 packets in: the first chunk, which has
    // no PCR to be paced by, is due after 770,048 / 2,500 = 308 ms, not the default's 31.
    CDVBFileTransportStreamSource& source = Open(StreamWithPCRs(20000, 2500000, 1000).substr(100 * 188));
    ASSERT_TRUE(source.Start());
    EXPECT_NEAR(static_cast<double>(source.GetBitrate()), 2500000, 2500);
    now += 307;
    EXPECT_EQ(source.ReadBuffer(buffer.data(), kChunk), 0u);
    EXPECT_EQ(source.GetMillisecondsUntilDue(), 1u);
    ++now;
    EXPECT_EQ(source.ReadBuffer(buffer.data(), kChunk), kChunk);
}

TEST_F(FileSourceTest, WithoutPCRsStartsAtTheRateTheTimeStampsGiveAndSaysSo)
{
    // 2 Mbit/s: the first chunk is due after 770,048 / 2,000 = 385 ms, not the default's 31.
    CDVBFileTransportStreamSource& source = Open(StreamWithTimestamps(20000, 2000000));
    ASSERT_TRUE(source.Start());
    EXPECT_NEAR(static_cast<double>(source.GetBitrate()), 2000000, 20000);
    EXPECT_EQ(Status(), "0.00% complete, no PCRs: paced by PTS/DTS");
    now += 370;
    EXPECT_EQ(source.ReadBuffer(buffer.data(), kChunk), 0u);
    // A rate the receiver measured from PCRs found later replaces the estimate.
    source.NotifyBitrate(3000000);
    EXPECT_EQ(Status(), "0.00% complete");
}
