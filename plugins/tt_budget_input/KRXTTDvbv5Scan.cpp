// The scan from an initial-tuning file: each entry is tuned and its tables
// read all at once, each on its own demux filter, until they are complete
// (not for fixed times); libdvbv5 then lists the services and adds the
// multiplexes the NIT names (terrestrial, T2, satellite, S2 and cable
// delivery descriptors) to the entries still to come.
#include "KRXTTDvbv5Card.h"
#include "KRXTTFrontendSteps.h"
#include "KRXTTTableWait.h"

#include "platform/Clock.h"

#include <libdvbv5/dvb-demux.h>
#include <libdvbv5/dvb-file.h>
#include <libdvbv5/dvb-sat.h>
#include <libdvbv5/dvb-scan.h>
#include <libdvbv5/nit.h>
#include <libdvbv5/pat.h>
#include <libdvbv5/pmt.h>
#include <libdvbv5/sdt.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <poll.h>
#include <thread>
#include <unistd.h>

namespace {
// A frontend that hears nothing at all by then has no transmitter to find;
// one that does is given the longer time to lock.
constexpr uint32_t ScanSignalTimeoutMs = 1500;
constexpr uint32_t ScanLockTimeoutMs = 4000;
constexpr uint32_t ScanLockPollMs = 20;
constexpr size_t MaximumSection = 4096;

bool WaitForLock(dvb_v5_fe_parms* frontend)
{
    const uint32_t start = GetMillisecondTime();
    for (;;) {
        uint32_t status = 0;
        if (dvb_fe_get_stats(frontend) == 0)
            dvb_fe_retrieve_stats(frontend, DTV_STATUS, &status);
        if (status & FE_HAS_LOCK)
            return true;
        const uint32_t waited = GetMillisecondTime() - start;
        if (waited >= ScanLockTimeoutMs || (waited >= ScanSignalTimeoutMs && !(status & FE_HAS_SIGNAL)))
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(ScanLockPollMs));
    }
}

// Tunes an entry as it stands, in the system closest to its own that the frontend has.
bool TuneEntry(dvb_v5_fe_parms* frontend, dvb_entry* entry)
{
    uint32_t system = SYS_UNDEFINED;
    dvb_retrieve_entry_prop(entry, DTV_DELIVERY_SYSTEM, &system);
    if (dvb_set_compat_delivery_system(frontend, system) != 0)
        return false;
    for (unsigned i = 0; i < entry->n_props; ++i) {
        if (entry->props[i].cmd != DTV_DELIVERY_SYSTEM)
            dvb_fe_store_parm(frontend, entry->props[i].cmd, entry->props[i].u.data);
    }
    return dvb_fe_set_parms(frontend) == 0;
}

// The demux filters of one multiplex's tables, and the tables read through them.
class CTableReader
{
public:
    CTableReader(dvb_v5_fe_parms* frontend, int adapter)
        : m_frontend(frontend)
        , m_adapter(adapter)
        , m_tables(dvb_scan_alloc_handler_table(frontend->current_sys))
    {
    }
    ~CTableReader()
    {
        for (const auto& [filter, fd] : m_filters)
            dvb_dmx_close(fd);
        if (m_tables != nullptr)
            dvb_scan_free_handler_table(m_tables);
    }
    CTableReader(const CTableReader&) = delete;
    CTableReader& operator=(const CTableReader&) = delete;

    // The tables once complete or given up; null without a PAT.
    dvb_v5_descriptors* Read()
    {
        CKRXTTTableWait wait(GetMillisecondTime());
        while (!wait.IsComplete() && !m_frontend->abort) {
            OpenFilters(wait.Filters());
            const uint32_t now = GetMillisecondTime();
            // What has come is read before a limit counts: a busy machine keeps every table.
            const bool read = ReadReady(wait, static_cast<int>(std::min<uint32_t>(wait.MillisecondsLeft(now), 100)));
            if (!read && wait.IsDone(GetMillisecondTime()))
                break;
        }
        if (m_tables == nullptr || m_tables->pat == nullptr)
            return nullptr;
        return std::exchange(m_tables, nullptr);
    }

private:
    void OpenFilters(const std::vector<KRXTTTableFilter>& filters)
    {
        for (const KRXTTTableFilter& filter : filters) {
            const int key = (filter.pid << 8) | filter.tableId;
            if (m_filters.count(key) != 0)
                continue;
            const int fd = dvb_dmx_open(m_adapter, 0);
            if (fd < 0)
                continue;
            unsigned char value = filter.tableId, mask = 0xFF, mode = 0;
            dvb_set_section_filter(fd, filter.pid, 1, &value, &mask, &mode, DMX_IMMEDIATE_START | DMX_CHECK_CRC);
            m_filters[key] = fd;
        }
    }

