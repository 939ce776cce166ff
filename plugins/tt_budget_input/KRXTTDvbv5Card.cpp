#include "KRXTTDvbv5Card.h"

#include "KRXTTFrontendSteps.h"

#include "platform/DebugOutput.h"

#include <libdvbv5/dvb-demux.h>
#include <libdvbv5/dvb-fe.h>
// The device list's header, unlike the others, does not declare C linkage.
extern "C" {
#include <libdvbv5/dvb-dev.h>
}

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {
// Room for about half a second at 30 Mbit/s between two reads of dvr0.
constexpr int StreamBufferSize = 2 * 1024 * 1024;

// libdvbv5 talks through this; its lines are diagnostics, not messages.
void LogToDebug(int /*level*/, const char* format, ...)
{
    char line[512];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(line, sizeof line, format, arguments);
    va_end(arguments);
    DebugOutput(CString("libdvbv5: ") + line + "\n");
}

CString AdapterPath(int adapter, const char* node)
{
    return FormatString("/dev/dvb/adapter%d/%s", adapter, node);
}

bool IsPermissionError(int error)
{
    return error == EACCES || error == EPERM;
}

// libdvbv5 does not always leave errno as the failed open set it; asking the
// system directly tells a refusal from anything else.
bool IsRefused(int adapter, int error)
{
    return IsPermissionError(error)
        || (access(AdapterPath(adapter, "frontend0").c_str(), R_OK | W_OK) != 0 && IsPermissionError(errno));
}

bool IsSatellite(const dvb_v5_fe_parms* frontend)
{
    return dvb_fe_is_satellite(frontend->current_sys) != 0;
}

bool ReadDeviceInfo(int adapter, KRXTTDeviceInfo& info)
{
    info.adapter = adapter;
    errno = 0;
    dvb_v5_fe_parms* frontend = dvb_fe_open_flags(adapter, 0, 0, 0, LogToDebug, O_RDONLY);
    if (frontend == nullptr) {
        const int error = errno;
        info.problem = IsRefused(adapter, error) ? "not allowed: add yourself to the 'video' group"
                                                 : CString(std::strerror(error != 0 ? error : ENODEV));
        return false;
    }
    info.frontendName = frontend->info.name;
    info.frontendType
        = FrontendTypeOfSystems(reinterpret_cast<const unsigned*>(frontend->systems), frontend->num_systems);
    const uint32_t scale = IsSatellite(frontend) ? 1 : 1000;
    info.frequencyLow = frontend->info.frequency_min / scale;
    info.frequencyHigh = frontend->info.frequency_max / scale;
    dvb_fe_close(frontend);
    return true;
}
} // namespace

int FrontendTypeOfSystems(const unsigned* systems, int count)
{
    int type = KRX_TT_FRONTEND_NONE;
    for (int i = 0; i < count; ++i) {
        switch (systems[i]) {
        case SYS_DVBT:
        case SYS_DVBT2:
            return KRX_TT_FRONTEND_DVBT;
        case SYS_DVBS:
        case SYS_DVBS2:
            type = KRX_TT_FRONTEND_DVBS;
            break;
        case SYS_DVBC_ANNEX_A:
        case SYS_DVBC_ANNEX_C:
            if (type == KRX_TT_FRONTEND_NONE)
                type = KRX_TT_FRONTEND_DVBC;
            break;
        default:
            break;
        }
    }
    return type;
}

CKRXTTDvbv5Card::~CKRXTTDvbv5Card()
{
    CloseDevice();
}

std::vector<int> CKRXTTDvbv5Card::FindAdapters()
{
    std::vector<int> adapters;
    dvb_device* devices = dvb_dev_alloc();
    if (devices == nullptr)
        return adapters;
    dvb_dev_set_log(devices, 0, LogToDebug);
    if (dvb_dev_find(devices, nullptr, nullptr) == 0) {
        for (int i = 0; i < devices->num_devices; ++i) {
            const dvb_dev_list& device = devices->devices[i];
            int adapter = 0, frontend = 0;
            if (device.dvb_type == DVB_DEVICE_FRONTEND && device.sysname != nullptr
                && std::sscanf(device.sysname, "dvb%d.frontend%d", &adapter, &frontend) == 2 && frontend == 0)
                adapters.push_back(adapter);
        }
    }
    dvb_dev_free(devices);
    std::sort(adapters.begin(), adapters.end());
    adapters.erase(std::unique(adapters.begin(), adapters.end()), adapters.end());
    return adapters;
}

