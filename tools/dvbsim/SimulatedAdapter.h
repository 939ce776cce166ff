#pragma once
// The adapter a program sees under korrix-dvbsim: /dev/dvb/adapterN's
// frontend0, demux0 and dvr0 as real descriptors (an eventfd, datagram sockets,
// a pipe) so poll and select work on them, fed by a thread of its own that
// plays the tuned multiplex's file out through the demux.
#include "ControlFile.h"
#include "Playout.h"
#include "SimConfig.h"
#include "SimDemux.h"
#include "SimFrontend.h"

#include <sys/types.h>

#include <array>
#include <atomic>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace dvbsim {

enum class NodeKind { Frontend, Demux, Dvr };

class SimulatedAdapter : private DemuxSink
{
public:
    // The adapter KORRIX_DVBSIM_CONFIG describes, or null when it is not set
    // (then every call passes through untouched).
    static SimulatedAdapter* Instance();
    // The adapter if it has started: no descriptor can be its before then,
    // and reads and closes made while it starts must not start it again.
    static SimulatedAdapter* Started() { return s_started.load(); }
    ~SimulatedAdapter() override;

    int Number() const { return m_number; }
    bool Present();
    // The node a path names, if it is one of this adapter's.
    std::optional<NodeKind> NodeAt(const char* path) const;

    int Open(NodeKind kind, int flags);
    // Without a lock: every read and close in the process asks, the adapter's
    // own file reads included.
    static bool Owns(int fd) { return fd >= 0 && fd < MAX_FD && s_owned[fd].load(); }
    int Close(int fd);
    // Returns true when the read was answered here (result set), false to read the descriptor.
    bool Read(int fd, ssize_t& result);
    int Ioctl(int fd, unsigned long request, void* argument);

private:
    struct Node {
        NodeKind kind = NodeKind::Frontend;
        int feed = -1; // the end this adapter writes
        bool gone = false;
        bool overflowed = false;
        std::vector<uint8_t> tail; // the rest of a packet dvr0 could only take in part
    };

    SimulatedAdapter(SimConfig config, int number, std::string control);

    int FrontendIoctl(unsigned long request, void* argument);
    int DemuxIoctl(int fd, Node& node, unsigned long request, void* argument);
    void Drain(int fd);
    void FlushDvr(int fd, Node& node);
    void Refresh();
    void Unplug();
    void EnsurePump();
    void StopPump();
    void Pump();
    void Step(uint64_t nowNs);

    void ToDvr(const uint8_t* data, size_t size) override;
    void ToFilter(int filter, const uint8_t* data, size_t size) override;

    static constexpr int MAX_FD = 65536;
    static std::atomic<SimulatedAdapter*> s_started;
    static std::array<std::atomic<bool>, MAX_FD> s_owned;

    const SimConfig m_config;
    const int m_number;
    const std::string m_control;
    const std::string m_folder;

    std::mutex m_mutex;
    SimFrontend m_frontend;
    SimDemux m_demux;
    std::map<int, Node> m_nodes;
    Reception m_reception = Reception::Signal;
    std::optional<Playout> m_playout;
    uint64_t m_playoutTunes = 0;
    uint64_t m_dvrOverflows = 0;

    std::mutex m_pumpMutex; // starting and ending the thread
    std::thread m_pump;
    bool m_stopping = false;
    std::condition_variable m_wake;
};

} // namespace dvbsim
