#include "KRXNetSatIpScan.h"

#include "KRXNetMultiplexDefinition.h"

#include "plugin/KRXInputPlugin.h"
#include "stream/DVBTransportStreamSource.h"

CKRXNetSatIpScan::CKRXNetSatIpScan(
    CKRXInputPlugin& plugin, const CString& server, std::vector<KRXNetRegionEntry> entries, int source)
    : m_plugin(plugin)
    , m_server(server)
    , m_entries(std::move(entries))
    , m_source(source)
{
}

CKRXNetSatIpScan::~CKRXNetSatIpScan()
{
    if (m_open != nullptr)
        Finish(false);
}

void CKRXNetSatIpScan::Tick()
{
    if (m_done)
        return;
    if (m_open != nullptr) {
        Listen();
        return;
    }
    if (m_next < m_entries.size()) {
        TuneNext();
        return;
    }
    m_done = true;
    m_status = FormatString("%zu of %zu multiplexes answered.", m_found.size(), m_entries.size());
}

void CKRXNetSatIpScan::TuneNext()
{
    const KRXNetRegionEntry& entry = m_entries[m_next];
    const CString name = SatIpMultiplexName(entry);
    m_tuned.reset(m_plugin.CreateMultiplexDefinition());
    m_tuned->ReadFieldFromString(CKRXNetMultiplexDefinition::NameField, name);
    m_tuned->ReadFieldFromString(
        CKRXNetMultiplexDefinition::URLField, "satip://" + m_server + "/?" + SatIpTuningQuery(entry, m_source));
    m_status = "Tuning " + name + "...";
    m_waitedMs = 0;
    m_open = m_plugin.OpenMultiplex(m_tuned.get());
    if (!m_open->Initialise() || !m_open->Start())
        Finish(false);
    else
        m_buffer.resize(m_open->GetSuggestedBufferSize());
}

void CKRXNetSatIpScan::Listen()
{
    m_waitedMs += TickMs;
    if (m_open->HasEnded())
        Finish(false);
    else if (m_open->ReadBuffer(m_buffer.data(), m_buffer.size()) > 0)
        Finish(true);
    else if (m_waitedMs >= AnswerWaitMs)
        Finish(false);
}

// Stopping the source tears the server's session down before the next tuning.
void CKRXNetSatIpScan::Finish(bool answered)
{
    if (answered) {
        CString name, url;
        m_tuned->WriteFieldToString(CKRXNetMultiplexDefinition::NameField, name);
        m_tuned->WriteFieldToString(CKRXNetMultiplexDefinition::URLField, url);
        m_found.push_back({ name, url });
    }
    m_open->Stop();
    m_open->DeInitialise();
    m_plugin.CloseMultiplex(m_open);
    m_open = nullptr;
    ++m_next;
}

bool CKRXNetSatIpScan::IsKnown(const CString& url)
{
    for (int i = 0; i < m_plugin.GetMultiplexDefinitionCount(); ++i) {
        CString known;
        m_plugin.GetMultiplexDefinitionAtIndex(i)->WriteFieldToString(CKRXNetMultiplexDefinition::URLField, known);
        if (known == url)
            return true;
    }
    return false;
}

void CKRXNetSatIpScan::Commit()
{
    for (const std::vector<CString>& row : m_found) {
        if (IsKnown(row[1]))
            continue;
        CDVBMultiplexDefinition* definition = m_plugin.CreateMultiplexDefinition();
        definition->ReadFieldFromString(CKRXNetMultiplexDefinition::NameField, row[0]);
        definition->ReadFieldFromString(CKRXNetMultiplexDefinition::URLField, row[1]);
        m_plugin.AddMultiplexDefinition(definition);
    }
}
