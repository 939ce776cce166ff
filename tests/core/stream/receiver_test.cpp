#include "StreamTestSupport.h"

#include "si/DVBProgram.h"
#include "stream/DVBPCRReceiver.h"
#include "stream/DVBPacketHistory.h"
#include "viewing/KRXViewingStatus.h"

#include <gtest/gtest.h>

#include <thread>

namespace {
GUID Cookie(uint32_t value)
{
    GUID guid;
    guid.Data1 = value;
    return guid;
}

Bytes Stream(std::initializer_list<unsigned short> pids)
{
    std::vector<Packet> packets;
    for (unsigned short pid : pids)
        packets.push_back(MakePacket(pid));
    return Concatenate(packets);
}
} // namespace

TEST(ReceiverDispatch, CutsReadsIntoPacketsAndKeepsAPartialOneForTheNextRead)
{
    CTestableReceiver receiver(nullptr, nullptr);
    auto* logger = new CLoggingReceiver;
    ASSERT_TRUE(receiver.AddPIDReceiver(0x100, logger));
    EXPECT_EQ(logger->GetPID(), 0x100);

    Bytes stream = Stream({ 0x100, 0x101, 0x100, 0x102, 0x100, 0x100 });
    Bytes read(stream.begin(), stream.begin() + 1000); // 5 packets and 60 bytes
    receiver.ProcessBuffer(read.data(), read.size());
    EXPECT_EQ(receiver.GetPacketsReceived(), 5u);
    EXPECT_EQ(logger->numbers, (std::vector<uint64_t> { 0, 2, 4 })) << "other PIDs are counted, not dispatched";
    EXPECT_EQ(logger->packets[1], Bytes(read.begin() + 2 * 188, read.begin() + 3 * 188));

    Bytes rest(stream.begin() + 1000, stream.end());
    receiver.ProcessBuffer(rest.data(), rest.size());
    EXPECT_EQ(logger->numbers.back(), 5u);
    EXPECT_EQ(logger->packets.back(), Bytes(stream.end() - 188, stream.end()));
    EXPECT_EQ(receiver.GetErrorCounts().syncLosses, 0u);
}

TEST(ReceiverDispatch, ReceiversOnOnePIDGetEveryPacketInInsertionOrder)
{
    CTestableReceiver receiver(nullptr, nullptr);
    std::vector<CLoggingReceiver*> order;
    auto* first = new CLoggingReceiver(DVB_RECEIVER_BASE, false, &order);
    auto* second = new CLoggingReceiver(DVB_RECEIVER_BASE, false, &order);
    receiver.AddPIDReceiver(0x1FFF, first);
    receiver.AddPIDReceiver(0x1FFF, second);
    Bytes read = Stream({ 0x1FFF, 0x1FFF });
    receiver.ProcessBuffer(read.data(), read.size());
    EXPECT_EQ(order, (std::vector<CLoggingReceiver*> { first, second, first, second }));
    EXPECT_EQ(first->numbers, second->numbers);
}

TEST(ReceiverDispatch, PIDsAreMaskedToThirteenBits)
{
    CTestableReceiver receiver(nullptr, nullptr);
    auto* logger = new CLoggingReceiver;
    receiver.AddPIDReceiver(0x0012, logger);
    Packet packet = MakePacket(0x0012);
    packet[1] |= 0xE0; // error, unit start and priority bits
    receiver.ProcessBuffer(packet.data(), packet.size());
    EXPECT_EQ(logger->PacketCount(), 1u);
}

// Adds a receiver to its own PID from inside dispatch, as a PMT naming its own PID as PCR PID does.
class CSelfExtendingReceiver : public CDVBPIDReceiver
{
public:
    explicit CSelfExtendingReceiver(CDVBTransportStreamReceiver* owner)
        : m_owner(owner)
    {
    }
    void OnReceivePacket(uint64_t, unsigned char*) override
    {
        for (int i = 0; i < 20; i++)
            m_owner->AddPIDReceiver(GetPID(), added.emplace_back(new CLoggingReceiver));
    }
    std::vector<CLoggingReceiver*> added;

private:
    CDVBTransportStreamReceiver* m_owner;
};

