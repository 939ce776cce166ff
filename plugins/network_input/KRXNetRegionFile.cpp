#include "KRXNetRegionFile.h"

#include <libdvbv5/dvb-file.h>

namespace {
uint32_t Property(dvb_entry* entry, unsigned command, uint32_t fallback)
{
    uint32_t value = 0;
    return dvb_retrieve_entry_prop(entry, command, &value) == 0 ? value : fallback;
}

CString SystemOf(uint32_t system)
{
    switch (system) {
    case SYS_DVBS:
        return "dvbs";
    case SYS_DVBS2:
        return "dvbs2";
    case SYS_DVBT:
        return "dvbt";
    case SYS_DVBT2:
        return "dvbt2";
    case SYS_DVBC_ANNEX_A:
        return "dvbc";
    default:
        return "";
    }
}

// SAT>IP's mtype; empty for "auto" and for what SAT>IP cannot ask for.
CString ModulationOf(uint32_t modulation)
{
    switch (modulation) {
    case QPSK:
        return "qpsk";
    case PSK_8:
        return "8psk";
    case QAM_16:
        return "16qam";
    case QAM_32:
        return "32qam";
    case QAM_64:
        return "64qam";
    case QAM_128:
        return "128qam";
    case QAM_256:
        return "256qam";
    default:
        return "";
    }
}

char PolarisationOf(uint32_t polarisation)
{
    static const char letters[] = { 0, 'h', 'v', 'l', 'r' };
    return polarisation < sizeof letters ? letters[polarisation] : 0;
}

KRXNetRegionEntry EntryOf(dvb_entry* entry, const CString& system)
{
    KRXNetRegionEntry region;
    region.system = system;
    const uint32_t frequency = Property(entry, DTV_FREQUENCY, 0);
    // Satellite entries are in kHz, the others in Hz.
    region.frequencyKHz = region.IsSatellite() ? frequency : frequency / 1000;
    region.bandwidthHz = Property(entry, DTV_BANDWIDTH_HZ, 0);
    region.symbolRate = region.system.rfind("dvbt", 0) == 0 ? 0 : Property(entry, DTV_SYMBOL_RATE, 0);
    region.polarisation = region.IsSatellite() ? PolarisationOf(Property(entry, DTV_POLARIZATION, 0)) : 0;
    region.modulation = ModulationOf(Property(entry, DTV_MODULATION, QAM_AUTO));
    const uint32_t stream = Property(entry, DTV_STREAM_ID, NO_STREAM_ID_FILTER);
    region.plp = system == "dvbt2" && stream != NO_STREAM_ID_FILTER ? static_cast<int>(stream) : -1;
    return region;
}
} // namespace

bool ReadNetRegionFile(const CString& path, std::vector<KRXNetRegionEntry>& entries, CString& error)
{
    dvb_file* file = dvb_read_file_format(path.c_str(), SYS_UNDEFINED, FILE_DVBV5);
    if (file == nullptr) {
        error = "cannot read '" + path + "' as a region file";
        return false;
    }
    for (dvb_entry* entry = file->first_entry; entry != nullptr; entry = entry->next) {
        const CString system = SystemOf(Property(entry, DTV_DELIVERY_SYSTEM, SYS_UNDEFINED));
        if (!system.empty() && Property(entry, DTV_FREQUENCY, 0) != 0)
            entries.push_back(EntryOf(entry, system));
    }
    dvb_file_free(file);
    return true;
}
