#include "SimulatedAdapter.h"

#include "RealCalls.h"

#include <fcntl.h>
#include <linux/dvb/dmx.h>
#include <linux/dvb/frontend.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace dvbsim {
namespace {

constexpr size_t PACKET = 188;
// The kernel's default dvr0 buffer, and the most a pipe gets without privileges.
constexpr int DVR_BUFFER = 10 * 188 * 1024;
constexpr int DVR_BUFFER_UNPRIVILEGED = 1024 * 1024;
constexpr int PAGE = 4096;
constexpr auto PUMP_PERIOD = std::chrono::milliseconds(5);

size_t DvrRoom(int feed)
{
    int capacity = fcntl(feed, F_GETPIPE_SZ);
    int unread = 0;
    Real().ioctl(feed, FIONREAD, &unread);
    return capacity > unread + PAGE ? size_t(capacity - unread - PAGE) : 0;
}

uint64_t NowNs()
{
    using namespace std::chrono;
    return uint64_t(duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count());
}

int Fail(int error)
{
    errno = error;
    return -1;
}

// A pipe fills by pages: the page beyond the size asked for keeps its last
// packets from being cut.
void SizeBuffer(int fd, int bytes, NodeKind kind)
{
    if (kind == NodeKind::Dvr) {
        if (fcntl(fd, F_SETPIPE_SZ, bytes + PAGE) < 0)
            fcntl(fd, F_SETPIPE_SZ, std::min(bytes + PAGE, DVR_BUFFER_UNPRIVILEGED));
    } else {
        setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &bytes, sizeof bytes);
    }
}

} // namespace

std::atomic<SimulatedAdapter*> SimulatedAdapter::s_started;
std::array<std::atomic<bool>, SimulatedAdapter::MAX_FD> SimulatedAdapter::s_owned;

SimulatedAdapter* SimulatedAdapter::Instance()
{
    static SimulatedAdapter* const adapter = []() -> SimulatedAdapter* {
        const char* path = std::getenv("KORRIX_DVBSIM_CONFIG");
        if (!path)
            return nullptr;
        const char* number = std::getenv("KORRIX_DVBSIM_ADAPTER");
        const char* control = std::getenv("KORRIX_DVBSIM_CONTROL");
        try {
            static SimulatedAdapter instance(
                SimConfig::Load(path), number ? std::atoi(number) : 0, control ? control : "");
            s_started = &instance;
            return &instance;
        } catch (const ConfigError& error) {
            std::fprintf(stderr, "korrix-dvbsim: %s: %s\n", path, error.what());
            return nullptr;
        }
    }();
    return adapter;
}

SimulatedAdapter::SimulatedAdapter(SimConfig config, int number, std::string control)
    : m_config(std::move(config))
    , m_number(number)
    , m_control(std::move(control))
    , m_folder("/dev/dvb/adapter" + std::to_string(number) + "/")
    , m_frontend(m_config)
{
}

SimulatedAdapter::~SimulatedAdapter()
{
    StopPump();
    // Destructors that run after this one at exit may still close nodes:
    // those calls go straight to the system now.
    s_started = nullptr;
    std::lock_guard lock(m_mutex);
    for (const auto& [fd, node] : m_nodes)
        s_owned[fd] = false;
    if (m_dvrOverflows)
        std::fprintf(stderr, "korrix-dvbsim: dvr0 overflows: %llu\n", (unsigned long long)m_dvrOverflows);
}

std::optional<NodeKind> SimulatedAdapter::NodeAt(const char* path) const
{
    if (!path || std::strncmp(path, m_folder.c_str(), m_folder.size()) != 0)
        return std::nullopt;
    std::string name = path + m_folder.size();
    if (name == "frontend0")
        return NodeKind::Frontend;
    if (name == "demux0")
        return NodeKind::Demux;
    if (name == "dvr0")
        return NodeKind::Dvr;
    return std::nullopt;
}

bool SimulatedAdapter::Present()
{
    std::lock_guard lock(m_mutex);
    Refresh();
    return m_reception != Reception::Unplugged;
}

