#pragma once
// A command from the decoder's output stage to the wave output: the code and
// the arguments of that code. Configure's fields come back as granted.
#include "DVBPCMConverter.h"

#include <cstdint>

enum EDVBAudioCommandCode {
    DVB_AUDIO_INIT = 0,
    DVB_AUDIO_CONFIGURE = 1,
    DVB_AUDIO_PLAY = 2,
    DVB_AUDIO_STOP = 3,
    DVB_AUDIO_FINISH = 4,
};

struct CDVBAudioCommand {
    int code = DVB_AUDIO_INIT;
    struct {
        unsigned int channels = 0;
        unsigned int rate = 0;
        unsigned int precision = 0;
    } configure;
    struct {
        unsigned long count = 0;
        const DVBFixed* first = nullptr;
        const DVBFixed* second = nullptr; // null for one channel
        int mode = DVB_PCM_DITHER;
        CDVBClipStatistics* statistics = nullptr;
        uint32_t time = 0; // 45 kHz ticks
    } play;
    struct {
        bool flush = false;
    } stop;
};
