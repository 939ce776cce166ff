#include "DVBSDLWaveDevice.h"
#include "DVBBackgroundCloser.h"

#include "platform/Clock.h"
#include "platform/SDLLock.h"
#include "platform/SDLSubSystems.h"

#include <SDL2/SDL.h>

#include <cstring>
#include <utility>
#include <vector>

namespace {
// SDL gives every thread that calls it an error message of its own, and frees
// it only on the threads it made itself. The device is opened and closed on
// the decoders' threads, which end without SDL knowing: each gives it back
// once it is done with SDL.
void ReleaseThreadData()
{
    SDL_TLSCleanup();
}

SDL_AudioFormat ToSDLFormat(unsigned int bits)
{
    switch (bits) {
    case 8:
        return AUDIO_U8;
    case 16:
        return AUDIO_S16LSB;
    case 32:
        return AUDIO_S32LSB;
    default:
        return 0; // SDL has no packed 24-bit samples
    }
}
} // namespace

CDVBSDLWaveDevice::~CDVBSDLWaveDevice()
{
    Close();
}

bool CDVBSDLWaveDevice::Open(const CDVBPCMFormat& format)
{
    if (m_device != 0)
        return Fail("the sound device is already open");
    const SDL_AudioFormat sdlFormat = ToSDLFormat(format.bits);
    if (sdlFormat == 0)
        return Fail(FormatString("the sound device cannot play %u-bit samples", format.bits));
    SDL_AudioSpec wanted {};
    wanted.freq = static_cast<int>(format.rate);
    wanted.format = sdlFormat;
    wanted.channels = static_cast<Uint8>(format.channels);
    wanted.samples = 1024;
    wanted.callback = Pull;
    wanted.userdata = this;
    std::lock_guard lock(GetSDLLock());
    const bool opened = OpenDevice(format, wanted);
    ReleaseThreadData();
    return opened;
}

bool CDVBSDLWaveDevice::OpenDevice(const CDVBPCMFormat& format, SDL_AudioSpec& wanted)
{
    // SDL must not take over SIGINT and SIGTERM from the program.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
        return Fail(CString("no sound: ") + SDL_GetError());
    m_device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &m_obtained, 0);
    if (m_device == 0) {
        const CString error = CString("cannot open the sound device: ") + SDL_GetError();
        QuitSDLSubSystem(SDL_INIT_AUDIO);
        return Fail(error);
    }
    m_format = format;
    SDL_PauseAudioDevice(m_device, 0);
    return true;
}

bool CDVBSDLWaveDevice::Write(const unsigned char* data, unsigned long size, void* tag)
{
    if (m_device == 0)
        return Fail("the sound device is not open");
    std::lock_guard lock(m_queueLock);
    m_queue.push_back({ data, size, tag });
    m_queuedBytes += size;
    return true;
}

bool CDVBSDLWaveDevice::Pause()
{
    if (m_device == 0)
        return Fail("the sound device is not open");
    SDL_PauseAudioDevice(m_device, 1);
    return true;
}

bool CDVBSDLWaveDevice::Restart()
{
    if (m_device == 0)
        return Fail("the sound device is not open");
    SDL_PauseAudioDevice(m_device, 0);
    return true;
}

bool CDVBSDLWaveDevice::Reset()
{
    for (const Block& block : TakeQueue())
        Done(block.tag);
    return true;
}

bool CDVBSDLWaveDevice::Close()
{
    if (m_device == 0)
        return true;
    // Paused, SDL's thread plays silence and never calls Pull again, and the
    // pause takes the device's own lock, so a pull under way has ended when it
    // returns. It touches no state SDL shares between devices, so it needs
    // not wait for the process's SDL lock, which a closing device may hold.
    SDL_PauseAudioDevice(m_device, 1);
    const SDL_AudioDeviceID device = std::exchange(m_device, 0);
    // Closing waits for SDL's thread; that is done in the background.
    CDVBBackgroundCloser::Get().Post([device] {
        std::lock_guard lock(GetSDLLock());
        SDL_CloseAudioDevice(device);
        QuitSDLSubSystem(SDL_INIT_AUDIO);
        ReleaseThreadData();
    });
    Reset();
    return true;
}

int64_t CDVBSDLWaveDevice::GetLatencyNanoseconds()
{
    if (m_device == 0 || m_format.rate == 0)
        return 0;
    unsigned long queued;
    {
        std::lock_guard lock(m_queueLock);
        queued = m_queuedBytes;
    }
    const int64_t frames = queued / m_format.GetBlockAlign() + m_obtained.samples;
    return frames * KRX_MONOTONIC_FREQUENCY / m_format.rate;
}

std::deque<CDVBSDLWaveDevice::Block> CDVBSDLWaveDevice::TakeQueue()
{
    std::lock_guard lock(m_queueLock);
    std::deque<Block> taken;
    taken.swap(m_queue);
    m_frontOffset = 0;
    m_queuedBytes = 0;
    return taken;
}

void CDVBSDLWaveDevice::Pull(void* device, Uint8* stream, int length)
{
    static_cast<CDVBSDLWaveDevice*>(device)->Fill(stream, length);
}

void CDVBSDLWaveDevice::Fill(Uint8* stream, int length)
{
    std::vector<void*> finished;
    unsigned long wanted = static_cast<unsigned long>(length);
    {
        std::lock_guard lock(m_queueLock);
        while (wanted > 0 && !m_queue.empty()) {
            Block& front = m_queue.front();
            const unsigned long taken = std::min(wanted, front.size - m_frontOffset);
            std::memcpy(stream, front.data + m_frontOffset, taken);
            stream += taken;
            wanted -= taken;
            m_frontOffset += taken;
            m_queuedBytes -= taken;
            if (m_frontOffset == front.size) {
                finished.push_back(front.tag);
                m_queue.pop_front();
                m_frontOffset = 0;
            }
        }
    }
    std::memset(stream, m_obtained.silence, wanted);
    for (void* tag : finished)
        Done(tag);
}
