// The scan from an initial-tuning file, with libdvbv5's own scanner: each
// entry is tuned, its PAT, SDT and NIT read, and the multiplexes the NIT names
// are added to the list as it goes.
#include "KRXTTDvbv5Card.h"

#include "platform/Clock.h"

#include <libdvbv5/dvb-file.h>
#include <libdvbv5/dvb-sat.h>
#include <libdvbv5/dvb-scan.h>

#include <algorithm>
#include <thread>

namespace {
// As long as a frontend is given to lock before a frequency counts as empty.
constexpr uint32_t ScanLockTimeoutMs = 4000;
constexpr uint32_t ScanLockPollMs = 20;

// libdvbv5 asks this after tuning each entry: 0 once locked.
int CheckFrontend(void* /*argument*/, dvb_v5_fe_parms* frontend)
{
    const uint32_t start = GetMillisecondTime();
    while (GetMillisecondTime() - start < ScanLockTimeoutMs) {
        uint32_t status = 0;
        if (dvb_fe_get_stats(frontend) == 0 && dvb_fe_retrieve_stats(frontend, DTV_STATUS, &status) == 0
            && (status & FE_HAS_LOCK))
            return 0;
        if (frontend->abort)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(ScanLockPollMs));
    }
    return -1;
}

uint32_t Property(dvb_entry* entry, unsigned command, uint32_t fallback)
{
    uint32_t value = 0;
    return dvb_retrieve_entry_prop(entry, command, &value) == 0 ? value : fallback;
}

uint32_t BandwidthCode(uint32_t hertz)
{
    return hertz == 6000000 ? 0 : hertz == 7000000 ? 1 : 2;
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

KRXTTFoundMultiplex Describe(dvb_entry* entry, bool satellite)
{
    KRXTTFoundMultiplex multiplex;
    const uint32_t frequency = Property(entry, DTV_FREQUENCY, 0);
    multiplex.frequency = satellite ? frequency : frequency / 1000;
    multiplex.bandwidth = BandwidthCode(Property(entry, DTV_BANDWIDTH_HZ, 8000000));
    multiplex.inversion = InversionCode(Property(entry, DTV_INVERSION, INVERSION_AUTO));
    multiplex.symbolRate = Property(entry, DTV_SYMBOL_RATE, 0);
    const uint32_t polarisation = Property(entry, DTV_POLARIZATION, POLARIZATION_H);
    multiplex.voltage = polarisation == POLARIZATION_V || polarisation == POLARIZATION_R ? 13 : 18;
    multiplex.viterbi = ViterbiCode(Property(entry, DTV_INNER_FEC, FEC_AUTO));
    return multiplex;
}
} // namespace

bool CKRXTTDvbv5Card::ScanInitialFile(
    const CString& path, const KRXTTScanProgress& progress, std::vector<KRXTTFoundMultiplex>& found, CString& error)
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
    // The scanner tunes by the transponder's frequency: the universal LNB is
    // the library's to switch while it scans.
    if (satellite)
        m_frontend->lnb = dvb_sat_get_lnb(dvb_sat_search_lnb("UNIVERSAL"));
    bool stopped = false;
    for (dvb_entry* entry = initial->first_entry; entry != nullptr; entry = entry->next) {
        const uint32_t frequency = Property(entry, DTV_FREQUENCY, 0);
        // Satellite entries are in kHz, the others in Hz.
        if (!progress(FormatString("Tuning %u %s...", frequency / 1000, satellite ? "MHz" : "kHz"))) {
            stopped = true;
            break;
        }
        dvb_v5_descriptors* tables = dvb_scan_transponder(m_frontend, entry, m_demux, CheckFrontend, nullptr, 0, 1);
        if (tables == nullptr)
            continue;
        KRXTTFoundMultiplex multiplex = Describe(entry, satellite);
        AddServices(m_frontend, tables, multiplex);
        found.push_back(multiplex);
        dvb_add_scaned_transponders(m_frontend, tables, initial->first_entry, entry);
        dvb_scan_free_handler_table(tables);
    }
    m_frontend->lnb = nullptr;
    dvb_file_free(initial);
    if (stopped)
        error = "the scan was stopped";
    return !stopped;
}
