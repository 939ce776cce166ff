#include "StreamTestSupport.h"
#include "stream/DVBPCRReceiver.h"
#include "stream/DVBRecordingParameters.h"
#include "support/TemporaryFolder.h"
#include "tswriter/SectionWriter.h"
#include "tswriter/SiTables.h"

#include <gtest/gtest.h>

#include <thread>

namespace {
// Packets on one PID with counters in order, each marked with its index so
// that the ones delivered can be told apart.
Bytes CountedPackets(unsigned short pid, int count)
{
    Bytes stream;
    for (int i = 0; i < count; i++) {
        Packet packet = MakePacket(pid);
        packet[3] = static_cast<unsigned char>(0x10 | (i & 0x0F));
        packet[4] = static_cast<unsigned char>(i);
        if (i % 2 == 0)
            packet[100] = 0x47; // a payload byte that looks like a sync byte
        stream.insert(stream.end(), packet.begin(), packet.end());
    }
    return stream;
}

Bytes PacketAt(const Bytes& stream, int index)
{
    return Bytes(stream.begin() + index * 188, stream.begin() + (index + 1) * 188);
}

struct Outcome {
    std::vector<Bytes> packets;
    CDVBErrorCounts errors;
};

// Feeds the stream cut at the given offsets and reports what came out.
Outcome Receive(const Bytes& stream, const std::vector<size_t>& cuts = {})
{
    CTestableReceiver receiver(nullptr, nullptr);
    auto* logger = new CLoggingReceiver;
    receiver.AddPIDReceiver(0x100, logger);
    size_t from = 0;
    std::vector<size_t> ends = cuts;
    ends.push_back(stream.size());
    for (size_t to : ends) {
        Bytes read(stream.begin() + from, stream.begin() + to);
        receiver.ProcessBuffer(read.data(), read.size());
        from = to;
    }
    return Outcome { logger->packets, receiver.GetErrorCounts() };
}
} // namespace

TEST(ReceiverResync, AByteLostOrAddedCostsAtMostTwoPacketsAndIsCounted)
{
    const Bytes clean = CountedPackets(0x100, 20);
    const Outcome whole = Receive(clean);
    EXPECT_EQ(whole.packets.size(), 20u);
    EXPECT_FALSE(whole.errors.Any());

    Bytes lost = clean;
    lost.erase(lost.begin() + 5 * 188 + 50); // inside packet 5
    Outcome outcome = Receive(lost);
    // Packet 5 ends with packet 6's sync byte, which is why 6 cannot be found again.
    ASSERT_EQ(outcome.packets.size(), 19u);
    EXPECT_EQ(outcome.packets[4], PacketAt(clean, 4));
    EXPECT_EQ(outcome.packets[6], PacketAt(clean, 7));
    EXPECT_EQ(outcome.packets[18], PacketAt(clean, 19));
    EXPECT_EQ(outcome.errors.syncLosses, 1u);
    EXPECT_EQ(outcome.errors.bytesSkipped, 187u);
    EXPECT_EQ(outcome.errors.continuityErrors, 1u) << "packet 6 is missing";

    Bytes added = clean;
    added.insert(added.begin() + 5 * 188 + 50, 0x47);
    outcome = Receive(added);
    ASSERT_EQ(outcome.packets.size(), 20u);
    EXPECT_EQ(outcome.packets[6], PacketAt(clean, 6));
    EXPECT_EQ(outcome.errors.syncLosses, 1u);
    EXPECT_EQ(outcome.errors.bytesSkipped, 1u);
    EXPECT_EQ(outcome.errors.continuityErrors, 0u);

    Bytes prefixed(100, 0x00);
    prefixed.insert(prefixed.end(), clean.begin(), clean.end());
    outcome = Receive(prefixed);
    EXPECT_EQ(outcome.packets.size(), 20u) << "a stream that starts mid-packet";
    EXPECT_EQ(outcome.errors.bytesSkipped, 100u);
}

