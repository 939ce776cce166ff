// The file source delivering files with PCRs on a scripted clock.
#include "DVBFileTransportStreamSource.h"

#include "stream/DVBPCRReceiver.h"
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
constexpr unsigned long kChunk = CDVBFileTransportStreamSource::ChunkSize;
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
        source->SetClock([this] { return now; }, [this] { ++now; });
        ASSERT_TRUE(source->Start());
    }
    // Reads on every millisecond tick, as the receive thread does, until a read delivers.
    unsigned long ReadWhenDue()
    {
        for (;;) {
            if (const unsigned long got = source->ReadBuffer(buffer.data(), kChunk))
                return got;
        }
    }

    TemporaryFolder folder;
    std::unique_ptr<CDVBFileTransportStreamSource> source;
    uint32_t now = 5000;
    std::vector<unsigned char> buffer = std::vector<unsigned char>(kChunk);
};
} // namespace

TEST_F(PCRPacedSourceTest, DeliversEveryPCROfAVariableBitrateFileAtItsTimeLoopAfterLoop)
{
    // Eight seconds of pictures and sound, 75 to 1936 kbit/s between PCRs.
    std::ifstream file(KRX_AV_SAMPLES "/flash_click_h264_aac.ts", std::ios::binary);
    Open(CString(std::istreambuf_iterator<char>(file), {}));

    struct Anchor {
        uint32_t time;
        uint64_t pcr;
    };
    std::optional<Anchor> anchor;
    uint32_t lastPCRTime = now;
    uint64_t bytesSinceLastPCR = 0;
    bool endOfFile = false;
    int loops = 0, pcrs = 0;
    while (loops < 2) {
        const unsigned long got = ReadWhenDue();
        if (source->HasStartedAgain()) {
            ++loops;
            anchor.reset();
        } else {
            ASSERT_FALSE(endOfFile) << "only the end of the file has no PCR to end a chunk";
        }
        for (unsigned long offset = 0; offset + 188 < got; offset += 188)
            ASSERT_FALSE(PCROf(&buffer[offset], 0x100)) << "a chunk ends at its first PCR";
        bytesSinceLastPCR += got;
        const std::optional<uint64_t> pcr = PCROf(&buffer[got - 188], 0x100);
        endOfFile = !pcr;
        if (!pcr)
            continue;
        ++pcrs;
        if (!anchor) {
            // The first PCR of each pass comes after the bytes before it at
            // the file's rate: the loop neither bursts nor stalls.
            const double byteTime = static_cast<double>(bytesSinceLastPCR) * 8000 / source->GetBitrate();
            ASSERT_NEAR(now - lastPCRTime, byteTime, 1.0) << "pass " << loops;
            anchor = Anchor { now, *pcr };
        }
        const uint64_t ticks = (*pcr - anchor->pcr) & kPCRMask;
        const uint64_t waited = now - anchor->time;
        ASSERT_LE(ticks, waited * 90) << "never before its time, PCR " << pcrs;
        ASSERT_GT(ticks + 90, waited * 90) << "within a millisecond of it, PCR " << pcrs;
        lastPCRTime = now;
        bytesSinceLastPCR = 0;
    }
    EXPECT_GT(pcrs, 200);
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
