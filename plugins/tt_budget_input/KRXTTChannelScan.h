#pragma once
// The DVB-T channel scan: every channel of the frontend's range at each of its
// three offsets, 2.5 seconds each (five ticks of 500 ms): tuned on the first
// tick, looked at for lock on the third to fifth. Tuning only hands the card
// its parameters, so it is done on the ticking thread itself.
#include "KRXTTCard.h"
#include "KRXTTMultiplexDefinition.h"

#include "plugin/KRXScanJob.h"

class CKRXInputPlugin;

class CKRXTTChannelScan : public CKRXScanJob
{
public:
    struct Found {
        int channel;
        int offset;
        uint32_t frequency; // kHz
    };
    static constexpr unsigned TickMs = 500;
    static constexpr int TicksPerFrequency = 5;

    // Found multiplexes go to the plug-in on Commit.
    CKRXTTChannelScan(CKRXTTCard& card, CKRXInputPlugin& plugin);

    unsigned GetTickMilliseconds() const override { return TickMs; }
    void Tick() override;
    bool IsDone() const override { return m_done; }
    CString GetStatusText() const override { return m_status; }
    int GetProgressRange() const override { return m_progressRange; }
    int GetProgressPosition() const override { return m_progress; }
    std::vector<CString> GetColumnNames() const override { return { "Index", "Channel", "Frequency" }; }
    std::vector<std::vector<CString>> GetFoundRows() const override;
    // Adds "Mux 1", "Mux 2"... with the found channels and offsets.
    void Commit() override;

    const std::vector<Found>& GetFound() const { return m_found; }

private:
    void TuneNextFrequency();
    void LookForLock();

    CKRXTTCard& m_card;
    CKRXInputPlugin& m_plugin;
    CKRXTTMultiplexDefinition m_working;
    uint32_t m_high = 0;
    int m_progressRange = 0;
    int m_progress = 0;
    int m_tick = 0;
    bool m_done = false;
    bool m_foundHere = false;
    CString m_status;
    std::vector<Found> m_found;
};
