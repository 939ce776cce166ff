// play --service on an H.264 + AAC service: the AAC plug-in is found, chosen
// for the sound and plays it on the programme clock, a click on every full
// second of the stream landing exactly a second of samples after the last.
#include "CliTest.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

// Where the left channel of 16-bit stereo PCM goes above half of full scale,
// each place once (a click lasts 5 ms).
std::vector<size_t> FindClicks(const CString& pcm)
{
    std::vector<size_t> clicks;
    for (size_t frame = 0; (frame + 1) * 4 <= pcm.size(); frame++) {
        const auto left = static_cast<int16_t>(uint8_t(pcm[frame * 4]) | uint8_t(pcm[frame * 4 + 1]) << 8);
        if (std::abs(int(left)) > 16000 && (clicks.empty() || frame - clicks.back() > 4800))
            clicks.push_back(frame);
    }
    return clicks;
}

TEST_F(CliTest, PlaysTheAACSoundOfAnH264ServiceWithoutLosingAFrame)
{
    if (!std::filesystem::exists(KRX_PROGRAM_FOLDER "KRXAVAudio.so"))
        GTEST_SKIP() << "the AAC decoder is not built beside the program";
    const CString wav = folder.File("sound.wav");
    ASSERT_EQ(Run({ "play", KRX_AV_SAMPLES "/flash_click_h264_aac.ts", "--service", "AV Check", "--seconds", "3",
                  "--video-out", "none", "--audio-out", "wav:" + wav }),
        0)
        << err.str();
    const CString file = folder.Read("sound.wav");
    ASSERT_GT(file.size(), 44u);
    EXPECT_EQ(file.substr(22, 2), CString("\x02\x00", 2)) << "stereo";
    EXPECT_EQ(file.substr(24, 4), CString("\x80\xbb\x00\x00", 4)) << "48 kHz";
    const std::vector<size_t> clicks = FindClicks(file.substr(44));
    ASSERT_GE(clicks.size(), 2u) << "a second of sound or more";
    for (size_t i = 1; i < clicks.size(); i++)
        EXPECT_NEAR(double(clicks[i] - clicks[i - 1]), 48000, 1) << "a frame lost or doubled before click " << i;
}

} // namespace