TEST(ReceiverDispatch, AReceiverMayAddToItsOwnPIDDuringDispatch)
{
    CTestableReceiver receiver(nullptr, nullptr);
    auto* extending = new CSelfExtendingReceiver(&receiver);
    receiver.AddPIDReceiver(0x50, extending);
    Packet packet = MakePacket(0x50);
    receiver.ProcessBuffer(packet.data(), packet.size());
    ASSERT_EQ(extending->added.size(), 20u);
    EXPECT_EQ(extending->added.front()->PacketCount(), 1u) << "receivers added during dispatch join in at once";
}

TEST(ReceiverTable, FindDeleteAndRemoveByTypeAndCookie)
{
    CTestableReceiver receiver(nullptr, nullptr);
    bool pcrDeleted = false;
    auto* video = new CLoggingReceiver(DVB_RECEIVER_VIDEO);
    auto* pcr = new CLoggingReceiver(DVB_RECEIVER_PCR);
    pcr->deleted = &pcrDeleted;
    GUID ours = Cookie(1), theirs = Cookie(2);
    video->SetCookie(&ours);
    receiver.AddPIDReceiver(0x100, video);
    receiver.AddPIDReceiver(0x100, pcr);

    EXPECT_TRUE(receiver.HasPIDReceiver(0x100, DVB_RECEIVER_VIDEO));
    EXPECT_EQ(receiver.GetPIDReceiver(0x100, DVB_RECEIVER_PCR), pcr);
    EXPECT_FALSE(receiver.HasPIDReceiver(0x100, DVB_RECEIVER_AUDIO));
    EXPECT_FALSE(receiver.HasPIDReceiver(0x101, DVB_RECEIVER_VIDEO)) << "PID without a list";

    EXPECT_EQ(receiver.RemovePIDReceiverWithCookie(0x100, &theirs), nullptr);
    EXPECT_EQ(receiver.RemovePIDReceiverWithCookie(0x101, &ours), nullptr);
    EXPECT_TRUE(receiver.HasPIDReceiver(0x100, DVB_RECEIVER_VIDEO)) << "a foreign cookie changes nothing";
    EXPECT_EQ(receiver.RemovePIDReceiverWithCookie(0x100, &ours), video);
    EXPECT_FALSE(receiver.HasPIDReceiver(0x100, DVB_RECEIVER_VIDEO));
    delete video;

    EXPECT_FALSE(receiver.DeletePIDReceiver(0x100, DVB_RECEIVER_SI));
    EXPECT_TRUE(receiver.DeletePIDReceiver(0x100, DVB_RECEIVER_PCR));
    EXPECT_TRUE(pcrDeleted);
    EXPECT_FALSE(receiver.HasPIDReceiver(0x100, DVB_RECEIVER_PCR));
}

TEST(ReceiverTable, RefusesPIDsOutsideThirteenBits)
{
    CTestableReceiver receiver(nullptr, nullptr);
    CLoggingReceiver outside;
    GUID cookie;
    EXPECT_FALSE(receiver.AddPIDReceiver(0x2000, &outside));
    EXPECT_FALSE(receiver.AddPIDReceiver(0x100, nullptr));
    EXPECT_FALSE(receiver.HasPIDReceiver(0xFFFF, DVB_RECEIVER_BASE));
    EXPECT_FALSE(receiver.DeletePIDReceiver(0xFFFF, DVB_RECEIVER_BASE));
    EXPECT_EQ(receiver.RemovePIDReceiverWithCookie(0x2000, &cookie), nullptr);
}

