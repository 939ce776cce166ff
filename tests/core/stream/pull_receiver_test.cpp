#include "platform/DebugOutput.h"
#include "stream/DVBPCRReceiver.h"
#include "stream/DVBProgramClock.h"
#include "stream/DVBPullReceiver.h"
#include "stream/DVBTransportStreamReceiver.h"
#include "tswriter/PesWriter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <random>
#include <vector>

namespace {

constexpr uint16_t kPid = 0x100;
constexpr uint32_t kHangGuardMs = 10000; // fails a test that would otherwise hang; never expected to expire

ts::Bytes Pattern(size_t size, uint8_t seed)
{
    ts::Bytes bytes(size);
    for (size_t i = 0; i < size; i++)
        bytes[i] = static_cast<uint8_t>(seed + i * 7);
    return bytes;
}

// The transport packets of one PES on kPid.
ts::Bytes PesPackets(
    std::optional<int64_t> pts, std::optional<int64_t> dts, const ts::Bytes& data, uint8_t scrambling = 0)
{
    ts::TsPacketWriter out;
    ts::PesWriter pes(out, kPid);
    pes.Start(ts::PesPacket(0xE0, pts, dts, data));
    while (pes.HasPending())
        pes.WriteNextPacket();
    ts::Bytes stream = out.TakeData();
    for (size_t offset = 0; offset < stream.size(); offset += ts::PACKET_SIZE)
        stream[offset + 3] |= static_cast<uint8_t>(scrambling << 6);
    return stream;
}

// A packet continuing a PES with 184 payload bytes.
ts::Bytes ContinuationPacket(const ts::Bytes& payload)
{
    ts::TsPacketWriter out;
    out.WritePacket(ts::PacketHeader(kPid, false), payload);
    return out.TakeData();
}

// Gives the tests the protected operations and watches what the receive side writes.
class CTestPullReceiver : public CDVBPullReceiver
{
public:
    CTestPullReceiver(int count, int size)
        : CDVBPullReceiver(count, size)
    {
    }
    ~CTestPullReceiver() override { Stop(); }

    using CDVBPullReceiver::GetNextReadBuffer;
    using CDVBPullReceiver::GetNextWriteBuffer;
    using CDVBPullReceiver::ReadCompressedData;
    using CDVBPullReceiver::ReleaseReadBuffer;
    using CDVBPullReceiver::SubmitWriteBuffer;

    CDVBBuffer* ReadBuffer() { return m_readBuffer; }
    CDVBBuffer* WriteBuffer() { return m_writeBuffer; }
    int FilledCount() { return m_filledList.GetCount(); }

    void Feed(const ts::Bytes& stream)
    {
        for (size_t offset = 0; offset + ts::PACKET_SIZE <= stream.size(); offset += ts::PACKET_SIZE) {
            m_packet = const_cast<uint8_t*>(stream.data()) + offset;
            OnReceivePacket(m_packetNumber++, m_packet);
        }
    }

    // Takes the next filled buffer's bytes, or none.
    ts::Bytes TakeFilled(unsigned long* flags = nullptr, int64_t* pts = nullptr, int64_t* dts = nullptr)
    {
        if (!GetNextReadBuffer())
            return {};
        CDVBBuffer* buffer = m_readBuffer;
        if (flags)
            *flags = buffer->GetFlags();
        if (pts)
            *pts = buffer->GetPTS();
        if (dts)
            *dts = buffer->GetDTS();
        ts::Bytes bytes(buffer->GetData(), buffer->GetData() + buffer->GetUsed());
        buffer->SetUsed(0);
        return bytes;
    }

    int m_writes = 0;
    bool m_writeOutsidePacket = false;

    unsigned long WriteCompressedData(unsigned char* data, unsigned long size) override
    {
        m_writes++;
        if (data < m_packet || data + size > m_packet + ts::PACKET_SIZE)
            m_writeOutsidePacket = true;
        return CDVBPullReceiver::WriteCompressedData(data, size);
    }

private:
    unsigned char* m_packet = nullptr;
    uint64_t m_packetNumber = 0;
};

} // namespace

// The receive side, driven on the test's thread with no decode thread running.

