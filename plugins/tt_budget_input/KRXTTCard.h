#pragma once
// What the card plug-in asks of a DVB card, and nothing more. The program
// reaches real adapters through the Linux DVB API (KRXTTDvbv5Card); tests put
// an in-memory card in its place.
#include "platform/CString.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

// Frontend types, as the plug-in names and tunes by them.
enum : int { KRX_TT_FRONTEND_NONE = 0, KRX_TT_FRONTEND_DVBS = 1, KRX_TT_FRONTEND_DVBC = 2, KRX_TT_FRONTEND_DVBT = 3 };

// Capability bits: the frontend finds the spectral inversion itself, the
// bandwidth itself, or searches channels on its own.
enum : unsigned {
    KRX_TT_CAN_INVERSION_AUTO = 0x10,
    KRX_TT_CAN_SEARCH = 0x100,
    KRX_TT_CAN_BANDWIDTH_AUTO = 0x1000,
};

// One tuning request, as the plug-in builds it from a multiplex definition.
struct KRXTTChannel {
    uint32_t frequency = 0; // kHz; for DVB-S the intermediate frequency
    uint32_t inversion = 0; // 0 on, 1 off, 2 auto
    uint32_t symbolRate = 0; // symbols/s
    uint32_t bandwidth = 0; // 0 6 MHz, 1 7 MHz, 2 8 MHz, 3 auto, 4 none
    uint32_t tone = 0; // 22 kHz tone: 0 off, 1 on
    uint32_t voltage = 0; // LNB supply: 0 off, 13 or 18 volts
    uint32_t viterbi = 0; // 0 auto, 1..8 the rates 1/2 .. 8/9
};

// The frontend's lock and statistics; each measure only when the frontend has it.
struct KRXTTSignal {
    bool locked = false;
    std::optional<int64_t> strength; // 0.001 dBm
    std::optional<int64_t> carrierToNoise; // 0.001 dB
    std::optional<double> bitErrorRate;
    std::optional<uint64_t> uncorrectedBlocks;
};

// How one read of the stream went.
struct KRXTTRead {
    enum Outcome { Data, NoData, Overflow, Failed };
    Outcome outcome = NoData;
    unsigned long bytes = 0;
    CString failure; // why, when Failed
};

// One adapter as the device list shows it.
struct KRXTTDeviceInfo {
    int adapter = 0;
    CString frontendName;
    int frontendType = KRX_TT_FRONTEND_NONE;
    uint32_t frequencyLow = 0; // kHz
    uint32_t frequencyHigh = 0;
    CString problem; // why it could not be asked, empty when it could
};

// A multiplex a scan found, in the plug-in's codes.
struct KRXTTFoundMultiplex {
    uint32_t frequency = 0; // kHz; for DVB-S the transponder's own
    uint32_t bandwidth = 2; // 0 6 MHz, 1 7 MHz, 2 8 MHz
    uint32_t inversion = 2; // 0 on, 1 off, 2 auto
    uint32_t symbolRate = 0; // symbols/s
    uint32_t voltage = 18; // 13 vertical, 18 horizontal
    uint32_t viterbi = 0;
    std::vector<CString> services;
};

// Told each step of a scan; returns false to stop it.
using KRXTTScanProgress = std::function<bool(const CString& step)>;

class CKRXTTCard
{
public:
    enum OpenResult { Opened, NotAllowed, OpenFailed };

    virtual ~CKRXTTCard() = default;
    virtual int GetNumberOfDevices() = 0;
    virtual std::vector<KRXTTDeviceInfo> DescribeDevices() = 0;
    virtual OpenResult OpenDevice(int index) = 0;
    // The device node a refused open was about, for the user's message.
    virtual CString GetDevicePath(int index) = 0;
    virtual bool ResetInit() = 0;
    virtual bool EnableDataDMA(bool enable) = 0;
    virtual bool InitFrontend() = 0;
    virtual void CloseDevice() = 0;

    virtual int GetFrontendType() = 0;
    virtual unsigned GetCapabilities() = 0;
    virtual void GetFrequencyRange(uint32_t& low, uint32_t& high) = 0; // kHz
    virtual void GetBandwidthRange(uint32_t& low, uint32_t& high) = 0; // codes
    virtual bool SetChannel(const KRXTTChannel& channel) = 0;
    // Does not wait for anything.
    virtual KRXTTSignal GetSignal() = 0;

    virtual bool StartTS() = 0;
    virtual void StopTS() = 0;
    // Waits at most timeoutMs for stream bytes.
    virtual KRXTTRead ReadStream(unsigned char* buffer, unsigned long size, uint32_t timeoutMs) = 0;

    // Tunes each multiplex of an initial-tuning file (as dtv-scan-tables has
    // them) and those its NIT names, and collects each one that locks with
    // its services. False with the reason when the file cannot be used.
    virtual bool ScanInitialFile(
        const CString& path, const KRXTTScanProgress& progress, std::vector<KRXTTFoundMultiplex>& found, CString& error)
        = 0;
};
