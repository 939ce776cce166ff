#include "KRXTTChannelScan.h"

#include "plugin/KRXInputPlugin.h"

CKRXTTChannelScan::CKRXTTChannelScan(CKRXTTCard& card, CKRXInputPlugin& plugin)
    : m_card(card)
    , m_plugin(plugin)
    , m_working(KRX_TT_FRONTEND_DVBT)
{
    uint32_t low = 0;
    m_card.GetFrequencyRange(low, m_high);
    m_working.m_frequency = low;
    m_working.SetChannelFromFrequency();
    m_progressRange = m_high > low ? static_cast<int>((m_high - low) / 8000 * 3) : 0;
}

void CKRXTTChannelScan::Tick()
{
    if (m_done)
        return;
    if (m_tick == 0)
        TuneNextFrequency();
    else if (m_tick >= 2)
        LookForLock();
    m_tick = (m_tick + 1) % TicksPerFrequency;
}

void CKRXTTChannelScan::TuneNextFrequency()
{
    m_working.StepToNextFrequency();
    ++m_progress;
    if (m_working.m_frequency > m_high) {
        m_status = "Done";
        m_done = true;
        return;
    }
    m_status = FormatString("Channel %d%c (frequency %d)...\n", m_working.m_channel,
        CKRXTTMultiplexDefinition::OffsetCharacter(m_working.m_offset), static_cast<int>(m_working.m_frequency));
    m_foundHere = false;
    m_working.Tune(m_card);
}

void CKRXTTChannelScan::LookForLock()
{
    if (m_foundHere || !m_card.GetSignal().locked)
        return;
    m_foundHere = true;
    m_found.push_back({ m_working.m_channel, m_working.m_offset, m_working.m_frequency });
}

std::vector<std::vector<CString>> CKRXTTChannelScan::GetFoundRows() const
{
    std::vector<std::vector<CString>> rows;
    for (size_t i = 0; i < m_found.size(); ++i) {
        const Found& found = m_found[i];
        rows.push_back({ FormatString("%zu", i + 1),
            FormatString("%02d%c", found.channel, CKRXTTMultiplexDefinition::OffsetCharacter(found.offset)),
            FormatString("%d", static_cast<int>(found.frequency)) });
    }
    return rows;
}

void CKRXTTChannelScan::Commit()
{
    for (size_t i = 0; i < m_found.size(); ++i) {
        auto* definition = new CKRXTTMultiplexDefinition(KRX_TT_FRONTEND_DVBT);
        definition->m_name = FormatString("Mux %zu", i + 1);
        definition->m_channel = m_found[i].channel;
        definition->m_offset = m_found[i].offset;
        definition->SetFrequencyFromChannel();
        m_plugin.AddMultiplexDefinition(definition);
    }
}
