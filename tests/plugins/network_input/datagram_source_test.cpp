#include "KRXNetDatagramSource.h"

#include <gtest/gtest.h>

#include <deque>

namespace {
// Datagrams waiting in memory, as a socket would hold them.
class MemorySocket : public CKRXNetDatagramSocket
{
public:
    std::deque<std::vector<uint8_t>>* waiting;
    CString refusal;
    bool open = false;

    explicit MemorySocket(std::deque<std::vector<uint8_t>>* queue)
        : waiting(queue)
    {
    }
    bool Open(const KRXNetURL&, CString& error) override
    {
        error = refusal;
        open = refusal.empty();
        return open;
    }
    void Close() override { open = false; }
    long Receive(uint8_t* buffer, size_t size) override
    {
        if (!open || waiting->empty())
            return -1;
        const std::vector<uint8_t> datagram = waiting->front();
        waiting->pop_front();
        const size_t taken = std::min(size, datagram.size());
        std::copy_n(datagram.begin(), taken, buffer);
        return static_cast<long>(taken);
    }
};

// count packets of 188 bytes, each filled with its number.
std::vector<uint8_t> Packets(int first, int count)
{
    std::vector<uint8_t> bytes;
    for (int i = first; i < first + count; ++i)
        bytes.insert(bytes.end(), 188, uint8_t(i));
    return bytes;
}

std::vector<uint8_t> RTP(uint16_t sequence, const std::vector<uint8_t>& payload, uint8_t type = 33)
{
    std::vector<uint8_t> datagram = { 0x80, type, uint8_t(sequence >> 8), uint8_t(sequence), 0, 0, 0, 0, 0, 0, 0, 0 };
    datagram.insert(datagram.end(), payload.begin(), payload.end());
    return datagram;
}

struct SourceFixture : ::testing::Test {
    std::deque<std::vector<uint8_t>> waiting;
    std::unique_ptr<CKRXNetDatagramSource> source;

    void Open(const char* text, const CString& refusal = "")
    {
        KRXNetURL url;
        CString error;
        ASSERT_TRUE(ParseNetURL(text, url, error));
        auto socket = std::make_unique<MemorySocket>(&waiting);
        socket->refusal = refusal;
        source = std::make_unique<CKRXNetDatagramSource>(std::move(socket), url);
        source->Initialise();
        source->Start();
    }
    // Reads of the given size until one delivers nothing.
    std::vector<uint8_t> ReadAll(unsigned long size)
    {
        std::vector<uint8_t> all, buffer(size);
        while (unsigned long read = source->ReadBuffer(buffer.data(), size)) {
            EXPECT_EQ(read % 188, 0u);
            all.insert(all.end(), buffer.begin(), buffer.begin() + read);
        }
        return all;
    }
};
} // namespace

TEST_F(SourceFixture, UDPDeliversWholePacketsInArrivalOrderWhateverTheReadSize)
{
    Open("udp://127.0.0.1:5000");
    const std::vector<uint8_t> stream = Packets(0, 40);
    // Datagrams that cut packets in two are put together again.
    for (size_t at = 0; at < stream.size(); at += 1000)
        waiting.emplace_back(stream.begin() + at, stream.begin() + std::min(stream.size(), at + 1000));
    // A read with room for three packets and a bit takes three at a time.
    EXPECT_EQ(ReadAll(3 * 188 + 100), stream);
    CString status;
    source->GetStatus(status);
    EXPECT_EQ(status, "");
}

TEST_F(SourceFixture, RTPPutsPayloadsInOrderCountsTheLostAndDiscardsOtherTypes)
{
    Open("rtp://@239.1.1.1:5000");
    std::vector<uint8_t> expected;
    // 5 never comes; 3 overtakes 2.
    for (uint16_t sequence : { 1, 3, 2, 4, 6, 7, 8, 9, 10, 11, 12, 13 })
        waiting.push_back(RTP(sequence, Packets(sequence * 7, 7)));
    waiting.push_back(RTP(14, Packets(0, 7), 96));
    for (int sequence = 1; sequence <= 13; ++sequence) {
        if (sequence != 5) {
            const std::vector<uint8_t> payload = Packets(sequence * 7, 7);
            expected.insert(expected.end(), payload.begin(), payload.end());
        }
    }
    EXPECT_EQ(ReadAll(100000), expected);
    EXPECT_EQ(source->GetLostCount(), 1u);
    EXPECT_EQ(source->GetDiscardedCount(), 1u);
    CString status;
    source->GetStatus(status);
    EXPECT_EQ(status, "1 RTP packet lost, 1 discarded");
}

TEST_F(SourceFixture, ASocketThatCannotOpenEndsTheStreamSayingWhy)
{
    Open("udp://127.0.0.1:5000", "cannot receive on port 5000: Address already in use");
    waiting.push_back(Packets(0, 7));
    EXPECT_TRUE(source->HasEnded());
    EXPECT_FALSE(source->Start());
    EXPECT_TRUE(ReadAll(10000).empty());
    CString status;
    source->GetStatus(status);
    EXPECT_EQ(status, "cannot receive: cannot receive on port 5000: Address already in use");
}

// The receive thread comes back at once for what a full read left in the
// socket, and otherwise lets datagrams gather rather than asking every
// millisecond.
TEST_F(SourceFixture, AFullReadIsFollowedAtOnceAndAnEmptyOneAfterAWhile)
{
    Open("rtp://127.0.0.1:5000");
    for (uint16_t sequence = 0; sequence < 3; ++sequence)
        waiting.push_back(RTP(sequence, Packets(sequence * 7, 7)));
    std::vector<uint8_t> buffer(10 * 188);
    EXPECT_EQ(source->ReadBuffer(buffer.data(), buffer.size()), buffer.size());
    EXPECT_EQ(source->GetMillisecondsUntilDue(), 0u);
    EXPECT_EQ(source->ReadBuffer(buffer.data(), buffer.size()), buffer.size());
    EXPECT_EQ(source->GetMillisecondsUntilDue(), 0u);
    EXPECT_EQ(source->ReadBuffer(buffer.data(), buffer.size()), 188u);
    const uint32_t gather = source->GetMillisecondsUntilDue();
    EXPECT_GE(gather, 5u);
    EXPECT_LE(gather, 20u) << "the PCRs' arrival times need reads a few times a frame";
    EXPECT_EQ(source->ReadBuffer(buffer.data(), buffer.size()), 0u);
    EXPECT_EQ(source->GetMillisecondsUntilDue(), gather);
}
