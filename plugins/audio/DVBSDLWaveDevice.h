#pragma once
// The sound card through SDL2 audio. SDL pulls sound on its own thread; the
// blocks written here wait in a queue that the pull drains, and each block is
// done once SDL has taken its last byte. When the queue runs dry SDL plays
// silence until the next block comes. Close ends the pulls at once and
// leaves SDL's slow part of it to the background closer.
#include "DVBWaveDevice.h"

#include <SDL2/SDL_audio.h>

#include <deque>
#include <mutex>

class CDVBSDLWaveDevice : public CDVBWaveDevice
{
public:
    ~CDVBSDLWaveDevice() override;

    bool Open(const CDVBPCMFormat& format) override;
    bool Write(const unsigned char* data, unsigned long size, void* tag) override;
    bool Pause() override;
    bool Restart() override;
    bool Reset() override;
    bool Close() override;
    int64_t GetLatencyNanoseconds() override;

private:
    struct Block {
        const unsigned char* data;
        unsigned long size;
        void* tag;
    };

    bool OpenDevice(const CDVBPCMFormat& format, SDL_AudioSpec& wanted);
    static void Pull(void* device, Uint8* stream, int length);
    void Fill(Uint8* stream, int length);
    // Takes the queue's blocks out under the lock, for completion outside it.
    std::deque<Block> TakeQueue();

    SDL_AudioDeviceID m_device = 0;
    SDL_AudioSpec m_obtained {};
    CDVBPCMFormat m_format;
    std::mutex m_queueLock;
    std::deque<Block> m_queue;
    unsigned long m_frontOffset = 0;
    unsigned long m_queuedBytes = 0;
};
