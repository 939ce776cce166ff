#pragma once
// A card in memory: answers as told and remembers what it was asked.
#include "KRXTTCard.h"

#include <deque>
#include <set>

class CMemoryCard : public CKRXTTCard
{
public:
    int deviceCount = 1;
    OpenResult openResult = Opened;
    bool resetOk = true;
    bool dmaOk = true;
    bool frontendOk = true;
    int frontendType = KRX_TT_FRONTEND_DVBT;
    unsigned capabilities = 0;
    uint32_t frequencyLow = 474000, frequencyHigh = 858000;
    uint32_t bandwidthLow = 0, bandwidthHigh = 4;
    // Frequencies (as the channel request carries them) where the card locks.
    std::set<uint32_t> lockingFrequencies;
    KRXTTSignal lockedSignal;
    std::deque<KRXTTRead> reads;
    // What a fast scan finds, and the step at which it is stopped (-1: never).
    std::vector<KRXTTFoundMultiplex> scanFinds;
    int stopScanAt = -1;

    // What was asked.
    int openedDevice = -1;
    std::vector<KRXTTChannel> channels;
    int readCalls = 0;
    bool streaming = false;
    bool dmaEnabled = false;
    bool closed = false;

    int GetNumberOfDevices() override { return deviceCount; }
    std::vector<KRXTTDeviceInfo> DescribeDevices() override { return {}; }
    OpenResult OpenDevice(int index) override
    {
        openedDevice = index;
        return openResult;
    }
    CString GetDevicePath(int index) override { return FormatString("/dev/dvb/adapter%d", index); }
    bool ResetInit() override { return resetOk; }
    bool EnableDataDMA(bool enable) override
    {
        dmaEnabled = enable && dmaOk;
        return dmaOk || !enable;
    }
    bool InitFrontend() override { return frontendOk; }
    void CloseDevice() override { closed = true; }
    int GetFrontendType() override { return frontendType; }
    unsigned GetCapabilities() override { return capabilities; }
    void GetFrequencyRange(uint32_t& low, uint32_t& high) override
    {
        low = frequencyLow;
        high = frequencyHigh;
    }
    void GetBandwidthRange(uint32_t& low, uint32_t& high) override
    {
        low = bandwidthLow;
        high = bandwidthHigh;
    }
    bool SetChannel(const KRXTTChannel& channel) override
    {
        channels.push_back(channel);
        return true;
    }
    KRXTTSignal GetSignal() override
    {
        if (channels.empty() || lockingFrequencies.count(channels.back().frequency) == 0)
            return KRXTTSignal();
        KRXTTSignal signal = lockedSignal;
        signal.locked = true;
        return signal;
    }
    bool StartTS() override
    {
        streaming = true;
        return true;
    }
    void StopTS() override { streaming = false; }
    KRXTTRead ReadStream(unsigned char* buffer, unsigned long size, uint32_t) override
    {
        ++readCalls;
        if (reads.empty())
            return KRXTTRead();
        KRXTTRead read = reads.front();
        reads.pop_front();
        if (read.outcome == KRXTTRead::Data) {
            read.bytes = std::min(read.bytes, size);
            for (unsigned long i = 0; i < read.bytes; ++i)
                buffer[i] = static_cast<unsigned char>(i % 188 == 0 ? 0x47 : i);
        }
        return read;
    }

    int scannedPort = -2;
    bool ScanInitialFile(const CString&, int diseqcPort, const KRXTTScanProgress& progress,
        std::vector<KRXTTFoundMultiplex>& found, CString& error) override
    {
        scannedPort = diseqcPort;
        for (size_t i = 0; i < scanFinds.size(); ++i) {
            if (!progress(FormatString("step %zu", i)) || static_cast<int>(i) == stopScanAt) {
                error = "the scan was stopped";
                return false;
            }
            found.push_back(scanFinds[i]);
        }
        return true;
    }

    static KRXTTRead Data(unsigned long bytes) { return { KRXTTRead::Data, bytes, "" }; }
    static KRXTTRead Overflow() { return { KRXTTRead::Overflow, 0, "" }; }
    static KRXTTRead Failure(const CString& why) { return { KRXTTRead::Failed, 0, why }; }
};