// Wherever a read ends (in a packet, in the bytes being skipped, between a
// sync byte and the ones that confirm it), the outcome is that of one read.
TEST(ReceiverResync, ReadBoundariesDoNotChangeWhatIsFound)
{
    Bytes damaged = CountedPackets(0x100, 24);
    damaged.erase(damaged.begin() + 20 * 188 + 3);
    damaged.insert(damaged.begin() + 11 * 188 + 7, { 0x47, 0x00, 0x47 });
    damaged.erase(damaged.begin() + 3 * 188 + 100);
    const Outcome whole = Receive(damaged);
    EXPECT_EQ(whole.errors.syncLosses, 3u);

    for (size_t cut = 1; cut < damaged.size(); cut++) {
        const Outcome split = Receive(damaged, { cut });
        ASSERT_EQ(split.packets, whole.packets) << "cut at " << cut;
        ASSERT_EQ(split.errors, whole.errors) << "cut at " << cut;
    }
}

namespace {
Packet WithCounter(unsigned short pid, unsigned char counter)
{
    Packet packet = MakePacket(pid);
    packet[3] = static_cast<unsigned char>(0x10 | counter);
    return packet;
}

Packet WithoutPayload(unsigned short pid, unsigned char counter)
{
    Packet packet = MakeAdaptationPacket(pid, 183, false);
    packet[3] |= counter;
    return packet;
}

Packet WithDiscontinuity(unsigned short pid, unsigned char counter)
{
    Packet packet = MakeAdaptationPacket(pid, 1, true);
    packet[3] |= counter;
    packet[5] = 0x80;
    return packet;
}

uint64_t ContinuityErrors(const std::vector<Packet>& packets)
{
    CTestableReceiver receiver(nullptr, nullptr);
    Bytes read = Concatenate(packets);
    receiver.ProcessBuffer(read.data(), read.size());
    return receiver.GetErrorCounts(0x100).continuityErrors;
}
} // namespace

TEST(ReceiverErrorCounts, ContinuityFollowsTheRulesForRepeatsGapsAndDiscontinuities)
{
    EXPECT_EQ(ContinuityErrors({ WithCounter(0x100, 14), WithCounter(0x100, 15), WithCounter(0x100, 0) }), 0u);
    EXPECT_EQ(ContinuityErrors({ WithCounter(0x100, 3), WithCounter(0x100, 5), WithCounter(0x100, 6) }), 1u);
    EXPECT_EQ(ContinuityErrors({ WithCounter(0x100, 3), WithCounter(0x100, 3), WithCounter(0x100, 4) }), 0u)
        << "one repeat is allowed";
    EXPECT_EQ(ContinuityErrors({ WithCounter(0x100, 3), WithCounter(0x100, 3), WithCounter(0x100, 3) }), 1u);
    EXPECT_EQ(ContinuityErrors({ WithCounter(0x100, 3), WithoutPayload(0x100, 9), WithCounter(0x100, 4) }), 0u)
        << "a packet without payload keeps the counter";
    EXPECT_EQ(ContinuityErrors({ WithCounter(0x100, 3), WithDiscontinuity(0x100, 9), WithCounter(0x100, 10) }), 0u);
    EXPECT_EQ(ContinuityErrors({ WithCounter(0x100, 3), WithCounter(0x101, 7), WithCounter(0x100, 4) }), 0u)
        << "each PID counts on its own";

    CTestableReceiver receiver(nullptr, nullptr);
    Packet flagged = WithCounter(0x100, 9);
    flagged[1] |= 0x80;
    Bytes read = Concatenate({ WithCounter(0x100, 0), flagged, WithCounter(0x100, 1), WithCounter(0x1FFF, 0),
        WithCounter(0x1FFF, 0), WithCounter(0x1FFF, 0) });
    receiver.ProcessBuffer(read.data(), read.size());
    EXPECT_EQ(receiver.GetErrorCounts(0x100), (CDVBErrorCounts { 0, 1, 0, 0, 0 }))
        << "a flagged packet is counted as such, not checked";
    EXPECT_FALSE(receiver.GetErrorCounts(0x1FFF).Any()) << "null packets have no counter";

    read = Concatenate({ WithCounter(0x100, 5) });
    receiver.ProcessBuffer(read.data(), read.size());
    EXPECT_EQ(receiver.GetErrorCounts().continuityErrors, 1u);
    receiver.Start();
    EXPECT_FALSE(receiver.GetErrorCounts().Any()) << "Start resets the counts";
}

