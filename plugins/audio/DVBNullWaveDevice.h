#pragma once
// A device that hears nothing: every block is done as soon as it is written,
// so the output is still paced by the programme clock without a sound card.
#include "DVBWaveDevice.h"

class CDVBNullWaveDevice : public CDVBWaveDevice
{
public:
    bool Open(const CDVBPCMFormat&) override { return true; }
    bool Write(const unsigned char*, unsigned long, void* tag) override
    {
        Done(tag);
        return true;
    }
    bool Pause() override { return true; }
    bool Restart() override { return true; }
    bool Reset() override { return true; }
    bool Close() override { return true; }
    int64_t GetLatencyNanoseconds() override { return 0; }
};