TEST(PullReceiverWriteSide, EveryTimeStampedPESStartsAStampedBuffer)
{
    CTestPullReceiver receiver(4, 1024);
    receiver.Feed(PesPackets(9000, std::nullopt, Pattern(100, 1)));
    EXPECT_EQ(receiver.FilledCount(), 0) << "the half-filled buffer is still being written";
    receiver.Feed(PesPackets(12600, 9000, Pattern(50, 2)));
    EXPECT_EQ(receiver.FilledCount(), 1) << "the next PTS submitted the half-filled buffer";
    receiver.SubmitWriteBuffer();

    unsigned long flags = 0;
    int64_t pts = 0, dts = 0;
    EXPECT_EQ(receiver.TakeFilled(&flags, &pts, &dts), Pattern(100, 1));
    EXPECT_EQ(flags, DVB_BUFFER_PTS_VALID);
    EXPECT_EQ(pts, 9000);
    EXPECT_EQ(receiver.TakeFilled(&flags, &pts, &dts), Pattern(50, 2));
    EXPECT_EQ(flags, DVB_BUFFER_PTS_VALID | DVB_BUFFER_DTS_VALID) << "no programme clock is set";
    EXPECT_EQ(pts, 12600);
    EXPECT_EQ(dts, 9000);
}

TEST(PullReceiverWriteSide, APESWithoutTimeStampsContinuesTheCurrentBuffer)
{
    CTestPullReceiver receiver(4, 1024);
    receiver.Feed(PesPackets(0x1FFFFFFFF, std::nullopt, Pattern(300, 1)));
    receiver.Feed(PesPackets(std::nullopt, std::nullopt, Pattern(200, 2)));
    receiver.SubmitWriteBuffer();

    ts::Bytes expected = Pattern(300, 1);
    const ts::Bytes second = Pattern(200, 2);
    expected.insert(expected.end(), second.begin(), second.end());
    int64_t pts = 0;
    EXPECT_EQ(receiver.TakeFilled(nullptr, &pts), expected);
    EXPECT_EQ(pts, 0x1FFFFFFFF) << "a 33-bit PTS survives";
    EXPECT_TRUE(receiver.TakeFilled().empty());
}

TEST(PullReceiverWriteSide, NothingIsWrittenBeforeTheFirstPESStart)
{
    CTestPullReceiver receiver(4, 1024);
    receiver.Feed(ContinuationPacket(Pattern(184, 1)));
    EXPECT_EQ(receiver.m_writes, 0);
    receiver.Feed(PesPackets(std::nullopt, std::nullopt, Pattern(10, 2)));
    receiver.Feed(ContinuationPacket(Pattern(184, 3)));
    receiver.SubmitWriteBuffer();

    unsigned long flags = 99;
    ts::Bytes expected = Pattern(10, 2);
    const ts::Bytes continuation = Pattern(184, 3);
    expected.insert(expected.end(), continuation.begin(), continuation.end());
    EXPECT_EQ(receiver.TakeFilled(&flags), expected);
    EXPECT_EQ(flags, 0u) << "a PES without time stamps fills an unstamped buffer";
}

TEST(PullReceiverWriteSide, ScrambledPacketsNeverReachTheDecoder)
{
    CTestPullReceiver receiver(4, 1024);
    receiver.Feed(PesPackets(std::nullopt, std::nullopt, Pattern(10, 1)));
    const int clearWrites = receiver.m_writes;
    for (uint8_t scrambling = 1; scrambling <= 3; scrambling++)
        receiver.Feed(PesPackets(1000, std::nullopt, Pattern(400, 2), scrambling));
    ts::Bytes scrambledContinuation = ContinuationPacket(Pattern(184, 3));
    scrambledContinuation[3] |= 0x80;
    receiver.Feed(scrambledContinuation);
    EXPECT_EQ(receiver.m_writes, clearWrites);
    receiver.SubmitWriteBuffer();
    EXPECT_EQ(receiver.TakeFilled(), Pattern(10, 1)) << "scrambled time stamps start no buffer either";
}

