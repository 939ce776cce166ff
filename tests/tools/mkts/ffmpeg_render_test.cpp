// ffmpeg's own DVB subtitle decoder must draw the pixels the subtitle writer
// meant: a picture with a subtitle burnt in by ffmpeg is compared with the
// same picture without it and the page decoded independently here.
#include "DemoStream.h"
#include "Multiplexer.h"
#include "SubtitleDecoder.h"
#include "Workspace.h"
#include "support/TsReader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

using namespace subtitle_check;

namespace {

constexpr int WIDTH = 720;
constexpr int HEIGHT = 576;
constexpr int FRAME = 55; // 2.2 s: the first subtitle (1.0 s to 3.5 s) is up

struct Region {
    int x = 0, y = 0, depth = 0;
    Pixels pixels;
};

// The page in effect at the frame, read from the stream's subtitle PES.
std::vector<Region> PageAt(const ts::TsReader& reader, int64_t pts, std::map<std::pair<uint8_t, uint8_t>, Colour>& clut)
{
    const ts::ReadPes* current = nullptr;
    for (const ts::ReadPes& pes : reader.PesPackets(0x0204))
        if (*pes.pes.pts <= pts)
            current = &pes;
    if (!current)
        throw std::runtime_error("no subtitle shown at the frame");
    auto segments = ReadDisplaySet(current->pes.data);
    std::vector<Region> regions;
    std::map<uint8_t, size_t> byId;
    for (const Segment& segment : segments) {
        const ts::Bytes& b = segment.body;
        if (segment.type == 0x10) {
            for (size_t at = 2; at + 6 <= b.size(); at += 6) {
                byId[b[at]] = regions.size();
                regions.push_back({ b[at + 2] << 8 | b[at + 3], b[at + 4] << 8 | b[at + 5], 0, {} });
            }
        } else if (segment.type == 0x11) {
            Region& region = regions.at(byId.at(b[0]));
            region.depth = b[6] >> 2 & 7;
            region.pixels = { b[2] << 8 | b[3], b[4] << 8 | b[5], {} };
        } else if (segment.type == 0x12) {
            clut = ReadClut(b);
        } else if (segment.type == 0x13) {
            Region& region = regions.at(byId.at(b[1])); // object ids equal region ids
            region.pixels = DecodeObject(b, region.pixels.width, region.pixels.height);
        }
    }
    return regions;
}

ts::Bytes Frame(const Workspace& work, const std::string& graph, const std::string& name)
{
    auto [status, errors] = work.Shell("ffmpeg -nostdin -v error -y -i " + work.Path("demo.ts").string()
        + " -filter_complex \"" + graph + ",select=eq(n\\," + std::to_string(FRAME)
        + ")\" -frames:v 1 -pix_fmt gray -f rawvideo " + work.Path(name).string());
    if (status != 0)
        throw std::runtime_error("ffmpeg failed: " + errors);
    return ReadWholeFile(work.Path(name).string());
}

} // namespace

TEST(FfmpegRendering, BurntInSubtitleHasThePixelsOfThePage)
{
    const DemoStream& demo = DemoStream::Get();
    Workspace work;
    std::ofstream(work.Path("demo.ts"), std::ios::binary)
        .write(reinterpret_cast<const char*>(demo.bytes.data()), std::streamsize(demo.bytes.size()));
    ts::Bytes burnt = Frame(work, "[0:v:0][0:s:0]overlay", "burnt.raw");
    ts::Bytes plain = Frame(work, "[0:v:0]null", "plain.raw");
    ASSERT_EQ(burnt.size(), size_t(WIDTH * HEIGHT));
    ASSERT_EQ(plain.size(), burnt.size());

    ts::TsReader reader;
    reader.AddPesPid(0x0204);
    reader.Read(demo.bytes);
    reader.Finish();
    std::map<std::pair<uint8_t, uint8_t>, Colour> clut;
    std::vector<Region> regions = PageAt(reader, Multiplexer::START + FRAME * 3600, clut);
    ASSERT_EQ(regions.size(), 2u);

    std::vector<bool> covered(burnt.size(), false);
    int worst = 0;
    size_t pixels = 0, roughPixels = 0;
    std::map<int, int> codesSeen;
    for (const Region& region : regions) {
        uint8_t depthFlag = region.depth == 1 ? 0x80 : 0x40;
        for (int y = 0; y < region.pixels.height; ++y) {
            for (int x = 0; x < region.pixels.width; ++x) {
                size_t at = size_t(region.y + y) * WIDTH + size_t(region.x + x);
                covered[at] = true;
                uint8_t code = region.pixels.At(x, y);
                ++codesSeen[region.depth * 100 + code];
                const Colour& colour = clut.at({ depthFlag, code });
                // ffmpeg writes grey as full-range luma; the table holds studio range.
                double luma = std::clamp((colour.y - 16) * 255.0 / 219, 0.0, 255.0);
                double alpha = (255 - colour.t) / 255.0;
                double expected = alpha * luma + (1 - alpha) * plain[at];
                int error = int(std::lround(std::abs(expected - burnt[at])));
                worst = std::max(worst, error);
                // Rounding in ffmpeg's colour conversions and blending moves
                // a few half-transparent pixels; a wrong code moves far more.
                ASSERT_LE(error, 10) << "pixel " << x << "," << y << " of the region at " << region.x << "," << region.y
                                     << " code " << int(code);
                roughPixels += error > 1;
                ++pixels;
            }
        }
    }
    EXPECT_LE(roughPixels * 1000, pixels) << "more than 0.1% of the pixels off by more than one grey level";
    // Text, outline, box and (in the 4-bit region) the yellow code all drawn.
    EXPECT_GE(codesSeen.size(), 6u);
    for (size_t at = 0; at < burnt.size(); ++at) {
        if (!covered[at]) {
            ASSERT_EQ(burnt[at], plain[at]) << "ffmpeg drew outside the regions at " << at % WIDTH << "," << at / WIDTH;
        }
    }
    std::printf("%zu subtitle pixels, %zu off by more than one grey level, largest difference %d\n", pixels,
        roughPixels, worst);
}