TEST(ReceiverTimeNotifications, OnlyForReceiversThatAskAndUntilTheyLeave)
{
    CTestableReceiver receiver(nullptr, nullptr);
    auto* ticking = new CLoggingReceiver(DVB_RECEIVER_AUDIO, true);
    auto* quiet = new CLoggingReceiver(DVB_RECEIVER_AUDIO, false);
    GUID cookie = Cookie(9);
    ticking->SetCookie(&cookie);
    receiver.AddPIDReceiver(0x200, ticking);
    receiver.AddPIDReceiver(0x201, quiet);
    receiver.OnEveryMillisecond();
    receiver.OnEveryMillisecond();
    EXPECT_EQ(ticking->milliseconds, 2);
    EXPECT_EQ(quiet->milliseconds, 0);

    ASSERT_EQ(receiver.RemovePIDReceiverWithCookie(0x200, &cookie), ticking);
    receiver.OnEveryMillisecond();
    EXPECT_EQ(ticking->milliseconds, 2);
    delete ticking;
}

// The receive thread sleeps this long: it must wake for whichever comes
// first, and only receivers that take time notifications have a say.
TEST(ReceiverTimeNotifications, TheThreadSleepsUntilTheSourceOrAReceiverIsDueOrTheSecondPass)
{
    CScriptedSource source;
    CTestableReceiver receiver(&source, nullptr);
    receiver.OnEveryMillisecond(); // the one-second pass starts counting from here
    auto* sound = new CLoggingReceiver(DVB_RECEIVER_AUDIO, true);
    auto* quiet = new CLoggingReceiver(DVB_RECEIVER_SI, false);
    quiet->notificationWait = 0;
    receiver.AddPIDReceiver(0x200, sound);
    receiver.AddPIDReceiver(0x201, quiet);
    source.due = 30;
    sound->notificationWait = 7;
    EXPECT_EQ(receiver.GetMillisecondsUntilDue(), 7u);
    sound->notificationWait = KRX_INFINITE;
    EXPECT_EQ(receiver.GetMillisecondsUntilDue(), 30u);
    source.due = KRX_INFINITE;
    EXPECT_LE(receiver.GetMillisecondsUntilDue(), 1000u) << "the one-second pass still comes";
    sound->notificationWait = 1; // one that cannot tell keeps the millisecond
    EXPECT_EQ(receiver.GetMillisecondsUntilDue(), 1u);
}

TEST(ReceiverTimeNotifications, DeletedAndResetReceiversAreNotTickedAgain)
{
    // Under the address sanitizer a tick to a deleted receiver is a use after free.
    CTestableReceiver receiver(nullptr, nullptr);
    receiver.AddPIDReceiver(0x200, new CLoggingReceiver(DVB_RECEIVER_PCR, true));
    receiver.AddPIDReceiver(0x201, new CLoggingReceiver(DVB_RECEIVER_VIDEO, true));
    EXPECT_TRUE(receiver.DeletePIDReceiver(0x200, DVB_RECEIVER_PCR));
    receiver.OnEveryMillisecond();
    receiver.Reset();
    receiver.OnEveryMillisecond();
    EXPECT_FALSE(receiver.HasPIDReceiver(0x201, DVB_RECEIVER_VIDEO));
}

TEST(ReceiverReset, DropsReceiversProgrammesAndTheCount)
{
    CTestableReceiver receiver(nullptr, nullptr);
    bool deleted = false;
    auto* logger = new CLoggingReceiver;
    logger->deleted = &deleted;
    receiver.AddPIDReceiver(0x300, logger);
    receiver.GetOrCreateProgram(5);
    Bytes read = Stream({ 0x300, 0x300 });
    receiver.ProcessBuffer(read.data(), read.size());

    receiver.Reset();
    EXPECT_TRUE(deleted);
    EXPECT_EQ(receiver.GetPacketsReceived(), 0u);
    EXPECT_EQ(receiver.GetProgramsList()->GetCount(), 0);
    EXPECT_EQ(receiver.GetProgram(5), nullptr);

    // The PID works again after a reset.
    auto* again = new CLoggingReceiver;
    receiver.AddPIDReceiver(0x300, again);
    receiver.ProcessBuffer(read.data(), read.size());
    EXPECT_EQ(again->numbers, (std::vector<uint64_t> { 0, 1 }));
}

