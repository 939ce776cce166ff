#pragma once
// The frontend of the simulated adapter: the delivery systems the
// configuration implies, the properties an application sets, the LNB's tone
// and voltage, a committed DiSEqC switch, and lock on a configured multiplex
// while the signal is there.
#include "SimConfig.h"
#include "Tuning.h"

#include <linux/dvb/frontend.h>

#include <cstdint>
#include <map>
#include <optional>
#include <vector>

namespace dvbsim {

class SimFrontend
{
public:
    explicit SimFrontend(const SimConfig& config);

    dvb_frontend_info Info() const;
    // Each returns 0 or an errno value.
    int GetProperty(dtv_property& property) const;
    int SetProperty(const dtv_property& property);
    int SetTone(fe_sec_tone_mode tone);
    int SetVoltage(fe_sec_voltage voltage);
    // The switch keeps the last committed port it was sent until another comes;
    // the polarisation and band the command names apply to the next tune.
    int SendDiseqc(const dvb_diseqc_master_cmd& command);

    fe_status_t Status() const;
    // The legacy statistics: 16-bit relative strength and SNR, bit errors and blocks.
    uint16_t SignalStrength() const { return Locked() ? 0xB000 : 0; }
    uint16_t Snr() const { return Locked() ? 0x1C00 : 0; }

    // The multiplex being received, or none while unlocked.
    const SimMultiplex* Locked() const { return m_signal ? m_tuned : nullptr; }
    // Counts tunes, so the playout knows to begin the new multiplex.
    uint64_t Tunes() const { return m_tunes; }
    // The signal vanishing (or returning) without a retune: lock follows it.
    void SetSignal(bool present) { m_signal = present; }

private:
    Delivery CurrentDelivery() const;
    uint32_t Stored(uint32_t command) const;
    int Tune();
    void Statistic(uint32_t command, dtv_fe_stats& stats) const;

    const SimConfig& m_config;
    std::vector<fe_delivery_system> m_systems;
    std::map<uint32_t, uint32_t> m_properties;
    fe_sec_tone_mode m_tone = SEC_TONE_OFF;
    fe_sec_voltage m_voltage = SEC_VOLTAGE_OFF;
    int m_diseqcPort = -1;
    std::optional<uint8_t> m_switchCommand; // the data byte of a command since the last tune
    const SimMultiplex* m_tuned = nullptr;
    uint64_t m_tunes = 0;
    bool m_signal = true;
};

} // namespace dvbsim
