#pragma once
// The card on the Linux DVB API version 5, through libdvbv5: adapters from its
// device list, the frontend through dvb_fe_*, the whole transport stream
// through a demux filter on PID 0x2000 tapped into dvr0, which is read without
// blocking. Nothing here waits without a time-out.
#include "KRXTTCard.h"

#include <mutex>

struct dvb_v5_fe_parms;
struct KRXTTFrontendStep;

class CKRXTTDvbv5Card : public CKRXTTCard
{
public:
    CKRXTTDvbv5Card() = default;
    ~CKRXTTDvbv5Card() override;
    CKRXTTDvbv5Card(const CKRXTTDvbv5Card&) = delete;
    CKRXTTDvbv5Card& operator=(const CKRXTTDvbv5Card&) = delete;

    int GetNumberOfDevices() override;
    std::vector<KRXTTDeviceInfo> DescribeDevices() override;
    OpenResult OpenDevice(int index) override;
    CString GetDevicePath(int index) override;
    bool ResetInit() override;
    bool EnableDataDMA(bool enable) override;
    bool InitFrontend() override;
    void CloseDevice() override;

    int GetFrontendType() override;
    unsigned GetCapabilities() override;
    void GetFrequencyRange(uint32_t& low, uint32_t& high) override;
    void GetBandwidthRange(uint32_t& low, uint32_t& high) override;
    bool SetChannel(const KRXTTChannel& channel) override;
    KRXTTSignal GetSignal() override;

    bool StartTS() override;
    void StopTS() override;
    KRXTTRead ReadStream(unsigned char* buffer, unsigned long size, uint32_t timeoutMs) override;
    bool ScanInitialFile(const CString& path, int diseqcPort, const KRXTTScanProgress& progress,
        std::vector<KRXTTFoundMultiplex>& found, CString& error) override;

    // The adapter numbers, in order, of the adapters that have a frontend.
    static std::vector<int> FindAdapters();

private:
    bool TakeStep(KRXTTFrontendStep& step);
    KRXTTSignal ReadSignal();
    void ReadLockedParameters(KRXTTSignal& signal);
    void DiscardStaleStream();

    // Guards the frontend, which the status display and tuning share.
    std::mutex m_frontendLock;
    dvb_v5_fe_parms* m_frontend = nullptr;
    int m_adapter = -1;
    int m_demux = -1;
    int m_dvr = -1;
};

// The frontend type its delivery systems make it (DVB-T/T2, DVB-S/S2, DVB-C).
int FrontendTypeOfSystems(const unsigned* systems, int count);
