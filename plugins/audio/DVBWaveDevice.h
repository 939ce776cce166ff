#pragma once
// The sound device as the wave output sees it: opened for one PCM format, it
// plays the blocks written to it back to back and tells the owner through the
// completion callback when it is done with each one (from any thread, with
// no lock of the wave output held). Reset ends every written block at once;
// pause and restart hold and resume playing. Failures leave a text for the
// caller in GetErrorText.
#include "platform/CString.h"

#include <cstdint>
#include <functional>

struct CDVBPCMFormat {
    unsigned int channels = 2;
    unsigned int rate = 44100;
    unsigned int bits = 16;

    unsigned int GetBlockAlign() const { return channels * bits / 8; }
    bool operator==(const CDVBPCMFormat&) const = default;
};

class CDVBWaveDevice
{
public:
    // Called once for every block written, with the tag given to Write.
    using DoneCallback = std::function<void(void* tag)>;

    virtual ~CDVBWaveDevice() = default;

    // Set before the first Open; not changed while the device is open.
    void SetDoneCallback(DoneCallback callback) { m_done = std::move(callback); }

    virtual bool Open(const CDVBPCMFormat& format) = 0;
    // The data stays the caller's until the completion for tag.
    virtual bool Write(const unsigned char* data, unsigned long size, void* tag) = 0;
    virtual bool Pause() = 0;
    virtual bool Restart() = 0;
    virtual bool Reset() = 0;
    virtual bool Close() = 0;
    // How long a block written now waits before it is heard: what the device
    // still holds plus its own buffer.
    virtual int64_t GetLatencyNanoseconds() = 0;
    const CString& GetErrorText() const { return m_errorText; }

protected:
    void Done(void* tag)
    {
        if (m_done)
            m_done(tag);
    }
    bool Fail(const CString& text)
    {
        m_errorText = text;
        return false;
    }

private:
    DoneCallback m_done;
    CString m_errorText;
};
