// Finding the coding a sound stream is really in, whatever its PMT says.
#include "DVBSoundCodingDetector.h"
#include "WaveTestSupport.h"

#include <gtest/gtest.h>

namespace {

// The stream as transport packets would bring it, after some bytes of a
// frame cut off before the first whole one.
unsigned char Detect(EDVBSoundCoding own, const ts::Bytes& stream)
{
    CDVBSoundCodingDetector detector(own);
    for (size_t at = 100; at < stream.size(); at += 184)
        detector.Examine(stream.data() + at, std::min<size_t>(184, stream.size() - at));
    return detector.GetForeignStreamType();
}

TEST(SoundCodingDetector, NamesTheCodingOfAStreamThatIsNotTheDecodersOwn)
{
    EXPECT_EQ(Detect(EDVBSoundCoding::MPEGAudio, LoadAudioSample("aac_lc_48k.aac")), 0x0F);
    EXPECT_EQ(Detect(EDVBSoundCoding::MPEGAudio, LoadAudioSample("aac_lc_44k_mono.aac")), 0x0F);
    EXPECT_EQ(Detect(EDVBSoundCoding::MPEGAudio, LoadAudioSample("aac_latm_48k.latm")), 0x11);
    EXPECT_EQ(Detect(EDVBSoundCoding::MPEGAudio, LoadAudioSample("ac3_stereo_48k.ac3")), 0x81);
    EXPECT_EQ(Detect(EDVBSoundCoding::MPEGAudio, LoadAudioSample("eac3_5.1_48k.eac3")), 0x87);
    EXPECT_EQ(Detect(EDVBSoundCoding::AAC, LoadAudioSample("ac3_stereo_48k.ac3")), 0x81);
}

TEST(SoundCodingDetector, NamesNothingForItsOwnCodingOrForNoise)
{
    for (const char* sample : { "mono_48k_96k.mp2", "stereo_32k_384k.mp2", "stereo_44k_160k.mp2" })
        EXPECT_EQ(Detect(EDVBSoundCoding::MPEGAudio, LoadAudioSample(sample)), 0) << sample;
    EXPECT_EQ(Detect(EDVBSoundCoding::AAC, LoadAudioSample("aac_lc_48k.aac")), 0);
    ts::Bytes noise(200000);
    uint32_t state = 1;
    for (unsigned char& byte : noise)
        byte = static_cast<unsigned char>((state = state * 1103515245 + 12345) >> 16);
    EXPECT_EQ(Detect(EDVBSoundCoding::MPEGAudio, noise), 0);
    EXPECT_EQ(Detect(EDVBSoundCoding::MPEGAudio, ts::Bytes(100000, 0xFF)), 0);
}

} // namespace