    bool ReadReady(CKRXTTTableWait& wait, int timeoutMs)
    {
        std::vector<pollfd> polls;
        std::vector<uint16_t> pids;
        for (const auto& [key, fd] : m_filters) {
            polls.push_back({ fd, POLLIN, 0 });
            pids.push_back(static_cast<uint16_t>(key >> 8));
        }
        if (poll(polls.data(), polls.size(), timeoutMs) <= 0)
            return false;
        bool read = false;
        uint8_t section[MaximumSection];
        for (size_t i = 0; i < polls.size(); ++i) {
            if (!(polls[i].revents & POLLIN))
                continue;
            const ssize_t size = ::read(polls[i].fd, section, sizeof section);
            if (size <= 0)
                continue;
            read = true;
            if (wait.Take(pids[i], section, static_cast<size_t>(size), GetMillisecondTime()))
                Parse(section, static_cast<size_t>(size));
        }
        return read;
    }

    // libdvbv5's parsers add each further section to the table they are given.
    void Parse(uint8_t* section, size_t size)
    {
        const auto length = static_cast<ssize_t>(size);
        switch (section[0]) {
        case DVB_TABLE_PAT:
            dvb_table_pat_init(m_frontend, section, length, &m_tables->pat);
            return;
        case DVB_TABLE_PMT:
            if (dvb_v5_descriptors_program* program = ProgramOf((section[3] << 8) | section[4]))
                dvb_table_pmt_init(m_frontend, section, length, &program->pmt);
            return;
        case DVB_TABLE_SDT:
            dvb_table_sdt_init(m_frontend, section, length, &m_tables->sdt);
            return;
        case DVB_TABLE_NIT:
            dvb_table_nit_init(m_frontend, section, length, &m_tables->nit);
            return;
        default:
            return;
        }
    }

    // The PAT's programmes, listed as libdvbv5 keeps them, once the PAT is there.
    dvb_v5_descriptors_program* ProgramOf(int serviceId)
    {
        if (m_tables->pat == nullptr)
            return nullptr;
        if (m_tables->program == nullptr) {
            m_tables->program = static_cast<dvb_v5_descriptors_program*>(
                calloc(m_tables->pat->programs, sizeof(dvb_v5_descriptors_program)));
            dvb_pat_program_foreach(program, m_tables->pat)
            {
                m_tables->program[m_tables->num_program++].pat_pgm = program;
            }
        }
        for (unsigned i = 0; i < m_tables->num_program; ++i) {
            if (m_tables->program[i].pat_pgm->service_id == serviceId)
                return &m_tables->program[i];
        }
        return nullptr;
    }

    dvb_v5_fe_parms* m_frontend;
    int m_adapter;
    dvb_v5_descriptors* m_tables;
    std::map<int, int> m_filters; // PID and table id: demux descriptor
};

uint32_t Property(dvb_entry* entry, unsigned command, uint32_t fallback)
{
    uint32_t value = 0;
    return dvb_retrieve_entry_prop(entry, command, &value) == 0 ? value : fallback;
}

uint32_t BandwidthCode(uint32_t hertz)
{
    switch (hertz) {
    case 1712000:
        return KRX_TT_BANDWIDTH_1_7MHZ;
    case 5000000:
        return KRX_TT_BANDWIDTH_5MHZ;
    case 6000000:
        return KRX_TT_BANDWIDTH_6MHZ;
    case 7000000:
        return KRX_TT_BANDWIDTH_7MHZ;
    case 10000000:
        return KRX_TT_BANDWIDTH_10MHZ;
    default:
        return KRX_TT_BANDWIDTH_8MHZ;
    }
}

uint32_t InversionCode(uint32_t inversion)
{
    return inversion == INVERSION_ON ? 0 : inversion == INVERSION_OFF ? 1 : 2;
}

uint32_t ViterbiCode(uint32_t fec)
{
    static const uint32_t rates[] = { FEC_1_2, FEC_2_3, FEC_3_4, FEC_4_5, FEC_5_6, FEC_6_7, FEC_7_8, FEC_8_9 };
    const auto found = std::find(std::begin(rates), std::end(rates), fec);
    return found == std::end(rates) ? 0 : static_cast<uint32_t>(found - std::begin(rates) + 1);
}

uint32_t RollOffCode(uint32_t rollOff)
{
    return rollOff == ROLLOFF_20 ? KRX_TT_ROLLOFF_20 : rollOff == ROLLOFF_25 ? KRX_TT_ROLLOFF_25 : KRX_TT_ROLLOFF_35;
}

