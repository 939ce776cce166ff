#pragma once
// A device that writes what it is given to a WAV file, in order, and is done
// with each block once it is written. Reopening it for the same format goes
// on appending (the output closes and reopens its device when the stream's
// format is announced again); a different format cannot be held by one file
// and is refused. Closing leaves a complete file, and so does creating the
// device: until sound comes, the file is a valid WAV file with no samples.
// The file is the device's (and locked) from its creation to its end; a block
// that cannot be written leaves the file as it was, reported as an output
// fault, and the file takes no more sound after it.
#include "DVBWaveDevice.h"

#include "platform/OutputFile.h"

class CDVBWavFileWaveDevice : public CDVBWaveDevice
{
public:
    explicit CDVBWavFileWaveDevice(CString path);
    ~CDVBWavFileWaveDevice() override;

    bool Open(const CDVBPCMFormat& format) override;
    bool Write(const unsigned char* data, unsigned long size, void* tag) override;
    bool Pause() override { return true; }
    bool Restart() override { return true; }
    bool Reset() override { return true; }
    bool Close() override;
    int64_t GetLatencyNanoseconds() override { return 0; }

private:
    bool WriteHeader();
    // Fails with the file's error, telling the front end of the first one.
    bool FailWriting(bool failedBefore);

    CString m_path;
    COutputFile m_file;
    bool m_open = false;
    bool m_created = false; // opened once, so the format is the file's
    CDVBPCMFormat m_format;
    uint32_t m_dataBytes = 0;
};
