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

// Delivery systems a definition names.
enum : int { KRX_TT_DVBT = 0, KRX_TT_DVBT2, KRX_TT_DVBS, KRX_TT_DVBS2, KRX_TT_DVBC };

// The frontend type a delivery system is received with.
inline int FrontendTypeOfSystem(int system)
{
    if (system == KRX_TT_DVBS || system == KRX_TT_DVBS2)
        return KRX_TT_FRONTEND_DVBS;
    return system == KRX_TT_DVBC ? KRX_TT_FRONTEND_DVBC : KRX_TT_FRONTEND_DVBT;
}

// Modulations, one list for every system: the definitions files and the
// status text name them by these codes.
enum : int {
    KRX_TT_MODULATION_AUTO = 0,
    KRX_TT_QPSK,
    KRX_TT_8PSK,
    KRX_TT_16APSK,
    KRX_TT_32APSK,
    KRX_TT_QAM16,
    KRX_TT_QAM32,
    KRX_TT_QAM64,
    KRX_TT_QAM128,
    KRX_TT_QAM256,
};

// Bandwidth codes: the first five are the card's own, the rest second-generation.
enum : uint32_t {
    KRX_TT_BANDWIDTH_6MHZ = 0,
    KRX_TT_BANDWIDTH_7MHZ,
    KRX_TT_BANDWIDTH_8MHZ,
    KRX_TT_BANDWIDTH_AUTO,
    KRX_TT_BANDWIDTH_NONE,
    KRX_TT_BANDWIDTH_1_7MHZ,
    KRX_TT_BANDWIDTH_5MHZ,
    KRX_TT_BANDWIDTH_10MHZ,
};

// DVB-S2 roll-off codes.
enum : uint32_t { KRX_TT_ROLLOFF_35 = 0, KRX_TT_ROLLOFF_25, KRX_TT_ROLLOFF_20 };

// One tuning request, as the plug-in builds it from a multiplex definition.
struct KRXTTChannel {
    int system = KRX_TT_DVBT;
    uint32_t frequency = 0; // kHz; for DVB-S the intermediate frequency
    uint32_t inversion = 0; // 0 on, 1 off, 2 auto
    uint32_t symbolRate = 0; // symbols/s
    uint32_t bandwidth = 0; // a KRX_TT_BANDWIDTH_ code
    uint32_t tone = 0; // 22 kHz tone: 0 off, 1 on
    uint32_t voltage = 0; // LNB supply: 0 off, 13 or 18 volts
    uint32_t viterbi = 0; // 0 auto, 1..8 the rates 1/2 .. 8/9
    int modulation = KRX_TT_MODULATION_AUTO;
    uint32_t rollOff = KRX_TT_ROLLOFF_35;
    int streamId = -1; // DVB-T2 PLP or DVB-S2 input stream; -1 none
    int diseqcPort = -1; // committed switch port 0..3 (A..D); -1 none
};

// The frontend's lock and statistics; each measure only when the frontend has it.
struct KRXTTSignal {
    bool locked = false;
    std::optional<int64_t> strength; // 0.001 dBm
    std::optional<int64_t> carrierToNoise; // 0.001 dB
    std::optional<double> bitErrorRate;
    std::optional<uint64_t> uncorrectedBlocks;
    // What the frontend locked on, when it says.
    std::optional<int> system;
    std::optional<int> modulation;
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
    int system = KRX_TT_DVBT;
    uint32_t frequency = 0; // kHz; for DVB-S the transponder's own
    uint32_t bandwidth = 2; // a KRX_TT_BANDWIDTH_ code
    uint32_t inversion = 2; // 0 on, 1 off, 2 auto
    uint32_t symbolRate = 0; // symbols/s
    uint32_t voltage = 18; // 13 vertical, 18 horizontal
    uint32_t viterbi = 0;
    int modulation = KRX_TT_MODULATION_AUTO;
    uint32_t rollOff = KRX_TT_ROLLOFF_35;
    int streamId = -1;
    int diseqcPort = -1;
    std::vector<CString> services;
    // Filled in by the plug-in: the definition's name and "new", what changed
    // ("Bandwidth 8MHz -> 7MHz"), or nothing.
    CString definitionName;
    CString change;
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
    // its services; satellite multiplexes behind the committed DiSEqC port
    // given (-1: no switch). False with the reason when the file cannot be used.
    virtual bool ScanInitialFile(const CString& path, int diseqcPort, const KRXTTScanProgress& progress,
        std::vector<KRXTTFoundMultiplex>& found, CString& error)
        = 0;
};
