#pragma once
// How far the sound runs from the picture: the display reports how late each
// picture is presented against its time, the sound output how late each
// buffer is heard (released plus what the device still holds), both on the
// programme clock. The status line shows the difference once a second.
#include <cstdint>

class CKRXAVOffset
{
public:
    // Lateness in 90 kHz ticks; negative when early.
    static void AddVideo(int64_t lateness);
    static void AddAudio(int64_t lateness);
    // The mean sound lateness less the mean picture lateness since the last
    // call, in milliseconds (positive: sound behind the picture); false
    // unless both reported meanwhile. Starts a new interval either way.
    static bool Take(double& milliseconds);
};