TEST(ReceiverProgrammes, KeptInAscendingNumber)
{
    CTestableReceiver receiver(nullptr, nullptr);
    for (unsigned short number : { 30, 10, 20, 40, 10 })
        receiver.GetOrCreateProgram(number);
    std::vector<unsigned short> numbers;
    CSingleLock lock(receiver.GetProgramsSection(), true);
    for (CDVBProgram* program : *receiver.GetProgramsList())
        numbers.push_back(program->GetProgramNumber());
    EXPECT_EQ(numbers, (std::vector<unsigned short> { 10, 20, 30, 40 }));
    EXPECT_EQ(receiver.GetProgram(20)->GetPCRPID(), DVB_NO_PID);
}

namespace {
// Two programmes with PCR receivers on 0x100 and 0x200, fed PCRs so that the
// first runs at 15,040,000 bit/s and the second at 7,520,000 bit/s.
void AddTwoPCRProgrammes(CTestableReceiver& receiver)
{
    receiver.GetOrCreateProgram(1)->SetPCRPID(0x100);
    receiver.GetOrCreateProgram(2)->SetPCRPID(0x200);
    receiver.GetOrCreateProgram(3); // no PCR PID: ignored
    receiver.AddPIDReceiver(0x100, new CDVBPCRReceiver);
    receiver.AddPIDReceiver(0x200, new CDVBPCRReceiver);
    Packet packet = MakePCRPacket(0x100, 0);
    receiver.GetPIDReceiver(0x100, DVB_RECEIVER_PCR)->OnReceivePacket(0, packet.data());
    packet = MakePCRPacket(0x100, 9000);
    receiver.GetPIDReceiver(0x100, DVB_RECEIVER_PCR)->OnReceivePacket(1000, packet.data());
    packet = MakePCRPacket(0x200, 0);
    receiver.GetPIDReceiver(0x200, DVB_RECEIVER_PCR)->OnReceivePacket(0, packet.data());
    packet = MakePCRPacket(0x200, 18000);
    receiver.GetPIDReceiver(0x200, DVB_RECEIVER_PCR)->OnReceivePacket(1000, packet.data());
}
} // namespace

TEST(ReceiverBitrate, AveragesTheProgrammesThatHaveOne)
{
    CTestableReceiver receiver(nullptr, nullptr);
    receiver.CalculateBitrate();
    EXPECT_EQ(receiver.GetBitrate(), 0);
    AddTwoPCRProgrammes(receiver);
    receiver.CalculateBitrate();
    EXPECT_EQ(receiver.GetBitrate(), (15040000 + 7520000) / 2);
    EXPECT_NE(receiver.GetPCRReceiver(1), nullptr);
    EXPECT_EQ(receiver.GetPCRReceiver(3), nullptr);
    EXPECT_EQ(receiver.GetPCRReceiver(4), nullptr);
}

TEST(ReceiverBitrate, APluginReceiverOfTypeTwoIsNoPCRReceiver)
{
    CTestableReceiver receiver(nullptr, nullptr);
    receiver.GetOrCreateProgram(1)->SetPCRPID(0x100);
    receiver.AddPIDReceiver(0x100, new CLoggingReceiver(DVB_RECEIVER_PCR));
    receiver.CalculateBitrate();
    EXPECT_EQ(receiver.GetBitrate(), 0);
    EXPECT_EQ(receiver.GetPCRReceiver(1), nullptr);
}

