// play --service on an H.264 + AAC service: the AAC plug-in is found, chosen
// for the sound and plays it on the programme clock, a click on every full
// second of the stream landing exactly a second of samples after the last.
#include "CliTest.h"

#include "tswriter/Descriptors.h"
#include "tswriter/PesWriter.h"
#include "tswriter/SectionWriter.h"
#include "tswriter/SiTables.h"

#include <filesystem>
#include <fstream>
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

// One service whose only component is AAC (ADTS) that its PMT types as MPEG-2
// audio (stream type 4), the sample repeated for six seconds, four frames to
// a PES packet, each packet carrying the PCR half a second before its PTS.
ts::Bytes MislabelledAACStream()
{
    std::ifstream file(KRX_AV_SAMPLES "/../audio/aac_lc_48k.aac", std::ios::binary);
    const ts::Bytes aac((std::istreambuf_iterator<char>(file)), {});
    std::vector<ts::Bytes> frames;
    for (size_t at = 0; at + 7 <= aac.size();) {
        const size_t length = size_t((aac[at + 3] & 3) << 11 | aac[at + 4] << 3 | aac[at + 5] >> 5);
        frames.emplace_back(aac.begin() + long(at), aac.begin() + long(std::min(at + length, aac.size())));
        at += length;
    }
    ts::TsPacketWriter out;
    ts::PesWriter sound(out, 0x101);
    int64_t pts = 90000;
    for (int repeat = 0; repeat < 3; repeat++) {
        for (size_t first = 0; first + 4 <= frames.size(); first += 4) {
            ts::SectionWriter(out, 0x00).Write(ts::PatSection(1, { { 1, 0x100 } }));
            ts::SectionWriter(out, 0x100)
                .Write(ts::PmtSection(1, 0x101, {}, { { 0x04, 0x101, ts::Iso639LanguageDescriptor("eng") } }));
            const ts::AdaptationField pcr = ts::AdaptationField::WithPcr({ uint64_t(pts - 45000), 0 });
            sound.Write(ts::PesPacket(0xC0, pts, std::nullopt,
                            ts::Concat({ frames[first], frames[first + 1], frames[first + 2], frames[first + 3] })),
                &pcr);
            pts += 4 * 1920; // 1,024 samples at 48 kHz a frame
        }
    }
    return out.TakeData();
}

TEST_F(CliTest, HandsAnAACSoundtrackTypedAsMPEGAudioToTheAACDecoder)
{
    if (!std::filesystem::exists(KRX_PROGRAM_FOLDER "KRXAVAudio.so")
        || !std::filesystem::exists(KRX_PROGRAM_FOLDER "KRXAudio.so"))
        GTEST_SKIP() << "the sound decoders are not built beside the program";
    const ts::Bytes stream = MislabelledAACStream();
    const CString ts = folder.Write("mislabelled.ts", CString(stream.begin(), stream.end()));
    const CString wav = folder.File("sound.wav");
    ASSERT_EQ(Run({ "play", ts, "--service", "1", "--seconds", "4", "--audio-out", "wav:" + wav }), 0) << err.str();
    const CString text = out.str();
    EXPECT_NE(text.find("Showing service 1: components 0x0101 (Audio)"), CString::npos) << text;
    EXPECT_NE(text.rfind("decoders: AV Audio"), CString::npos) << text;
    const CString file = folder.Read("sound.wav");
    ASSERT_GT(file.size(), 44u + 48000u) << "a quarter of a second of sound or more";
    EXPECT_EQ(file.substr(24, 4), CString("\x80\xbb\x00\x00", 4)) << "48 kHz";
    int peak = 0;
    for (size_t at = 44; at + 2 <= file.size(); at += 2)
        peak = std::max(peak, std::abs(int(static_cast<int16_t>(uint8_t(file[at]) | uint8_t(file[at + 1]) << 8))));
    EXPECT_GT(peak, 1000) << "sound, not silence";
}

} // namespace