int SimulatedAdapter::Open(NodeKind kind, int flags)
{
    int fd = -1;
    {
        std::lock_guard lock(m_mutex);
        Refresh();
        if (m_reception == Reception::Unplugged || m_reception == Reception::Denied)
            return Fail(m_reception == Reception::Unplugged ? ENOENT : EACCES);
        // One reader at a time, as the kernel allows.
        for (const auto& [other, existing] : m_nodes)
            if (kind == NodeKind::Dvr && existing.kind == NodeKind::Dvr && !existing.gone)
                return Fail(EBUSY);
        Node node;
        node.kind = kind;
        fd = MakeDescriptors(node, (flags & O_NONBLOCK) != 0);
        if (fd < 0)
            return -1;
        m_nodes[fd] = std::move(node);
        s_owned[fd] = true;
    }
    EnsurePump();
    return fd;
}

int SimulatedAdapter::Access()
{
    std::lock_guard lock(m_mutex);
    Refresh();
    if (m_reception == Reception::Unplugged || m_reception == Reception::Denied)
        return Fail(m_reception == Reception::Unplugged ? ENOENT : EACCES);
    return 0;
}

// The program's end of the node, with the node's feeding end set.
int SimulatedAdapter::MakeDescriptors(Node& node, bool nonBlocking)
{
    int ends[2] = { -1, -1 };
    switch (node.kind) {
    case NodeKind::Frontend:
        // Never readable: this frontend raises no events.
        ends[0] = eventfd(0, EFD_CLOEXEC | (nonBlocking ? EFD_NONBLOCK : 0));
        break;
    case NodeKind::Demux:
        // Datagrams keep each section whole to its read (a packet filter's
        // output comes a packet a read).
        if (socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, ends) < 0)
            return -1;
        break;
    case NodeKind::Dvr:
        if (pipe2(ends, O_CLOEXEC) < 0)
            return -1;
        fcntl(ends[1], F_SETFL, O_NONBLOCK);
        SizeBuffer(ends[1], DVR_BUFFER, NodeKind::Dvr);
        break;
    }
    if (ends[0] >= MAX_FD) {
        for (int end : ends)
            if (end >= 0)
                Real().close(end);
        return Fail(EMFILE);
    }
    if (ends[0] >= 0 && node.kind != NodeKind::Frontend)
        fcntl(ends[0], F_SETFL, nonBlocking ? O_NONBLOCK : 0);
    node.feed = ends[1];
    return ends[0];
}

int SimulatedAdapter::Close(int fd)
{
    bool last = false;
    {
        std::lock_guard lock(m_mutex);
        auto found = m_nodes.find(fd);
        if (found == m_nodes.end())
            return Real().close(fd);
        if (found->second.feed >= 0)
            Real().close(found->second.feed);
        m_demux.Remove(fd);
        m_nodes.erase(found);
        s_owned[fd] = false;
        last = m_nodes.empty();
    }
    if (last)
        StopPump();
    return Real().close(fd);
}

bool SimulatedAdapter::Read(int fd, ssize_t& result)
{
    std::lock_guard lock(m_mutex);
    auto found = m_nodes.find(fd);
    if (found == m_nodes.end())
        return false;
    Node& node = found->second;
    if (node.gone) {
        result = Fail(ENODEV);
        return true;
    }
    if (node.kind == NodeKind::Frontend) {
        result = Fail(EINVAL);
        return true;
    }
    if (node.overflowed) {
        // As the kernel does: the reader hears of the loss once and starts afresh.
        node.overflowed = false;
        if (node.kind == NodeKind::Dvr)
            FlushDvr(fd, node);
        result = Fail(EOVERFLOW);
        return true;
    }
    return false;
}

int SimulatedAdapter::Ioctl(int fd, unsigned long request, void* argument)
{
    std::lock_guard lock(m_mutex);
    Refresh();
    auto found = m_nodes.find(fd);
    if (found == m_nodes.end())
        return Fail(EBADF);
    Node& node = found->second;
    if (node.gone)
        return Fail(ENODEV);
    int error = 0;
    switch (node.kind) {
    case NodeKind::Frontend:
        error = FrontendIoctl(request, argument);
        break;
    case NodeKind::Demux:
        error = DemuxIoctl(fd, node, request, argument);
        break;
    case NodeKind::Dvr:
        if (request != DMX_SET_BUFFER_SIZE)
            return Fail(ENOTTY);
        SizeBuffer(node.feed, int(reinterpret_cast<uintptr_t>(argument)), NodeKind::Dvr);
        break;
    }
    if (error)
        return Fail(error);
    m_wake.notify_all();
    return 0;
}