TEST(ReceiverBitrate, WithoutPCRsTheStatusShowsThePacketsOfTheLastSecondsButTheSourceIsNotPacedByThem)
{
    CScriptedSource source;
    CTestableReceiver receiver(&source, nullptr);
    // The PCR PID is named but not carried, as in a capture that kept only the sound.
    receiver.GetOrCreateProgram(5)->SetPCRPID(0x300);
    receiver.AddPIDReceiver(0x300, new CDVBPCRReceiver);
    Bytes read = Stream({ 0x103, 0x103, 0x103 });
    receiver.ProcessBuffer(read.data(), read.size());
    receiver.OnEverySecond();
    EXPECT_EQ(ReadReceptionFigures(receiver, source).bitrate, 3 * 1504);
    EXPECT_EQ(source.Bitrates().back(), 0);
    receiver.OnEverySecond();
    EXPECT_EQ(ReadReceptionFigures(receiver, source).bitrate, 3 * 1504 / 2) << "a burst counts over several seconds";

    AddTwoPCRProgrammes(receiver);
    receiver.ProcessBuffer(read.data(), read.size());
    receiver.OnEverySecond();
    EXPECT_EQ(ReadReceptionFigures(receiver, source).bitrate, (15040000 + 7520000) / 2) << "the PCRs' rate wins";
}

TEST(ReceiverOneSecondPass, TellsTheSourceTicksReceiversAndTracksData)
{
    CScriptedSource source;
    CTestableReceiver receiver(&source, nullptr);
    auto* logger = new CLoggingReceiver;
    receiver.AddPIDReceiver(0x400, logger);

    receiver.OnEverySecond();
    EXPECT_EQ(source.Bitrates(), std::vector<int> { 0 }) << "no PCR-bearing programme";
    EXPECT_EQ(source.seconds, 1);
    EXPECT_EQ(logger->seconds, 1);
    EXPECT_FALSE(receiver.IsDataBeingReceived());
    EXPECT_EQ(receiver.GetSecondsSinceStart(), 1);

    Bytes read = Stream({ 0x400 });
    receiver.ProcessBuffer(read.data(), read.size());
    receiver.OnEverySecond();
    EXPECT_TRUE(receiver.IsDataBeingReceived());
    receiver.OnEverySecond();
    EXPECT_FALSE(receiver.IsDataBeingReceived()) << "false one second after data stops";
    receiver.ProcessBuffer(read.data(), read.size());
    receiver.OnEverySecond();
    EXPECT_TRUE(receiver.IsDataBeingReceived()) << "true again one second after it resumes";

    AddTwoPCRProgrammes(receiver);
    receiver.OnEverySecond();
    EXPECT_EQ(source.Bitrates().back(), (15040000 + 7520000) / 2);
    EXPECT_EQ(receiver.GetSecondsSinceStart(), 5);

    receiver.Start();
    EXPECT_EQ(receiver.GetSecondsSinceStart(), 0) << "Start restarts the count";
    EXPECT_EQ(receiver.GetPacketsReceived(), 0u);
}

// Looked at while its PID's list is searched: records whether another thread
// can take the programme lock meanwhile (it cannot if the searcher holds it).
class CLockProbe : public CDVBPIDReceiver
{
public:
    explicit CLockProbe(CDVBTransportStreamReceiver* owner)
        : m_owner(owner)
    {
    }
    ~CLockProbe() override { Finish(); }
    int GetType() override
    {
        Finish();
        m_taken.Reset();
        m_other = std::thread([this] {
            CSingleLock lock(m_owner->GetProgramsSection(), true);
            m_taken.Set();
        });
        programLockFree = m_taken.Wait(2000);
        return DVB_RECEIVER_BASE;
    }
    // Joined only after the search, when a lock held by the searcher is free again.
    void Finish()
    {
        if (m_other.joinable())
            m_other.join();
    }
    bool programLockFree = false;

private:
    CDVBTransportStreamReceiver* m_owner;
    CEvent m_taken { true, false };
    std::thread m_other;
};