TEST(ReceiverErrorCounts, CountsSectionsThatFailTheirCRCOnTheirPID)
{
    CTestableReceiver receiver(nullptr, nullptr);
    receiver.Start(); // puts the SI receivers in place
    ts::TsPacketWriter writer;
    Bytes pat = ts::PatSection(0x0401, { { 1, 0x100 } });
    ts::SectionWriter(writer, 0x00).Write(pat);
    pat[8] ^= 0x01;
    ts::SectionWriter(writer, 0x00).Write(pat);
    Bytes read = writer.TakeData();
    receiver.ProcessBuffer(read.data(), read.size());
    EXPECT_EQ(receiver.GetErrorCounts(0x00).crcErrors, 1u);
    EXPECT_EQ(receiver.GetErrorCounts().crcErrors, 1u);
    EXPECT_NE(receiver.GetProgram(1), nullptr) << "the good copy was taken";
}

TEST(ReceiverErrorCounts, RecordingReportsTheErrorsInsideItsSpan)
{
    TemporaryFolder folder;
    CTestableReceiver receiver(nullptr, nullptr);
    auto gap = [&receiver] {
        Bytes read = Concatenate({ WithCounter(0x100, 1), WithCounter(0x100, 9) });
        receiver.ProcessBuffer(read.data(), read.size());
    };
    gap();
    CDVBRecordingParameters parameters(folder.Path() + "out.ts");
    ASSERT_TRUE(receiver.StartRecording(&parameters));
    EXPECT_FALSE(receiver.GetRecordingStatus().errors.Any());
    gap();
    gap();
    EXPECT_EQ(receiver.GetRecordingStatus().errors.continuityErrors, 4u);
    receiver.StopRecording();
    gap();
    EXPECT_EQ(receiver.GetRecordingStatus().errors.continuityErrors, 4u) << "the span ended at the stop";
    EXPECT_EQ(receiver.GetErrorCounts().continuityErrors, 7u);
}

namespace {
// Sits on the PCR PID ahead of the PCR receiver. While the bitrate pass
// searches the list it starts another thread that deletes the PCR receiver,
// which must wait until the pass is done with it.
class CDeletingProbe : public CDVBPIDReceiver
{
public:
    explicit CDeletingProbe(CDVBTransportStreamReceiver* owner)
        : m_owner(owner)
    {
    }
    ~CDeletingProbe() override { Finish(); }
    int GetType() override
    {
        // The deleting thread's own search comes here too.
        if (m_armed.exchange(false))
            m_deleter = std::thread([this] { deleted = m_owner->DeletePIDReceiver(0x100, DVB_RECEIVER_PCR); });
        return DVB_RECEIVER_BASE;
    }
    void Finish()
    {
        if (m_deleter.joinable())
            m_deleter.join();
    }
    std::atomic<bool> deleted { false };

private:
    CDVBTransportStreamReceiver* m_owner;
    std::atomic<bool> m_armed { true };
    std::thread m_deleter;
};
} // namespace

TEST(ReceiverBitrate, APCRReceiverDeletedDuringTheBitratePassIsReadFirst)
{
    CTestableReceiver receiver(nullptr, nullptr);
    receiver.GetOrCreateProgram(1)->SetPCRPID(0x100);
    auto* probe = new CDeletingProbe(&receiver);
    receiver.AddPIDReceiver(0x100, probe);
    auto* pcr = new CDVBPCRReceiver;
    receiver.AddPIDReceiver(0x100, pcr);
    Packet packet = MakePCRPacket(0x100, 0);
    pcr->OnReceivePacket(0, packet.data());
    packet = MakePCRPacket(0x100, 9000);
    pcr->OnReceivePacket(1000, packet.data());

    receiver.CalculateBitrate();
    probe->Finish();
    EXPECT_TRUE(probe->deleted);
    EXPECT_EQ(receiver.GetBitrate(), 15040000);
    EXPECT_FALSE(receiver.HasPIDReceiver(0x100, DVB_RECEIVER_PCR));
}