int CKRXTTDvbv5Card::GetNumberOfDevices()
{
    return static_cast<int>(FindAdapters().size());
}

std::vector<KRXTTDeviceInfo> CKRXTTDvbv5Card::DescribeDevices()
{
    std::vector<KRXTTDeviceInfo> infos;
    for (const int adapter : FindAdapters()) {
        KRXTTDeviceInfo info;
        ReadDeviceInfo(adapter, info);
        infos.push_back(info);
    }
    return infos;
}

CString CKRXTTDvbv5Card::GetDevicePath(int index)
{
    const std::vector<int> adapters = FindAdapters();
    const int adapter = index >= 0 && index < static_cast<int>(adapters.size()) ? adapters[index] : index;
    return FormatString("/dev/dvb/adapter%d", adapter);
}

CKRXTTCard::OpenResult CKRXTTDvbv5Card::OpenDevice(int index)
{
    CloseDevice();
    const std::vector<int> adapters = FindAdapters();
    if (index < 0 || index >= static_cast<int>(adapters.size()))
        return OpenFailed;
    const int adapter = adapters[index];
    errno = 0;
    dvb_v5_fe_parms* frontend = dvb_fe_open_flags(adapter, 0, 0, 0, LogToDebug, O_RDWR);
    if (frontend == nullptr)
        return IsRefused(adapter, errno) ? NotAllowed : OpenFailed;
    std::lock_guard<std::mutex> hold(m_frontendLock);
    m_frontend = frontend;
    m_adapter = adapter;
    return Opened;
}

bool CKRXTTDvbv5Card::ResetInit()
{
    if (m_adapter < 0)
        return false;
    m_demux = dvb_dmx_open(m_adapter, 0);
    return m_demux >= 0;
}

