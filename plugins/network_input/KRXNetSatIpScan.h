#pragma once
// The scan through a SAT>IP server: each entry of a region file is tuned in
// turn as a satip:// multiplex of the Network input, through the plug-in's own
// sources, and kept when the server plays it and packets arrive. A frequency
// the server refuses is passed over at once; one it plays but that delivers
// nothing is given up after a wait. The ticking thread does the tuning, as the
// card's channel scan does.
#include "KRXNetRegionEntry.h"

#include "plugin/KRXScanJob.h"

#include <memory>

class CDVBMultiplexDefinition;
class CDVBTransportStreamSource;
class CKRXInputPlugin;

class CKRXNetSatIpScan : public CKRXScanJob
{
public:
    static constexpr unsigned TickMs = 50;
    // A tuner that has not locked by then has nothing there.
    static constexpr unsigned AnswerWaitMs = 5000;

    // server: "HOST" or "HOST:PORT"; source: the satellite position, SAT>IP's src.
    CKRXNetSatIpScan(
        CKRXInputPlugin& plugin, const CString& server, std::vector<KRXNetRegionEntry> entries, int source);
    // Closes the multiplex being tuned, if any.
    ~CKRXNetSatIpScan() override;
    CKRXNetSatIpScan(const CKRXNetSatIpScan&) = delete;
    CKRXNetSatIpScan& operator=(const CKRXNetSatIpScan&) = delete;

    unsigned GetTickMilliseconds() const override { return TickMs; }
    void Tick() override;
    bool IsDone() const override { return m_done; }
    CString GetStatusText() const override { return m_status; }
    int GetProgressRange() const override { return static_cast<int>(m_entries.size()); }
    int GetProgressPosition() const override { return static_cast<int>(m_next); }
    std::vector<CString> GetColumnNames() const override { return { "Name", "URL" }; }
    std::vector<std::vector<CString>> GetFoundRows() const override { return m_found; }
    // Adds a definition for each multiplex found whose URL the plug-in does not have yet.
    void Commit() override;

private:
    void TuneNext();
    void Listen();
    void Finish(bool answered);
    bool IsKnown(const CString& url);

    CKRXInputPlugin& m_plugin;
    CString m_server;
    std::vector<KRXNetRegionEntry> m_entries;
    int m_source;
    size_t m_next = 0;
    std::unique_ptr<CDVBMultiplexDefinition> m_tuned;
    CDVBTransportStreamSource* m_open = nullptr;
    unsigned m_waitedMs = 0;
    std::vector<unsigned char> m_buffer;
    bool m_done = false;
    CString m_status;
    std::vector<std::vector<CString>> m_found; // name and URL
};
