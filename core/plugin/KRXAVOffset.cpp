#include "plugin/KRXAVOffset.h"

#include "platform/CriticalSection.h"

namespace {
struct SMean {
    int64_t sum = 0;
    int64_t count = 0;
};

CCriticalSection offsetSection;
SMean video, audio;

void Add(SMean& mean, int64_t lateness)
{
    CSingleLock lock(&offsetSection, true);
    mean.sum += lateness;
    mean.count++;
}
} // namespace

void CKRXAVOffset::AddVideo(int64_t lateness)
{
    Add(video, lateness);
}

void CKRXAVOffset::AddAudio(int64_t lateness)
{
    Add(audio, lateness);
}

bool CKRXAVOffset::Take(double& milliseconds)
{
    CSingleLock lock(&offsetSection, true);
    const bool both = video.count > 0 && audio.count > 0;
    if (both)
        milliseconds = (double(audio.sum) / double(audio.count) - double(video.sum) / double(video.count)) / 90.0;
    video = audio = SMean {};
    return both;
}
