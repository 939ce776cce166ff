// The file source delivering files with PCRs on a scripted clock.
#include "DVBFileTransportStreamSource.h"

#include "stream/DVBPCRReceiver.h"
#include "stream/DVBTiming.h"
#include "support/TemporaryFolder.h"
#include "tswriter/TsPacketWriter.h"

#include <algorithm>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <memory>
#include <optional>
#include <random>
#include <vector>

namespace {
constexpr unsigned long kSourceChunk = CDVBFileTransportStreamSource::ChunkSize;
constexpr uint64_t kPCRMask = (uint64_t(1) << 33) - 1;

std::optional<uint64_t> PCROf(unsigned char* packet, unsigned short pid)
{
    uint64_t pcr;
    if (CDVBPIDReceiver::GetPacketPID(packet) == pid && CDVBPCRReceiver::GetPCRFromPacket(packet, pcr))
        return pcr;
    return std::nullopt;
}

class PCRPacedSourceTest : public ::testing::Test
{
protected:
    void Open(const CString& content)
    {
        source = std::make_unique<CDVBFileTransportStreamSource>(folder.Write("stream.ts", content));
        source->SetClock([this] { return now; });
        ASSERT_TRUE(source->Start());
    }
    // Sleeps as long as the source says, as the receive thread does, until a
    // read delivers: a wait announced too long makes a PCR late.
    unsigned long ReadWhenDue()
    {
        for (;;) {
            const uint32_t wait = source->GetMillisecondsUntilDue();
            now += wait;
            const unsigned long got = source->ReadBuffer(buffer.data(), kSourceChunk);
            if (got != 0 || wait == 0)
                return got;
        }
    }

    TemporaryFolder folder;
    std::unique_ptr<CDVBFileTransportStreamSource> source;
    uint32_t now = 5000;
    std::vector<unsigned char> buffer = std::vector<unsigned char>(kSourceChunk);
};
} // namespace

// Across its loops the file is one stream: its PCRs, carried on by the
// source's offset, keep to one schedule (those of a pass's start that lag
// behind it come at once), and its sound follows on without a gap or an
// overlap of more than a frame.
TEST_F(PCRPacedSourceTest, DeliversEveryPCROfAVariableBitrateFileAtItsTimeLoopAfterLoop)
{
    // Eight seconds of pictures and sound, 75 to 1936 kbit/s between PCRs.
    std::ifstream file(KRX_AV_SAMPLES "/flash_click_h264_aac.ts", std::ios::binary);
    Open(CString(std::istreambuf_iterator<char>(file), {}));

    std::optional<std::pair<uint32_t, uint64_t>> anchor; // time, PCR
    uint32_t lastDelivery = now;
    std::vector<int64_t> soundSteps;
    std::optional<int64_t> lastSound;
    int loops = 0, pcrs = 0;
    while (loops < 2) {
        const unsigned long got = ReadWhenDue();
        loops += source->HasStartedAgain();
        const uint64_t offset = source->GetTimestampOffset();
        for (unsigned long at = 0; at + 188 <= got; at += 188) {
            int64_t pts, dts;
            unsigned char* payload;
            unsigned long size;
            if (CDVBPIDReceiver::GetPacketPayload(&buffer[at], payload, size) && size > 3 && payload[3] >= 0xC0
                && payload[3] <= 0xDF
                && (CDVBPIDReceiver::GetTimeStampsFromPacket(&buffer[at], pts, dts) & DVB_PTS_PRESENT)) {
                const int64_t shifted = (pts + int64_t(offset)) & int64_t(kPCRMask);
                if (lastSound)
                    soundSteps.push_back(DVBClockDifference(shifted, *lastSound));
                lastSound = shifted;
            }
        }
        const std::optional<uint64_t> pcr = PCROf(&buffer[got - 188], 0x100);
        if (pcr) {
            ++pcrs;
            const uint64_t shifted = (*pcr + offset) & kPCRMask;
            if (!anchor)
                anchor = { now, shifted };
            const int64_t ticks = DVBClockDifference(int64_t(shifted), int64_t(anchor->second));
            const int64_t waited = int64_t(now - anchor->first) * 90;
            ASSERT_LE(ticks, waited) << "never before its time, PCR " << pcrs;
            ASSERT_TRUE(ticks + 90 > waited || now == lastDelivery) << "on time, or at once when behind, PCR " << pcrs;
        }
        lastDelivery = now;
    }
    EXPECT_GT(pcrs, 200);
    ASSERT_FALSE(soundSteps.empty());
    const int64_t frame = *std::min_element(soundSteps.begin(), soundSteps.end());
    EXPECT_GT(frame, 0) << "no overlap";
    EXPECT_LE(*std::max_element(soundSteps.begin(), soundSteps.end()), 2 * frame) << "no gap beyond a frame";
}

TEST_F(PCRPacedSourceTest, BrokenPCRsOnManyPIDsFallBackToTheByteRate)
{
    // PCRs all over the place: the pacing PID's every tenth packet and every
    // packet of three others, all at random; and runs of one repeated PCR.
    std::mt19937_64 random(7);
    ts::TsPacketWriter writer;
    for (int n = 0; n < 20000; ++n) {
        const unsigned short pid = n % 10 == 0 ? 0x100 : 0x101 + n % 3;
        const uint64_t pcr = n % 2000 < 1000 ? random() & kPCRMask : 12345;
        const ts::AdaptationField field = ts::AdaptationField::WithPcr(ts::Pcr::From27MHz(pcr * 300));
        writer.WritePacket(ts::PacketHeader(pid), ts::Bytes(100, 0), &field);
    }
    Open(CString(writer.Data().begin(), writer.Data().end()));
    const uint32_t start = now;
    uint64_t bytes = 0;
    uint32_t longestWait = 0;
    while (bytes < 3 * writer.Data().size()) {
        const uint32_t before = now;
        bytes += ReadWhenDue();
        longestWait = std::max(longestWait, now - before);
    }
    const double byteTime = static_cast<double>(bytes) * 8000 / source->GetBitrate();
    EXPECT_NEAR(now - start, byteTime, byteTime / 100);
    EXPECT_LT(longestWait, 100u);
}