// Section handlers take the programme lock while their PID's list is locked;
// a PCR PID shared with an SI PID must not let a query take them the other way round.
TEST(ReceiverBitrate, PCRQueriesDoNotSearchListsUnderTheProgrammeLock)
{
    CTestableReceiver receiver(nullptr, nullptr);
    receiver.GetOrCreateProgram(1)->SetPCRPID(0x0000);
    auto* probe = new CLockProbe(&receiver);
    receiver.AddPIDReceiver(0x0000, probe);
    receiver.AddPIDReceiver(0x0000, new CDVBPCRReceiver);
    EXPECT_NE(receiver.GetPCRReceiver(1), nullptr);
    probe->Finish();
    EXPECT_TRUE(probe->programLockFree);
    probe->programLockFree = false;
    receiver.CalculateBitrate();
    probe->Finish();
    EXPECT_TRUE(probe->programLockFree);
}

namespace {
// A decoder that shows pictures.
class CShowingReceiver : public CLoggingReceiver
{
public:
    using CLoggingReceiver::CLoggingReceiver;
    bool RequiresDisplay() override { return true; }
};
} // namespace

// A zap: the video decoder that joins is first given its PID's packets from
// the latest random-access point already received, then the stream goes on,
// every packet once and in order. Other receivers start with what comes next.
TEST(ReceiverJoining, AVideoReceiverStartsFromTheLatestRandomAccessPointAlreadyReceived)
{
    CTestableReceiver receiver(nullptr, nullptr);
    const auto startingAt = [](unsigned char mark, bool randomAccess) {
        Packet packet = MakeAdaptationPacket(0x100, 1, true);
        packet[1] |= 0x40; // a PES starts here
        packet[5] = randomAccess ? 0x40 : 0x00;
        packet[6] = mark;
        return packet;
    };
    const auto following = [](unsigned char mark) {
        Packet packet = MakePacket(0x100);
        packet[4] = mark;
        return packet;
    };
    Bytes stream;
    for (const Packet& packet : { startingAt(1, true), following(2), startingAt(3, true), following(4),
             MakePacket(0x101), startingAt(5, false), following(6) })
        stream.insert(stream.end(), packet.begin(), packet.end());
    receiver.ProcessBuffer(stream.data(), static_cast<unsigned long>(stream.size()));

    auto* video = new CShowingReceiver(DVB_RECEIVER_VIDEO);
    auto* audio = new CLoggingReceiver(DVB_RECEIVER_AUDIO);
    receiver.AddPIDReceiver(0x100, video);
    receiver.AddPIDReceiver(0x100, audio);
    Packet next = following(7);
    receiver.ProcessBuffer(next.data(), DVB_PACKET_SIZE);

    std::vector<unsigned char> marks;
    for (const Bytes& packet : video->packets)
        marks.push_back(packet[1] & 0x40 ? packet[6] : packet[4]);
    EXPECT_EQ(marks, (std::vector<unsigned char> { 3, 4, 5, 6, 7 }));
    EXPECT_EQ(audio->packets.size(), 1u);
}

TEST(PacketHistory, KeepsTheNewestPacketsAndReplaysNothingWithoutARandomAccessPoint)
{
    CDVBPacketHistory history(3);
    Packet start = MakeAdaptationPacket(0x100, 1, true);
    start[1] |= 0x40;
    start[5] = 0x40; // random access
    history.Add(start.data());
    for (unsigned char mark : { 1, 2, 3 }) {
        Packet packet = MakePacket(0x100, false, mark);
        history.Add(packet.data());
    }
    std::vector<unsigned char> replayed;
    history.ReplayFromRandomAccess(0x100, [&](unsigned char* packet) { replayed.push_back(packet[10]); });
    EXPECT_TRUE(replayed.empty()) << "the random-access point has been pushed out";
    history.Add(start.data());
    history.ReplayFromRandomAccess(0x100, [&](unsigned char* packet) { replayed.push_back(packet[10]); });
    EXPECT_EQ(replayed.size(), 1u);
    history.Clear();
    history.ReplayFromRandomAccess(0x100, [&](unsigned char* packet) { replayed.push_back(packet[10]); });
    EXPECT_EQ(replayed.size(), 1u) << "nothing after Clear";
}
