#include "SimFrontend.h"

#include <cerrno>
#include <cstring>

namespace dvbsim {
namespace {

constexpr uint32_t API_VERSION = 0x050B;
// What a good signal reads: 0.001 dBm and 0.001 dB units.
constexpr int64_t SIGNAL_MILLI_DBM = -45500;
constexpr int64_t CNR_MILLI_DB = 28300;
constexpr uint64_t BITS_PER_READ = 1000000;
constexpr uint64_t BLOCKS_PER_READ = 1000;

} // namespace

SimFrontend::SimFrontend(const SimConfig& config)
    : m_config(config)
{
    if (config.Has(Delivery::Terrestrial))
        m_systems.insert(m_systems.end(), { SYS_DVBT, SYS_DVBT2 });
    if (config.Has(Delivery::Satellite))
        m_systems.insert(m_systems.end(), { SYS_DVBS, SYS_DVBS2 });
    if (config.Has(Delivery::Cable))
        m_systems.push_back(SYS_DVBC_ANNEX_A);
    m_properties[DTV_DELIVERY_SYSTEM] = m_systems.front();
}

Delivery SimFrontend::CurrentDelivery() const
{
    return DeliveryOf(m_properties.at(DTV_DELIVERY_SYSTEM));
}

dvb_frontend_info SimFrontend::Info() const
{
    dvb_frontend_info info {};
    std::strcpy(info.name, "Korrix simulated frontend");
    if (CurrentDelivery() == Delivery::Cable) {
        info.type = FE_QAM;
        info.frequency_min = 47000000; // Hz
        info.frequency_max = 862000000;
        info.frequency_stepsize = 62500;
        info.symbol_rate_min = 1000000;
        info.symbol_rate_max = 7200000;
        info.caps = fe_caps(FE_CAN_INVERSION_AUTO | FE_CAN_FEC_AUTO | FE_CAN_QAM_16 | FE_CAN_QAM_32 | FE_CAN_QAM_64
            | FE_CAN_QAM_128 | FE_CAN_QAM_256 | FE_CAN_QAM_AUTO);
    } else if (CurrentDelivery() == Delivery::Satellite) {
        info.type = FE_QPSK;
        info.frequency_min = 950000; // kHz
        info.frequency_max = 2150000;
        info.frequency_stepsize = 1000;
        info.symbol_rate_min = 1000000;
        info.symbol_rate_max = 45000000;
        info.caps = fe_caps(FE_CAN_INVERSION_AUTO | FE_CAN_FEC_AUTO | FE_CAN_QPSK | FE_CAN_2G_MODULATION);
    } else {
        info.type = FE_OFDM;
        info.frequency_min = 174000000; // Hz
        info.frequency_max = 862000000;
        info.frequency_stepsize = 166667;
        info.caps = fe_caps(FE_CAN_INVERSION_AUTO | FE_CAN_FEC_AUTO | FE_CAN_QPSK | FE_CAN_QAM_16 | FE_CAN_QAM_64
            | FE_CAN_QAM_AUTO | FE_CAN_TRANSMISSION_MODE_AUTO | FE_CAN_BANDWIDTH_AUTO | FE_CAN_GUARD_INTERVAL_AUTO
            | FE_CAN_HIERARCHY_AUTO | FE_CAN_2G_MODULATION);
    }
    return info;
}

void SimFrontend::Statistic(uint32_t command, dtv_fe_stats& stats) const
{
    stats = {};
    stats.len = 1;
    dtv_stats& stat = stats.stat[0];
    if (!Locked()) {
        stat.scale = FE_SCALE_NOT_AVAILABLE;
        return;
    }
    switch (command) {
    case DTV_STAT_SIGNAL_STRENGTH:
        stat.scale = FE_SCALE_DECIBEL;
        stat.svalue = SIGNAL_MILLI_DBM;
        return;
    case DTV_STAT_CNR:
        stat.scale = FE_SCALE_DECIBEL;
        stat.svalue = CNR_MILLI_DB;
        return;
    case DTV_STAT_PRE_TOTAL_BIT_COUNT:
    case DTV_STAT_POST_TOTAL_BIT_COUNT:
        stat.scale = FE_SCALE_COUNTER;
        stat.uvalue = BITS_PER_READ;
        return;
    case DTV_STAT_TOTAL_BLOCK_COUNT:
        stat.scale = FE_SCALE_COUNTER;
        stat.uvalue = BLOCKS_PER_READ;
        return;
    default: // error counts: a clean signal
        stat.scale = FE_SCALE_COUNTER;
        stat.uvalue = 0;
        return;
    }
}

int SimFrontend::GetProperty(dtv_property& property) const
{
    switch (property.cmd) {
    case DTV_API_VERSION:
        property.u.data = API_VERSION;
        return 0;
    case DTV_ENUM_DELSYS:
        property.u.buffer.len = uint32_t(m_systems.size());
        for (size_t i = 0; i < m_systems.size(); ++i)
            property.u.buffer.data[i] = uint8_t(m_systems[i]);
        return 0;
    case DTV_STAT_SIGNAL_STRENGTH:
    case DTV_STAT_CNR:
    case DTV_STAT_PRE_ERROR_BIT_COUNT:
    case DTV_STAT_PRE_TOTAL_BIT_COUNT:
    case DTV_STAT_POST_ERROR_BIT_COUNT:
    case DTV_STAT_POST_TOTAL_BIT_COUNT:
    case DTV_STAT_ERROR_BLOCK_COUNT:
    case DTV_STAT_TOTAL_BLOCK_COUNT:
        Statistic(property.cmd, property.u.st);
        return 0;
    case DTV_VOLTAGE:
        property.u.data = m_voltage;
        return 0;
    case DTV_TONE:
        property.u.data = m_tone;
        return 0;
    case DTV_BANDWIDTH_HZ: {
        // Once locked the demodulator knows the bandwidth it found.
        const SimMultiplex* mux = Locked();
        property.u.data = mux && mux->delivery == Delivery::Terrestrial ? mux->bandwidthHz : Stored(DTV_BANDWIDTH_HZ);
        return 0;
    }
    case DTV_MODULATION: {
        const SimMultiplex* mux = Locked();
        property.u.data = mux ? uint32_t(mux->modulation) : Stored(DTV_MODULATION);
        return 0;
    }
    default:
        if (property.cmd == 0 || property.cmd > DTV_MAX_COMMAND)
            return EINVAL;
        property.u.data = Stored(property.cmd);
        return 0;
    }
}

int SimFrontend::SetProperty(const dtv_property& property)
{
    switch (property.cmd) {
    case DTV_CLEAR: {
        uint32_t system = m_properties.at(DTV_DELIVERY_SYSTEM);
        m_properties.clear();
        m_properties[DTV_DELIVERY_SYSTEM] = system;
        return 0;
    }
    case DTV_TUNE:
        return Tune();
    case DTV_DELIVERY_SYSTEM:
        for (fe_delivery_system system : m_systems)
            if (property.u.data == uint32_t(system)) {
                m_properties[DTV_DELIVERY_SYSTEM] = system;
                return 0;
            }
        return EINVAL;
    case DTV_VOLTAGE:
        return SetVoltage(fe_sec_voltage(property.u.data));
    case DTV_TONE:
        return SetTone(fe_sec_tone_mode(property.u.data));
    default:
        if (property.cmd == 0 || property.cmd > DTV_MAX_COMMAND)
            return EINVAL;
        m_properties[property.cmd] = property.u.data;
        return 0;
    }
}

int SimFrontend::SetTone(fe_sec_tone_mode tone)
{
    if (tone != SEC_TONE_ON && tone != SEC_TONE_OFF)
        return EINVAL;
    m_tone = tone;
    return 0;
}

int SimFrontend::SetVoltage(fe_sec_voltage voltage)
{
    if (voltage != SEC_VOLTAGE_13 && voltage != SEC_VOLTAGE_18 && voltage != SEC_VOLTAGE_OFF)
        return EINVAL;
    m_voltage = voltage;
    return 0;
}

int SimFrontend::SendDiseqc(const dvb_diseqc_master_cmd& command)
{
    if (command.msg_len < 3 || command.msg_len > 6)
        return EINVAL;
    // A committed switch listens to "write N0" (0x38) addressed to it or to
    // every switch; its data byte's bits 2-3 are the port. The rest is not for it.
    bool framing = command.msg[0] == 0xE0 || command.msg[0] == 0xE1;
    bool address = command.msg[1] == 0x10 || command.msg[1] == 0x11 || command.msg[1] == 0x00;
    if (framing && address && command.msg[2] == 0x38 && command.msg_len >= 4) {
        m_diseqcPort = (command.msg[3] >> 2) & 0x03;
        m_switchCommand = command.msg[3];
    }
    return 0;
}

uint32_t SimFrontend::Stored(uint32_t command) const
{
    auto found = m_properties.find(command);
    if (found != m_properties.end())
        return found->second;
    // As the kernel clears them: automatic modulation, no stream chosen.
    return command == DTV_MODULATION ? uint32_t(QAM_AUTO) : command == DTV_STREAM_ID ? NO_STREAM_ID_FILTER : 0;
}

int SimFrontend::Tune()
{
    // As the kernel does, a frequency outside the frontend's range is refused, not tried.
    dvb_frontend_info info = Info();
    uint32_t frequency = Stored(DTV_FREQUENCY);
    ++m_tunes;
    m_tuned = nullptr;
    if (frequency < info.frequency_min || frequency > info.frequency_max)
        return EINVAL;
    TuningRequest request;
    request.system = fe_delivery_system(m_properties.at(DTV_DELIVERY_SYSTEM));
    request.frequency = frequency;
    request.bandwidthHz = Stored(DTV_BANDWIDTH_HZ);
    request.symbolRate = Stored(DTV_SYMBOL_RATE);
    request.modulation = Stored(DTV_MODULATION);
    request.streamId = Stored(DTV_STREAM_ID);
    request.diseqcPort = m_diseqcPort;
    request.voltage = m_voltage == SEC_VOLTAGE_13 ? LnbVoltage::V13
        : m_voltage == SEC_VOLTAGE_18             ? LnbVoltage::V18
                                                  : LnbVoltage::Off;
    request.tone = m_tone == SEC_TONE_ON;
    // A command sent for this tune names the polarisation and band too, and
    // the switch feeds them to its LNB (libdvbv5 then leaves 13 V and no
    // tone); otherwise the switch passes the receiver's voltage and tone.
    if (m_switchCommand && request.voltage != LnbVoltage::Off) {
        request.voltage = (*m_switchCommand & 0x02) ? LnbVoltage::V18 : LnbVoltage::V13;
        request.tone = (*m_switchCommand & 0x01) != 0;
    }
    m_switchCommand.reset();
    m_tuned = FindMultiplex(m_config.Multiplexes(), request);
    return 0;
}

fe_status_t SimFrontend::Status() const
{
    if (!Locked())
        return fe_status_t(0);
    return fe_status_t(FE_HAS_SIGNAL | FE_HAS_CARRIER | FE_HAS_VITERBI | FE_HAS_SYNC | FE_HAS_LOCK);
}

} // namespace dvbsim