TEST(PullReceiverWriteSide, AnEmptyWriteBufferGoesBackToTheFreeList)
{
    CTestPullReceiver receiver(1, 64);
    ASSERT_TRUE(receiver.GetNextWriteBuffer());
    receiver.SubmitWriteBuffer();
    EXPECT_EQ(receiver.FilledCount(), 0);
    EXPECT_TRUE(receiver.GetNextWriteBuffer()) << "the only buffer is free again";
    EXPECT_EQ(receiver.WriteBuffer()->GetFlags(), 0u);
}

TEST(PullReceiverWriteSide, AFullPoolDropsDataWithoutBlockingAndRecovers)
{
    CTestPullReceiver receiver(2, 8);
    const ts::Bytes data = Pattern(20, 1);
    unsigned char* bytes = const_cast<uint8_t*>(data.data());
    EXPECT_EQ(receiver.WriteCompressedData(bytes, 20), 16u) << "two buffers of 8 take 16 bytes";
    EXPECT_EQ(receiver.WriteCompressedData(bytes, 20), 0u);
    EXPECT_EQ(receiver.FilledCount(), 2);

    EXPECT_EQ(receiver.TakeFilled(), Pattern(8, 1));
    receiver.ReleaseReadBuffer();
    EXPECT_EQ(receiver.WriteCompressedData(bytes, 5), 5u) << "a released buffer is written again";
}

TEST(PullReceiverWriteSide, TimeStampsWithNoFreeBufferAreLost)
{
    CTestPullReceiver receiver(1, 8);
    receiver.Feed(PesPackets(1000, std::nullopt, Pattern(8, 1)));
    EXPECT_EQ(receiver.FilledCount(), 1);
    receiver.Feed(PesPackets(2000, std::nullopt, Pattern(8, 2)));
    EXPECT_EQ(receiver.TakeFilled(), Pattern(8, 1));
    receiver.ReleaseReadBuffer();
    receiver.Feed(PesPackets(std::nullopt, std::nullopt, Pattern(4, 3)));
    receiver.SubmitWriteBuffer();
    unsigned long flags = 99;
    EXPECT_EQ(receiver.TakeFilled(&flags), Pattern(4, 3));
    EXPECT_EQ(flags, 0u) << "the lost PTS does not reappear on later data";
}

TEST(PullReceiverWriteSide, AVideoBufferFilledByWholePayloadsSpillsIntoAnUnstampedBuffer)
{
    CTestPullReceiver receiver(3, 16384);
    // 90 packets of 184 bytes: 89 fit (16,376 bytes), 8 bytes of the 90th fill the buffer.
    const ts::Bytes data = Pattern(90 * 184 - 14, 5);
    receiver.Feed(PesPackets(4500, std::nullopt, data));
    EXPECT_EQ(receiver.FilledCount(), 1) << "the full buffer was submitted at once";
    receiver.SubmitWriteBuffer();

    unsigned long flags = 0;
    const ts::Bytes first = receiver.TakeFilled(&flags);
    EXPECT_EQ(first.size(), 16384u);
    EXPECT_EQ(flags, DVB_BUFFER_PTS_VALID);
    const ts::Bytes second = receiver.TakeFilled(&flags);
    EXPECT_EQ(flags, 0u);
    ts::Bytes joined = first;
    joined.insert(joined.end(), second.begin(), second.end());
    EXPECT_EQ(joined, data);
}

TEST(PullReceiverWriteSide, ZeroSizedBuffersTakeNothingAndDoNotSpin)
{
    CTestPullReceiver receiver(2, 0);
    unsigned char byte = 1;
    EXPECT_EQ(receiver.WriteCompressedData(&byte, 1), 0u);
}

TEST(PullReceiverWriteSide, HostilePacketsNeverLeadToAWriteOutsideThePacket)
{
    CTestPullReceiver receiver(8, 256);
    std::mt19937 random(20261207);
    ts::Bytes packet(ts::PACKET_SIZE);
    for (int i = 0; i < 20000; i++) {
        for (uint8_t& byte : packet)
            byte = static_cast<uint8_t>(random());
        // Start packets with a PES start code reach the header parsing more often.
        if (i % 2 == 0) {
            packet[1] |= 0x40;
            packet[3] &= 0x3F;
            packet[4] = 0;
            packet[5] = 0;
            packet[6] = 1;
        }
        receiver.Feed(packet);
        if (i % 16 == 0)
            while (!receiver.TakeFilled().empty()) { }
    }
    EXPECT_GT(receiver.m_writes, 0);
    EXPECT_FALSE(receiver.m_writeOutsidePacket);
}

