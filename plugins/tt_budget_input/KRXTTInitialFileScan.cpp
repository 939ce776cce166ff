#include "KRXTTInitialFileScan.h"

#include "KRXTTBudgetInputPlugin.h"
#include "KRXTTSignalStatus.h"

CKRXTTInitialFileScan::CKRXTTInitialFileScan(CKRXTTBudgetInputPlugin& plugin, const CString& path, int diseqcPort)
    : m_plugin(plugin)
    , m_path(path)
    , m_diseqcPort(diseqcPort)
    , m_status("Scanning from " + path + "...")
{
}

CKRXTTInitialFileScan::~CKRXTTInitialFileScan()
{
    m_stopping = true;
    if (m_thread.IsRunning())
        m_thread.StopWithin(StopTimeoutMs);
}

void CKRXTTInitialFileScan::Tick()
{
    if (!m_thread.IsRunning())
        m_thread.Start([this] { Run(); });
}

void CKRXTTInitialFileScan::Run()
{
    std::vector<KRXTTFoundMultiplex> found;
    CString error;
    const bool completed = m_plugin.GetCard().ScanInitialFile(
        m_path, m_diseqcPort,
        [this](const CString& step) {
            std::lock_guard lock(m_mutex);
            m_status = step;
            return !m_stopping.load();
        },
        found, error);
    std::lock_guard lock(m_mutex);
    m_found = std::move(found);
    const CString count
        = m_found.size() == 1 ? CString("1 multiplex found") : FormatString("%zu multiplexes found", m_found.size());
    m_status = completed ? count + "." : count + "; the scan stopped: " + error;
}

CString CKRXTTInitialFileScan::GetStatusText() const
{
    std::lock_guard lock(m_mutex);
    return m_status;
}

std::vector<std::vector<CString>> CKRXTTInitialFileScan::GetFoundRows() const
{
    std::lock_guard lock(m_mutex);
    std::vector<std::vector<CString>> rows;
    for (const KRXTTFoundMultiplex& multiplex : m_found) {
        CString services;
        for (const CString& service : multiplex.services)
            services += (services.empty() ? "" : ", ") + service;
        rows.push_back({ FormatString("%u kHz", multiplex.frequency), DeliverySystemName(multiplex.system), services });
    }
    return rows;
}

void CKRXTTInitialFileScan::Commit()
{
    std::lock_guard lock(m_mutex);
    m_plugin.AddFoundMultiplexes(m_found);
}