// The services of one tuned multiplex, as dvb_store_channel lists them.
void AddServices(dvb_v5_fe_parms* frontend, dvb_v5_descriptors* tables, KRXTTFoundMultiplex& multiplex)
{
    dvb_file* services = nullptr;
    if (dvb_store_channel(&services, frontend, tables, 0, 0) != 0 || services == nullptr)
        return;
    for (dvb_entry* entry = services->first_entry; entry != nullptr; entry = entry->next)
        multiplex.services.push_back(
            entry->channel != nullptr ? entry->channel : FormatString("%u", entry->service_id));
    dvb_file_free(services);
}

// The multiplex in the plug-in's codes, in the system it was received with.
KRXTTFoundMultiplex Describe(dvb_entry* entry, uint32_t system, int diseqcPort)
{
    const bool satellite = dvb_fe_is_satellite(system) != 0;
    KRXTTFoundMultiplex multiplex;
    multiplex.system = std::max(SystemOfLinux(system), 0);
    const uint32_t frequency = Property(entry, DTV_FREQUENCY, 0);
    multiplex.frequency = satellite ? frequency : frequency / 1000;
    multiplex.bandwidth = BandwidthCode(Property(entry, DTV_BANDWIDTH_HZ, 8000000));
    multiplex.inversion = InversionCode(Property(entry, DTV_INVERSION, INVERSION_AUTO));
    multiplex.symbolRate = Property(entry, DTV_SYMBOL_RATE, 0);
    const uint32_t polarisation = Property(entry, DTV_POLARIZATION, POLARIZATION_H);
    multiplex.voltage = polarisation == POLARIZATION_V || polarisation == POLARIZATION_R ? 13 : 18;
    multiplex.viterbi = ViterbiCode(Property(entry, DTV_INNER_FEC, FEC_AUTO));
    const int modulation = ModulationOfLinux(Property(entry, DTV_MODULATION, QAM_AUTO));
    multiplex.modulation = system == SYS_DVBS ? KRX_TT_QPSK : std::max(modulation, 0);
    multiplex.rollOff = RollOffCode(Property(entry, DTV_ROLLOFF, ROLLOFF_35));
    const uint32_t stream = Property(entry, DTV_STREAM_ID, NO_STREAM_ID_FILTER);
    multiplex.streamId = stream == NO_STREAM_ID_FILTER ? -1 : static_cast<int>(stream);
    multiplex.diseqcPort = satellite ? diseqcPort : -1;
    return multiplex;
}
} // namespace

bool CKRXTTDvbv5Card::ScanInitialFile(const CString& path, int diseqcPort, const KRXTTScanProgress& progress,
    std::vector<KRXTTFoundMultiplex>& found, CString& error)
{
    std::lock_guard<std::mutex> hold(m_frontendLock);
    if (m_frontend == nullptr || m_demux < 0) {
        error = "no card is open";
        return false;
    }
    dvb_file* initial = dvb_read_file_format(path.c_str(), SYS_UNDEFINED, FILE_DVBV5);
    if (initial == nullptr) {
        error = "cannot read '" + path + "' as an initial-tuning file";
        return false;
    }
    const bool satellite
        = FrontendTypeOfSystems(reinterpret_cast<const unsigned*>(m_frontend->systems), m_frontend->num_systems)
        == KRX_TT_FRONTEND_DVBS;
    // The scanner tunes by the transponder's frequency: the universal LNB
    // and the switch port are the library's to set while it scans.
    if (satellite) {
        m_frontend->lnb = dvb_sat_get_lnb(dvb_sat_search_lnb("UNIVERSAL"));
        m_frontend->sat_number = diseqcPort;
    }
    bool stopped = false;
    for (dvb_entry* entry = initial->first_entry; entry != nullptr; entry = entry->next) {
        const uint32_t frequency = Property(entry, DTV_FREQUENCY, 0);
        // Satellite entries are in kHz, the others in Hz.
        if (!progress(FormatString("Tuning %u %s...", frequency / 1000, satellite ? "MHz" : "kHz"))) {
            stopped = true;
            break;
        }
        if (!TuneEntry(m_frontend, entry) || !WaitForLock(m_frontend))
            continue;
        CTableReader reader(m_frontend, m_adapter);
        dvb_v5_descriptors* tables = reader.Read();
        if (tables == nullptr)
            continue;
        KRXTTFoundMultiplex multiplex = Describe(entry, m_frontend->current_sys, diseqcPort);
        AddServices(m_frontend, tables, multiplex);
        found.push_back(multiplex);
        dvb_add_scaned_transponders(m_frontend, tables, initial->first_entry, entry);
        dvb_scan_free_handler_table(tables);
    }
    m_frontend->lnb = nullptr;
    m_frontend->sat_number = -1;
    dvb_file_free(initial);
    if (stopped)
        error = "the scan was stopped";
    return !stopped;
}