TEST(PullReceiverWriteSide, APESHeaderLongerThanThePacketWritesNothing)
{
    CTestPullReceiver receiver(2, 256);
    // 14 header bytes and 170 data bytes fill the packet: no adaptation field.
    ts::Bytes packet = PesPackets(1000, std::nullopt, Pattern(170, 1));
    ASSERT_EQ(packet.size(), ts::PACKET_SIZE);
    packet[4 + 8] = 200; // PES_header_data_length past the end of the packet
    receiver.Feed(packet);
    EXPECT_EQ(receiver.m_writes, 0);
}

TEST(PullReceiverWriteSide, AnAdaptationFieldFillingThePacketLeavesNoPayload)
{
    CTestPullReceiver receiver(2, 256);
    receiver.Feed(PesPackets(std::nullopt, std::nullopt, Pattern(10, 1)));
    const int writes = receiver.m_writes;
    ts::Bytes packet = ContinuationPacket(Pattern(184, 2));
    packet[3] |= 0x30; // adaptation field and payload
    for (int length : { 183, 255 }) {
        packet[4] = static_cast<uint8_t>(length);
        receiver.Feed(packet);
    }
    EXPECT_EQ(receiver.m_writes, writes);
}

// The decode side, read on the test's thread.

TEST(PullReceiverReadSide, ReadCompressedDataJoinsBuffersAndReturnsWhatIsThere)
{
    CTestPullReceiver receiver(4, 8);
    const ts::Bytes data = Pattern(20, 1);
    receiver.WriteCompressedData(const_cast<uint8_t*>(data.data()), 20);
    receiver.SubmitWriteBuffer();

    unsigned char out[32] = {};
    EXPECT_EQ(receiver.ReadCompressedData(out, 5), 5u);
    EXPECT_EQ(receiver.ReadCompressedData(out + 5, 6), 6u) << "across the first buffer's end";
    EXPECT_EQ(receiver.ReadCompressedData(out + 11, 32), 9u) << "what is there, without waiting for more";
    EXPECT_EQ(ts::Bytes(out, out + 20), data);

    receiver.WriteCompressedData(const_cast<uint8_t*>(data.data()), 20);
    receiver.SubmitWriteBuffer();
    EXPECT_EQ(receiver.ReadCompressedData(out, 20), 20u) << "every buffer went back to the pool";
}

TEST(PullReceiverReadSide, AStopRequestWinsOverQueuedData)
{
    CTestPullReceiver receiver(4, 8);
    const ts::Bytes data = Pattern(8, 1);
    receiver.WriteCompressedData(const_cast<uint8_t*>(data.data()), 8);
    receiver.Stop();
    ASSERT_EQ(receiver.FilledCount(), 1);
    unsigned char out[8];
    EXPECT_EQ(receiver.ReadCompressedData(out, 8), 0u);
}

TEST(PullReceiverReadSide, NothingForASecondReadsZero)
{
    CTestPullReceiver receiver(4, 8);
    unsigned char out[8];
    EXPECT_EQ(receiver.ReadCompressedData(out, 8), 0u);
}

TEST(PullReceiverReadSide, BufferByBufferReturnsEachBufferToThePool)
{
    CTestPullReceiver receiver(2, 16);
    for (int round = 0; round < 3; round++) {
        receiver.Feed(PesPackets(1000 * round, std::nullopt, Pattern(4, round)));
        receiver.Feed(PesPackets(1000 * round + 500, std::nullopt, Pattern(4, round + 10)));
        receiver.SubmitWriteBuffer();
        int64_t pts = 0;
        EXPECT_EQ(receiver.TakeFilled(nullptr, &pts), Pattern(4, round));
        EXPECT_EQ(pts, 1000 * round);
        EXPECT_EQ(receiver.TakeFilled(nullptr, &pts), Pattern(4, round + 10));
        EXPECT_EQ(pts, 1000 * round + 500);
        EXPECT_FALSE(receiver.GetNextReadBuffer()) << "taking none also hands back the previous one";
    }
}