int SimulatedAdapter::FrontendIoctl(unsigned long request, void* argument)
{
    switch (request) {
    case FE_GET_INFO:
        *static_cast<dvb_frontend_info*>(argument) = m_frontend.Info();
        return 0;
    case FE_READ_STATUS:
        *static_cast<fe_status_t*>(argument) = m_frontend.Status();
        return 0;
    case FE_READ_SIGNAL_STRENGTH:
        *static_cast<uint16_t*>(argument) = m_frontend.SignalStrength();
        return 0;
    case FE_READ_SNR:
        *static_cast<uint16_t*>(argument) = m_frontend.Snr();
        return 0;
    case FE_READ_BER:
    case FE_READ_UNCORRECTED_BLOCKS:
        *static_cast<uint32_t*>(argument) = 0;
        return 0;
    case FE_SET_TONE:
        return m_frontend.SetTone(fe_sec_tone_mode(reinterpret_cast<uintptr_t>(argument)));
    case FE_SET_VOLTAGE:
        return m_frontend.SetVoltage(fe_sec_voltage(reinterpret_cast<uintptr_t>(argument)));
    case FE_DISEQC_SEND_MASTER_CMD:
        return m_frontend.SendDiseqc(*static_cast<const dvb_diseqc_master_cmd*>(argument));
    case FE_ENABLE_HIGH_LNB_VOLTAGE:
    case FE_DISEQC_SEND_BURST:
    case FE_DISEQC_RESET_OVERLOAD:
        return 0;
    case FE_GET_EVENT:
        return EWOULDBLOCK;
    case FE_GET_PROPERTY:
    case FE_SET_PROPERTY: {
        auto* properties = static_cast<dtv_properties*>(argument);
        if (properties->num == 0 || properties->num > DTV_IOCTL_MAX_MSGS)
            return EINVAL;
        for (uint32_t i = 0; i < properties->num; ++i) {
            dtv_property& property = properties->props[i];
            int error
                = request == FE_GET_PROPERTY ? m_frontend.GetProperty(property) : m_frontend.SetProperty(property);
            property.result = error;
            if (error)
                return error;
        }
        return 0;
    }
    default:
        return ENOTTY;
    }
}

int SimulatedAdapter::DemuxIoctl(int fd, Node& node, unsigned long request, void* argument)
{
    switch (request) {
    case DMX_SET_PES_FILTER:
        Drain(fd);
        return m_demux.SetPesFilter(fd, *static_cast<const dmx_pes_filter_params*>(argument));
    case DMX_SET_FILTER:
        Drain(fd);
        return m_demux.SetSectionFilter(fd, *static_cast<const dmx_sct_filter_params*>(argument));
    case DMX_START:
        Drain(fd);
        node.overflowed = false;
        return m_demux.Start(fd);
    case DMX_STOP:
        return m_demux.Stop(fd);
    case DMX_ADD_PID:
        return m_demux.AddPid(fd, *static_cast<const uint16_t*>(argument));
    case DMX_REMOVE_PID:
        return m_demux.RemovePid(fd, *static_cast<const uint16_t*>(argument));
    case DMX_SET_BUFFER_SIZE:
        SizeBuffer(node.feed, int(reinterpret_cast<uintptr_t>(argument)), NodeKind::Demux);
        return 0;
    default:
        return ENOTTY;
    }
}

void SimulatedAdapter::FlushDvr(int fd, Node& node)
{
    int unread = 0;
    Real().ioctl(fd, FIONREAD, &unread);
    std::vector<char> discard(size_t(std::max(unread, 0)));
    if (unread > 0)
        Real().read(fd, discard.data(), discard.size());
    node.tail.clear();
}

// What an earlier filter left unread is not the new filter's.
void SimulatedAdapter::Drain(int fd)
{
    char discard[4096];
    while (recv(fd, discard, sizeof discard, MSG_DONTWAIT) >= 0) { }
}

