#pragma once
// The scan from an initial-tuning file (for satellite, cable and second-
// generation cards, whose range cannot be stepped through as DVB-T's
// channels are), shown by a scan dialog. The card's own scan runs on a thread
// of its own, following the NITs, and each of its steps becomes the status.
// What it finds reaches the plug-in on OK only; a dialog closed early stops it.
#include "KRXTTCard.h"

#include "platform/Thread.h"
#include "plugin/KRXScanJob.h"

#include <atomic>
#include <mutex>

class CKRXTTBudgetInputPlugin;

class CKRXTTInitialFileScan : public CKRXScanJob
{
public:
    static constexpr unsigned TickMs = 200;
    // How long closing waits for the card's scan to take the stop.
    static constexpr uint32_t StopTimeoutMs = 10000;

    // The plug-in's card must be usable; diseqcPort -1 for none.
    CKRXTTInitialFileScan(CKRXTTBudgetInputPlugin& plugin, const CString& path, int diseqcPort);
    ~CKRXTTInitialFileScan() override;
    CKRXTTInitialFileScan(const CKRXTTInitialFileScan&) = delete;
    CKRXTTInitialFileScan& operator=(const CKRXTTInitialFileScan&) = delete;

    unsigned GetTickMilliseconds() const override { return TickMs; }
    // The first tick starts the scan.
    void Tick() override;
    bool IsDone() const override { return m_thread.HasFinished(); }
    CString GetStatusText() const override;
    // The card cannot say how far it has come.
    int GetProgressRange() const override { return 0; }
    int GetProgressPosition() const override { return 0; }
    std::vector<CString> GetColumnNames() const override { return { "Frequency", "System", "Services" }; }
    std::vector<std::vector<CString>> GetFoundRows() const override;
    // Adds a definition for each multiplex found that has none, and updates
    // those whose parameters changed.
    void Commit() override;

private:
    void Run();

    CKRXTTBudgetInputPlugin& m_plugin;
    CString m_path;
    int m_diseqcPort;
    CThread m_thread { "initial-file scan thread" };
    std::atomic<bool> m_stopping { false };
    mutable std::mutex m_mutex; // guards what follows, written by the scan's thread
    CString m_status;
    std::vector<KRXTTFoundMultiplex> m_found;
};