// The decode thread and the lifecycle.

namespace {

// What a decoder saw, kept outside it so that it can be read after its destruction.
struct DecoderLog {
    std::atomic<int> runs { 0 };
    std::atomic<bool> threadDuringConstruction { false };
    std::atomic<bool> ranOnIncompleteObject { false };
    std::atomic<bool> ranAfterMembersWentAway { false };
    std::atomic<bool> membersGone { false };
    CEvent entered { false, false }; // set each time DecodeStream begins
    size_t expectedBytes = 0;
    CEvent gotAll { true, false };
    ts::Bytes received; // written by the decode thread, read after it is joined
};

// Destroyed with the decoder's own members; the decode thread must be gone by then.
struct MemberWatch {
    explicit MemberWatch(DecoderLog& log)
        : log(log)
    {
    }
    ~MemberWatch() { log.membersGone = true; }
    DecoderLog& log;
};

// A byte-stream decoder in the way the audio and video decoders are built.
class CStreamDecoder : public CDVBPullReceiver
{
public:
    explicit CStreamDecoder(DecoderLog& log)
        : CDVBPullReceiver(64, 1024)
        , m_log(log)
        , m_watch(log)
    {
        m_log.threadDuringConstruction = IsDecodeThreadRunning();
        m_complete = true;
    }
    ~CStreamDecoder() override { Stop(); }

    using CDVBPIDReceiver::OnReceivePacket;

protected:
    void DecodeStream() override
    {
        if (!m_complete)
            m_log.ranOnIncompleteObject = true;
        m_log.runs++;
        m_log.entered.Set();
        unsigned char chunk[100];
        for (;;) {
            const unsigned long size = ReadCompressedData(chunk, sizeof chunk);
            if (size == 0 && m_stopEvent.IsSet())
                break;
            m_scratch.assign(chunk, chunk + size);
            m_log.received.insert(m_log.received.end(), m_scratch.begin(), m_scratch.end());
            if (size > 0 && m_log.received.size() == m_log.expectedBytes)
                m_log.gotAll.Set();
        }
        if (m_log.membersGone)
            m_log.ranAfterMembersWentAway = true;
    }

private:
    DecoderLog& m_log;
    std::vector<unsigned char> m_scratch;
    bool m_complete = false;
    MemberWatch m_watch;
};

void Deliver(CDVBPIDReceiver& receiver, const ts::Bytes& stream)
{
    for (size_t offset = 0; offset < stream.size(); offset += ts::PACKET_SIZE)
        receiver.OnReceivePacket(offset / ts::PACKET_SIZE, const_cast<uint8_t*>(stream.data()) + offset);
}

} // namespace

TEST(PullReceiverThread, NoThreadRunsUntilTheDecoderIsCompleteAndRegistered)
{
    DecoderLog log;
    auto decoder = std::make_unique<CStreamDecoder>(log);
    EXPECT_FALSE(log.threadDuringConstruction) << "a thread started by the base could run an incomplete object";

    decoder->SetPID(kPid); // what the transport stream receiver does when it registers a receiver
    ASSERT_TRUE(log.entered.Wait(kHangGuardMs)) << "the derived DecodeStream never ran";
    decoder->Start();
    decoder->Stop();
    EXPECT_EQ(log.runs, 1) << "one thread, whatever starts it";

    decoder->Start();
    ASSERT_TRUE(log.entered.Wait(kHangGuardMs)) << "a stopped receiver starts again";
    decoder.reset();
    EXPECT_EQ(log.runs, 2);
    EXPECT_FALSE(log.ranOnIncompleteObject);
}

TEST(PullReceiverThread, TheDecoderFinishesBeforeItsMembersGo)
{
    DecoderLog log;
    auto decoder = std::make_unique<CStreamDecoder>(log);
    decoder->Start();
    ASSERT_TRUE(log.entered.Wait(kHangGuardMs));
    // The decode thread is now in ReadCompressedData, waiting for data.
    decoder.reset();
    EXPECT_TRUE(log.membersGone);
    EXPECT_FALSE(log.ranAfterMembersWentAway);
}

