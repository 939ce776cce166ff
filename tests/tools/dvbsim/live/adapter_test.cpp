// Runs under korrix-dvbsim (see CMakeLists.txt): the simulated adapter as a
// program meets it, through the kernel's own calls on /dev/dvb/adapter0.
#include <fcntl.h>
#include <linux/dvb/dmx.h>
#include <linux/dvb/frontend.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <thread>
#include <vector>

namespace {

constexpr size_t PACKET = 188;
constexpr int DEADLINE_MS = 10000;

std::vector<uint8_t> Served()
{
    std::ifstream in(std::getenv("KRX_SERVED_FILE"), std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void Control(const char* word)
{
    std::ofstream(std::getenv("KORRIX_DVBSIM_CONTROL")) << word << "\n";
}

int Open(const char* node, int flags = O_RDWR | O_NONBLOCK)
{
    return open((std::string("/dev/dvb/adapter0/") + node).c_str(), flags);
}

fe_status_t Status(int frontend)
{
    fe_status_t status {};
    EXPECT_EQ(ioctl(frontend, FE_READ_STATUS, &status), 0);
    return status;
}

void Tune(int frontend, uint32_t frequency)
{
    dtv_property props[3] = {};
    props[0].cmd = DTV_DELIVERY_SYSTEM;
    props[0].u.data = SYS_DVBT;
    props[1].cmd = DTV_FREQUENCY;
    props[1].u.data = frequency;
    props[2].cmd = DTV_TUNE;
    dtv_properties properties { 3, props };
    ASSERT_EQ(ioctl(frontend, FE_SET_PROPERTY, &properties), 0);
}

uint8_t SignalScale(int frontend)
{
    dtv_property prop {};
    prop.cmd = DTV_STAT_SIGNAL_STRENGTH;
    dtv_properties properties { 1, &prop };
    EXPECT_EQ(ioctl(frontend, FE_GET_PROPERTY, &properties), 0);
    return prop.u.st.stat[0].scale;
}

bool Readable(int fd, int timeoutMs)
{
    pollfd entry { fd, POLLIN, 0 };
    return poll(&entry, 1, timeoutMs) == 1 && (entry.revents & POLLIN);
}

// Reads until `bytes` more have come, failing after the deadline.
void ReadMore(int dvr, std::vector<uint8_t>& into, size_t bytes)
{
    size_t wanted = into.size() + bytes;
    std::vector<uint8_t> buffer(64 * 1024);
    while (into.size() < wanted) {
        ASSERT_TRUE(Readable(dvr, DEADLINE_MS)) << "dvr0 stalled after " << into.size() << " bytes";
        ssize_t got = read(dvr, buffer.data(), buffer.size());
        ASSERT_GT(got, 0) << strerror(errno);
        into.insert(into.end(), buffer.begin(), buffer.begin() + got);
    }
}

size_t Drain(int dvr, std::vector<uint8_t>& into)
{
    std::vector<uint8_t> buffer(64 * 1024);
    size_t drained = 0;
    for (ssize_t got; (got = read(dvr, buffer.data(), buffer.size())) > 0; drained += size_t(got))
        into.insert(into.end(), buffer.begin(), buffer.begin() + got);
    return drained;
}

void ExpectServedFromItsStart(const std::vector<uint8_t>& received)
{
    static const std::vector<uint8_t> served = Served();
    ASSERT_FALSE(served.empty());
    ASSERT_EQ(received.size() % PACKET, 0u);
    for (size_t i = 0; i < received.size(); ++i)
        ASSERT_EQ(received[i], served[i % served.size()]) << "at byte " << i;
}

int WholeStreamTap(int demux)
{
    dmx_pes_filter_params params {};
    params.pid = 0x2000;
    params.input = DMX_IN_FRONTEND;
    params.output = DMX_OUT_TS_TAP;
    params.pes_type = DMX_PES_OTHER;
    params.flags = DMX_IMMEDIATE_START;
    return ioctl(demux, DMX_SET_PES_FILTER, &params);
}

// Each test begins receiving; the adapter stays tuned between them.
class SimulatedAdapter : public testing::Test
{
protected:
    void SetUp() override
    {
        Control("signal");
        frontend = Open("frontend0");
        ASSERT_GE(frontend, 0) << strerror(errno);
    }
    void TearDown() override
    {
        for (int fd : { dvr, demux, frontend })
            if (fd >= 0)
                close(fd);
        Control("signal");
    }
    void Receive(int dvrBuffer = 0)
    {
        Tune(frontend, 506000000);
        ASSERT_TRUE(Status(frontend) & FE_HAS_LOCK);
        demux = Open("demux0");
        dvr = Open("dvr0", O_RDONLY | O_NONBLOCK);
        ASSERT_GE(demux, 0);
        ASSERT_GE(dvr, 0);
        if (dvrBuffer) {
            ASSERT_EQ(ioctl(dvr, DMX_SET_BUFFER_SIZE, dvrBuffer), 0);
        }
        ASSERT_EQ(WholeStreamTap(demux), 0);
    }

    int frontend = -1, demux = -1, dvr = -1;
};

} // namespace

TEST_F(SimulatedAdapter, LocksOnlyOnAConfiguredFrequencyAndServesItsFileFromTheStart)
{
    dvb_frontend_info info {};
    ASSERT_EQ(ioctl(frontend, FE_GET_INFO, &info), 0);
    EXPECT_EQ(info.type, FE_OFDM);
    Tune(frontend, 514000000);
    EXPECT_EQ(Status(frontend), 0);
    EXPECT_EQ(SignalScale(frontend), FE_SCALE_NOT_AVAILABLE);

    Receive();
    EXPECT_EQ(SignalScale(frontend), FE_SCALE_DECIBEL);
    EXPECT_EQ(Open("dvr0", O_RDONLY), -1) << "a second reader of dvr0";
    EXPECT_EQ(errno, EBUSY);
    std::vector<uint8_t> received;
    ReadMore(dvr, received, 200 * 1024);
    ExpectServedFromItsStart(received);
}

TEST_F(SimulatedAdapter, SectionFilterHandsOneWholeSectionPerRead)
{
    Receive();
    int sdt = Open("demux0");
    dmx_sct_filter_params params {};
    params.pid = 0x11;
    params.filter.filter[0] = 0x42;
    params.filter.mask[0] = 0xFF;
    params.flags = DMX_CHECK_CRC | DMX_IMMEDIATE_START;
    ASSERT_EQ(ioctl(sdt, DMX_SET_FILTER, &params), 0);
    for (int reads = 0; reads < 2; ++reads) {
        ASSERT_TRUE(Readable(sdt, DEADLINE_MS));
        uint8_t section[4096];
        ssize_t size = read(sdt, section, sizeof section);
        ASSERT_GT(size, 3);
        EXPECT_EQ(section[0], 0x42);
        EXPECT_EQ(size_t(size), 3u + (((section[1] & 0x0F) << 8) | section[2]));
    }
    close(sdt);
}

TEST_F(SimulatedAdapter, LostSignalStopsTheStreamUntilItReturnsWhereItStopped)
{
    Receive();
    std::vector<uint8_t> received;
    ReadMore(dvr, received, 100 * 1024);

    Control("nosignal");
    EXPECT_EQ(Status(frontend), 0);
    EXPECT_EQ(SignalScale(frontend), FE_SCALE_NOT_AVAILABLE);
    // Whatever came before the loss is in dvr0 by now; nothing comes after it.
    Drain(dvr, received);
    EXPECT_FALSE(Readable(dvr, 300));

    Control("signal");
    EXPECT_TRUE(Status(frontend) & FE_HAS_LOCK);
    ReadMore(dvr, received, 100 * 1024);
    ExpectServedFromItsStart(received);
}

TEST_F(SimulatedAdapter, ReaderFallingBehindSeesAnOverflowThenWholePacketsAgain)
{
    Receive(4096);
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(DEADLINE_MS);
    char none;
    while (read(dvr, &none, 0) == 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_EQ(errno, EOVERFLOW);
    // Room enough now for a reader on a busy machine; what follows the loss is whole packets.
    ASSERT_EQ(ioctl(dvr, DMX_SET_BUFFER_SIZE, 1 << 20), 0);
    std::vector<uint8_t> received;
    ReadMore(dvr, received, 64 * 1024);
    for (size_t offset = 0; offset < received.size(); offset += PACKET)
        ASSERT_EQ(received[offset], 0x47) << "broken packet at byte " << offset;
}

TEST_F(SimulatedAdapter, UnpluggedAdapterHangsUpItsReadersAndVanishesUntilPluggedBack)
{
    Receive();
    Control("unplugged");
    fe_status_t status {};
    EXPECT_EQ(ioctl(frontend, FE_READ_STATUS, &status), -1);
    EXPECT_EQ(errno, ENODEV);
    pollfd entry { dvr, POLLIN, 0 };
    ASSERT_EQ(poll(&entry, 1, DEADLINE_MS), 1);
    EXPECT_TRUE(entry.revents & POLLHUP);
    char buffer[PACKET];
    EXPECT_EQ(read(dvr, buffer, sizeof buffer), -1);
    EXPECT_EQ(errno, ENODEV);
    EXPECT_EQ(Open("frontend0"), -1);
    EXPECT_EQ(errno, ENOENT);

    Control("signal");
    int again = Open("frontend0");
    EXPECT_GE(again, 0);
    close(again);
}