void SimulatedAdapter::Refresh()
{
    if (m_control.empty())
        return;
    Reception reception = ReadReception(m_control);
    if (reception == m_reception)
        return;
    m_reception = reception;
    if (reception == Reception::Unplugged)
        Unplug();
    m_frontend.SetSignal(reception != Reception::NoSignal);
}

// Readers wake to a hang-up, then every call on the descriptors fails with ENODEV.
void SimulatedAdapter::Unplug()
{
    for (auto& [fd, node] : m_nodes) {
        node.gone = true;
        if (node.feed >= 0)
            Real().close(node.feed);
        node.feed = -1;
        m_demux.Remove(fd);
    }
}

void SimulatedAdapter::EnsurePump()
{
    std::lock_guard lock(m_pumpMutex);
    if (m_pump.joinable())
        return;
    m_stopping = false;
    m_pump = std::thread([this] { Pump(); });
}

void SimulatedAdapter::StopPump()
{
    std::lock_guard lock(m_pumpMutex);
    if (!m_pump.joinable())
        return;
    {
        std::lock_guard state(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    m_pump.join();
}

void SimulatedAdapter::Pump()
{
    std::unique_lock lock(m_mutex);
    while (!m_stopping) {
        Refresh();
        // Each tune plays its multiplex from the start, once it is locked.
        uint64_t tunes = m_frontend.Tunes();
        if (tunes != m_playoutTunes) {
            m_playoutTunes = tunes;
            m_playout.reset();
            m_playing = nullptr;
        }
        const SimMultiplex* mux = m_frontend.Locked();
        if (mux && mux != m_playing) {
            m_playing = mux; // also when it fails to load: said once, not tried again
            // Loading a file must not hold up the program's calls.
            lock.unlock();
            std::optional<Playout> playout = Load(*mux);
            lock.lock();
            if (m_frontend.Tunes() == tunes)
                m_playout = std::move(playout);
            continue;
        }
        Step(NowNs());
        m_wake.wait_for(lock, PUMP_PERIOD);
    }
}

std::optional<Playout> SimulatedAdapter::Load(const SimMultiplex& mux)
{
    try {
        return Playout::Load(mux.file, mux.rate);
    } catch (const PlayoutError& error) {
        std::fprintf(stderr, "korrix-dvbsim: %s %s\n", mux.file.c_str(), error.what());
        return std::nullopt;
    }
}

void SimulatedAdapter::Step(uint64_t nowNs)
{
    if (!m_playout)
        return;
    // The stream flows while locked and somebody listens; it resumes where it stopped.
    if (m_frontend.Locked() && m_demux.AnyRunning())
        m_playout->Start(nowNs);
    else
        m_playout->Stop();
    m_playout->Deliver(nowNs, [this](const uint8_t* data, size_t size) { m_demux.Dispatch(data, size, *this); });
}

void SimulatedAdapter::ToDvr(const uint8_t* data, size_t size)
{
    for (auto& [fd, node] : m_nodes) {
        if (node.kind != NodeKind::Dvr || node.gone)
            continue;
        if (!node.tail.empty()) {
            ssize_t written = write(node.feed, node.tail.data(), node.tail.size());
            if (written > 0)
                node.tail.erase(node.tail.begin(), node.tail.begin() + written);
        }
        size_t room = node.tail.empty() ? DvrRoom(node.feed) : 0;
        size_t offered = std::min(size, room - room % PACKET);
        ssize_t written = offered ? write(node.feed, data, offered) : 0;
        size_t taken = written > 0 ? size_t(written) : 0;
        // Should the pipe still take a packet in part, its rest goes next, so
        // the reader never sees a broken packet.
        if (taken % PACKET)
            node.tail.assign(data + taken, data + taken + (PACKET - taken % PACKET));
        if (taken + node.tail.size() < size) {
            node.overflowed = true;
            ++m_dvrOverflows;
        }
    }
}

void SimulatedAdapter::ToFilter(int filter, const uint8_t* data, size_t size)
{
    auto found = m_nodes.find(filter);
    if (found == m_nodes.end() || found->second.feed < 0)
        return;
    if (send(found->second.feed, data, size, MSG_DONTWAIT | MSG_NOSIGNAL) < 0)
        found->second.overflowed = true;
}

} // namespace dvbsim