TEST(PullReceiverThread, EveryByteReachesTheDecodeThreadInOrder)
{
    DecoderLog log;
    ts::Bytes expected, stream;
    for (int i = 0; i < 40; i++) {
        const ts::Bytes data = Pattern(37 * i + 1, static_cast<uint8_t>(i));
        expected.insert(expected.end(), data.begin(), data.end());
        const std::optional<int64_t> pts = i % 3 == 0 ? std::optional<int64_t>(3600 * i) : std::nullopt;
        const ts::Bytes packets = PesPackets(pts, std::nullopt, data);
        stream.insert(stream.end(), packets.begin(), packets.end());
    }
    // A last time-stamped PES hands the buffer before it to the decoder.
    const ts::Bytes last = PesPackets(0, std::nullopt, Pattern(1, 0));
    stream.insert(stream.end(), last.begin(), last.end());
    log.expectedBytes = expected.size();

    CStreamDecoder decoder(log);
    decoder.SetPID(kPid);
    // The pool of 64 buffers of 1,024 bytes holds the whole stream, so nothing is dropped.
    Deliver(decoder, stream);
    ASSERT_TRUE(log.gotAll.Wait(kHangGuardMs));
    decoder.Stop();
    EXPECT_EQ(log.received.size(), expected.size());
    EXPECT_EQ(log.received, expected);
}

namespace {

// A buffer-by-buffer decoder in the way the video decoder is built.
class CBufferDecoder : public CDVBPullReceiver
{
public:
    CBufferDecoder()
        : CDVBPullReceiver(16, 1024)
    {
    }
    ~CBufferDecoder() override { Stop(); }

    struct Unit {
        unsigned long flags;
        int64_t pts;
        ts::Bytes bytes;
    };
    std::vector<Unit> m_units; // read after the thread is joined
    CEvent m_gotAll { true, false };
    size_t m_expectedUnits = 0;

protected:
    void DecodeStream() override
    {
        for (;;) {
            if (WaitForEvents({ &m_stopEvent, m_filledList.GetHasBuffersEvent() }, KRX_INFINITE) == 0)
                return;
            if (!GetNextReadBuffer())
                continue;
            m_units.push_back({ m_readBuffer->GetFlags(), m_readBuffer->GetPTS(),
                ts::Bytes(m_readBuffer->GetData(), m_readBuffer->GetData() + m_readBuffer->GetUsed()) });
            m_readBuffer->SetUsed(0);
            if (m_units.size() == m_expectedUnits)
                m_gotAll.Set();
        }
    }
};

} // namespace

TEST(PullReceiverThread, BufferByBufferEachPESArrivesWithItsTimeStamp)
{
    CBufferDecoder decoder;
    decoder.m_expectedUnits = 10;
    decoder.SetPID(kPid);
    for (int i = 0; i <= 10; i++)
        Deliver(decoder, PesPackets(1800 * i, std::nullopt, Pattern(200 + i, static_cast<uint8_t>(i))));
    // The eleventh PES submitted the tenth; the eleventh stays with the receive side.
    ASSERT_TRUE(decoder.m_gotAll.Wait(kHangGuardMs));
    decoder.Stop();
    ASSERT_EQ(decoder.m_units.size(), 10u);
    for (int i = 0; i < 10; i++) {
        EXPECT_EQ(decoder.m_units[i].flags, DVB_BUFFER_PTS_VALID);
        EXPECT_EQ(decoder.m_units[i].pts, 1800 * i);
        EXPECT_EQ(decoder.m_units[i].bytes, Pattern(200 + i, static_cast<uint8_t>(i)));
    }
}

namespace {

// Forgets to stop in its destructor; its loop only uses the base, so the base
// destructor can still end it safely.
class CForgetfulDecoder : public CDVBPullReceiver
{
public:
    explicit CForgetfulDecoder(CEvent& running)
        : CDVBPullReceiver(1, 8)
        , m_running(running)
    {
    }

protected:
    void DecodeStream() override
    {
        m_running.Set();
        m_stopEvent.Wait(KRX_INFINITE);
    }

private:
    CEvent& m_running;
};

} // namespace