bool CKRXTTDvbv5Card::EnableDataDMA(bool enable)
{
    if (!enable) {
        if (m_dvr >= 0)
            close(m_dvr);
        m_dvr = -1;
        return true;
    }
    if (m_adapter < 0)
        return false;
    m_dvr = open(AdapterPath(m_adapter, "dvr0").c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (m_dvr < 0)
        return false;
    // A refused size leaves the driver's own, which only loses more on a busy machine.
    ioctl(m_dvr, DMX_SET_BUFFER_SIZE, StreamBufferSize);
    return true;
}

bool CKRXTTDvbv5Card::InitFrontend()
{
    std::lock_guard<std::mutex> hold(m_frontendLock);
    return m_frontend != nullptr && m_frontend->num_systems > 0;
}

void CKRXTTDvbv5Card::CloseDevice()
{
    EnableDataDMA(false);
    if (m_demux >= 0)
        dvb_dmx_close(m_demux);
    m_demux = -1;
    std::lock_guard<std::mutex> hold(m_frontendLock);
    if (m_frontend != nullptr)
        dvb_fe_close(m_frontend);
    m_frontend = nullptr;
    m_adapter = -1;
}

int CKRXTTDvbv5Card::GetFrontendType()
{
    std::lock_guard<std::mutex> hold(m_frontendLock);
    if (m_frontend == nullptr)
        return KRX_TT_FRONTEND_NONE;
    return FrontendTypeOfSystems(reinterpret_cast<const unsigned*>(m_frontend->systems), m_frontend->num_systems);
}

unsigned CKRXTTDvbv5Card::GetCapabilities()
{
    std::lock_guard<std::mutex> hold(m_frontendLock);
    if (m_frontend == nullptr)
        return 0;
    // No Linux frontend searches channels on its own.
    unsigned capabilities = 0;
    if (m_frontend->info.caps & FE_CAN_INVERSION_AUTO)
        capabilities |= KRX_TT_CAN_INVERSION_AUTO;
    if (m_frontend->info.caps & FE_CAN_BANDWIDTH_AUTO)
        capabilities |= KRX_TT_CAN_BANDWIDTH_AUTO;
    return capabilities;
}

void CKRXTTDvbv5Card::GetFrequencyRange(uint32_t& low, uint32_t& high)
{
    std::lock_guard<std::mutex> hold(m_frontendLock);
    low = high = 0;
    if (m_frontend == nullptr)
        return;
    // Satellite frontends count in kHz, the others in Hz.
    const uint32_t scale = IsSatellite(m_frontend) ? 1 : 1000;
    low = m_frontend->info.frequency_min / scale;
    high = m_frontend->info.frequency_max / scale;
}

void CKRXTTDvbv5Card::GetBandwidthRange(uint32_t& low, uint32_t& high)
{
    // Linux frontends take any of the bandwidths: the definition's applies.
    low = 0;
    high = 4;
}

bool CKRXTTDvbv5Card::SetChannel(const KRXTTChannel& channel)
{
    std::lock_guard<std::mutex> hold(m_frontendLock);
    if (m_frontend == nullptr)
        return false;
    // The plug-in has chosen the band and the switch port: the LNB is
    // switched here and the frontend tuned to the intermediate frequency as it
    // stands. Without an LNB of its own libdvbv5 does just that.
    m_frontend->lnb = nullptr;
    bool done = true;
    for (KRXTTFrontendStep& step : BuildFrontendSteps(channel))
        done = TakeStep(step) && done;
    return done;
}

bool CKRXTTDvbv5Card::TakeStep(KRXTTFrontendStep& step)
{
    switch (step.kind) {
    case KRXTTFrontendStep::DiSEqC:
        return dvb_fe_diseqc_cmd(m_frontend, static_cast<unsigned>(step.message.size()), step.message.data()) == 0;
    case KRXTTFrontendStep::Voltage:
        return dvb_fe_sec_voltage(m_frontend, step.value != 0, step.value == 18) == 0;
    case KRXTTFrontendStep::Tone:
        return dvb_fe_sec_tone(m_frontend, step.value != 0 ? SEC_TONE_ON : SEC_TONE_OFF) == 0;
    case KRXTTFrontendStep::Properties:
        break;
    }
    bool stored = true;
    for (const auto& [command, value] : step.properties) {
        if (command == DTV_DELIVERY_SYSTEM) {
            if (dvb_set_sys(m_frontend, static_cast<fe_delivery_system_t>(value)) != 0)
                return false;
        } else
            stored = dvb_fe_store_parm(m_frontend, command, value) == 0 && stored;
    }
    return dvb_fe_set_parms(m_frontend) == 0 && stored;
}

KRXTTSignal CKRXTTDvbv5Card::GetSignal()
{
    std::lock_guard<std::mutex> hold(m_frontendLock);
    return ReadSignal();
}

KRXTTSignal CKRXTTDvbv5Card::ReadSignal()
{
    KRXTTSignal signal;
    if (m_frontend == nullptr || dvb_fe_get_stats(m_frontend) != 0)
        return signal;
    uint32_t status = 0;
    dvb_fe_retrieve_stats(m_frontend, DTV_STATUS, &status);
    signal.locked = (status & FE_HAS_LOCK) != 0;
    if (!signal.locked)
        return signal;
    ReadLockedParameters(signal);
    if (const dtv_stats* strength = dvb_fe_retrieve_stats_layer(m_frontend, DTV_STAT_SIGNAL_STRENGTH, 0);
        strength != nullptr && strength->scale == FE_SCALE_DECIBEL)
        signal.strength = strength->svalue;
    if (const dtv_stats* cnr = dvb_fe_retrieve_stats_layer(m_frontend, DTV_STAT_CNR, 0);
        cnr != nullptr && cnr->scale == FE_SCALE_DECIBEL)
        signal.carrierToNoise = cnr->svalue;
    fecap_scale_params scale = FE_SCALE_NOT_AVAILABLE;
    const float ber = dvb_fe_retrieve_ber(m_frontend, 0, &scale);
    if (scale != FE_SCALE_NOT_AVAILABLE)
        signal.bitErrorRate = ber;
    // Without the newer statistics call the library makes this count up from the SNR.
    if (m_frontend->has_v5_stats) {
        if (const dtv_stats* blocks = dvb_fe_retrieve_stats_layer(m_frontend, DTV_STAT_ERROR_BLOCK_COUNT, 0);
            blocks != nullptr && blocks->scale == FE_SCALE_COUNTER)
            signal.uncorrectedBlocks = blocks->uvalue;
    }
    return signal;
}

// What the demodulator found: the system it runs and, read back from it, the modulation.
void CKRXTTDvbv5Card::ReadLockedParameters(KRXTTSignal& signal)
{
    if (const int system = SystemOfLinux(m_frontend->current_sys); system >= 0)
        signal.system = system;
    uint32_t modulation = 0;
    if (m_frontend->current_sys == SYS_DVBS)
        signal.modulation = KRX_TT_QPSK;
    else if (dvb_fe_get_parms(m_frontend) == 0 && dvb_fe_retrieve_parm(m_frontend, DTV_MODULATION, &modulation) == 0
        && modulation != QAM_AUTO) {
        if (const int code = ModulationOfLinux(modulation); code >= 0)
            signal.modulation = code;
    }
}

bool CKRXTTDvbv5Card::StartTS()
{
    if (m_demux < 0)
        return false;
    DiscardStaleStream();
    return dvb_set_pesfilter(m_demux, 0x2000, DMX_PES_OTHER, DMX_OUT_TS_TAP, StreamBufferSize) == 0;
}

// The stream device stays open from one tune to the next and keeps what was not
// read before the stop: packets of the previous multiplex, which must not be
// taken for the new one's. The filter is stopped, so the buffer only empties.
void CKRXTTDvbv5Card::DiscardStaleStream()
{
    if (m_dvr < 0)
        return;
    std::vector<unsigned char> scrap(64 * 1024);
    for (int reads = 0; reads <= StreamBufferSize / static_cast<int>(scrap.size()); ++reads) {
        const ssize_t bytes = ::read(m_dvr, scrap.data(), scrap.size());
        if (bytes <= 0 && !(bytes < 0 && errno == EOVERFLOW))
            return;
    }
}

void CKRXTTDvbv5Card::StopTS()
{
    if (m_demux >= 0)
        dvb_dmx_stop(m_demux);
}

KRXTTRead CKRXTTDvbv5Card::ReadStream(unsigned char* buffer, unsigned long size, uint32_t timeoutMs)
{
    KRXTTRead read;
    if (m_dvr < 0) {
        read.outcome = KRXTTRead::Failed;
        read.failure = "the card's stream is not open";
        return read;
    }
    // Read first: while the stream flows there is no need to ask whether it does.
    ssize_t bytes = ::read(m_dvr, buffer, size);
    if (bytes < 0 && errno == EAGAIN && timeoutMs > 0) {
        pollfd wait = { m_dvr, POLLIN, 0 };
        if (poll(&wait, 1, static_cast<int>(timeoutMs)) > 0)
            bytes = ::read(m_dvr, buffer, size);
    }
    if (bytes > 0) {
        read.outcome = KRXTTRead::Data;
        read.bytes = static_cast<unsigned long>(bytes);
        return read;
    }
    const int error = bytes < 0 ? errno : 0;
    if (error == EAGAIN || error == EINTR)
        return read;
    if (error == EOVERFLOW) {
        read.outcome = KRXTTRead::Overflow;
        return read;
    }
    if (bytes == 0) {
        // The end of the stream is only the card going away when the device says so.
        pollfd state = { m_dvr, POLLIN, 0 };
        if (poll(&state, 1, 0) <= 0 || !(state.revents & (POLLHUP | POLLERR | POLLNVAL)))
            return read;
    }
    read.outcome = KRXTTRead::Failed;
    read.failure = error == ENODEV || bytes == 0 ? CString("the card was removed") : CString(std::strerror(error));
    return read;
}