TEST(PullReceiverThread, TheBaseDestructorReportsAndEndsAThreadItsDecoderLeftRunning)
{
    CString captured;
    DebugOutputSink previous = SetDebugOutputSink([&](const CString& text) { captured += text; });
    CEvent running(false, false);
    auto decoder = std::make_unique<CForgetfulDecoder>(running);
    decoder->Start();
    ASSERT_TRUE(running.Wait(kHangGuardMs));
    decoder.reset();
    SetDebugOutputSink(previous);
    EXPECT_NE(captured.find("decode thread running"), CString::npos) << captured;
}

// Stamping with the programme clock, in a transport stream receiver.

namespace {

constexpr uint16_t kPcrPid = 0x101;

class CDirectTransportStreamReceiver : public CDVBTransportStreamReceiver
{
public:
    CDirectTransportStreamReceiver()
        : CDVBTransportStreamReceiver(nullptr, nullptr)
    {
    }
    void Process(ts::Bytes& stream) { ProcessBuffer(stream.data(), static_cast<unsigned long>(stream.size())); }
};

class CPCRBoundClock : public CDVBProgramClock
{
public:
    CPCRBoundClock(CDVBTransportStreamReceiver* receiver, CDVBPCRReceiver* pcr)
    {
        SetTransportStreamReceiver(receiver);
        SetPCRReceiver(pcr);
    }
};

// Packet 0 carries PCR 0 and packet 100 PCR 9,000 (90 ticks a packet); the
// PES headers come in packets 150 and 152.
ts::Bytes StreamWithPCRs(int pcrCount)
{
    ts::TsPacketWriter out;
    ts::PesWriter video(out, kPid);
    for (int n = 0; n < 160; n++) {
        if (n % 100 == 0 && n / 100 < pcrCount) {
            const ts::AdaptationField field = ts::AdaptationField::WithPcr(ts::Pcr { uint64_t(90 * n), 0 });
            out.WritePacket(ts::PacketHeader(kPcrPid), nullptr, 0, &field);
        } else if (n == 150 || n == 152) {
            video.Write(ts::PesPacket(0xE0, 20000 + n, std::nullopt, Pattern(100, 1)));
        } else {
            out.WriteNullPacket();
        }
    }
    return out.TakeData();
}

// A pull receiver stamped by a programme clock bound to a real PCR receiver.
class PullReceiverStamping : public ::testing::Test
{
protected:
    PullReceiverStamping()
    {
        transportStream.AddPIDReceiver(kPcrPid, pcr);
        CreateGuid(&cookie);
        receiver.SetCookie(&cookie);
        receiver.SetProgramClock(&clock);
        transportStream.AddPIDReceiver(kPid, &receiver);
    }
    // Passes the stream through, then takes the receiver out and hands on its last buffer.
    void Receive(ts::Bytes stream)
    {
        transportStream.Process(stream);
        ASSERT_EQ(transportStream.RemovePIDReceiverWithCookie(kPid, &cookie), &receiver);
        receiver.SubmitWriteBuffer();
    }

    CDirectTransportStreamReceiver transportStream;
    CDVBPCRReceiver* pcr = new CDVBPCRReceiver;
    CPCRBoundClock clock { &transportStream, pcr };
    CTestPullReceiver receiver { 4, 1024 };
    GUID cookie;
};

} // namespace

TEST_F(PullReceiverStamping, EachBufferCarriesTheProgrammeClockOfItsPESHeaderPacket)
{
    Receive(StreamWithPCRs(2));

    for (int n : { 150, 152 }) {
        unsigned long flags = 0;
        int64_t pts = 0;
        ASSERT_EQ(receiver.TakeFilled(&flags, &pts), Pattern(100, 1));
        EXPECT_EQ(flags, DVB_BUFFER_PTS_VALID | DVB_BUFFER_CLOCK_VALID);
        EXPECT_EQ(pts, 20000 + n);
        EXPECT_EQ(receiver.ReadBuffer()->GetProgramClock(), 90 * n);
    }
}

TEST_F(PullReceiverStamping, WithoutAClockEstimateTheBufferIsNotClockStamped)
{
    Receive(StreamWithPCRs(1)); // one PCR sample gives no estimate

    unsigned long flags = 0;
    ASSERT_FALSE(receiver.TakeFilled(&flags).empty());
    EXPECT_EQ(flags, DVB_BUFFER_PTS_VALID);
}
