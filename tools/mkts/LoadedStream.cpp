#include "LoadedStream.h"
#include "DvbSubtitleEncoder.h"
#include "MpegAudioStream.h"
#include "MpegVideoStream.h"
#include "MuxError.h"
#include "SubtitlePalette.h"
#include "TeletextEncoder.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

namespace {

constexpr int SUBTITLE_SCALE = 3;
constexpr int PICTURE_WIDTH = 720;
constexpr int PICTURE_HEIGHT = 576;
constexpr int BOTTOM_MARGIN = 48;
constexpr int LINE_GAP = 6;

ts::Bytes ReadFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        throw MuxError("cannot read " + path + ": " + std::strerror(errno));
    ts::Bytes data((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (file.bad())
        throw MuxError("cannot read " + path + ": " + std::strerror(errno));
    return data;
}

int64_t Ticks(double seconds)
{
    return std::llround(seconds * 90000);
}

// Lines stacked upwards from the bottom of the picture, centred; the top
// line of a pair in a 4-bit region in yellow, the bottom one in a 2-bit
// region in white, so both pixel codings appear in every page.
std::vector<SubtitleRegion> LayOut(const SubtitleCue& cue, const std::string& where)
{
    std::vector<SubtitleRegion> regions;
    int count = int(cue.lines.size());
    for (int i = 0; i < count; ++i) {
        SubtitleRegion region;
        region.depthBits = (count - 1 - i) % 2 == 0 ? 2 : 4;
        uint8_t text = region.depthBits == 4 ? SubtitlePalette::YELLOW : SubtitlePalette::WHITE;
        region.bitmap = SubtitleBitmap::RenderText(
            cue.lines[size_t(i)], SUBTITLE_SCALE, text, SubtitlePalette::BLACK, SubtitlePalette::SHADE);
        if (region.bitmap.Width() > PICTURE_WIDTH)
            throw MuxError(where + "subtitle text too wide for the picture: \"" + cue.lines[size_t(i)] + "\"");
        region.x = (PICTURE_WIDTH - region.bitmap.Width()) / 2;
        region.y = PICTURE_HEIGHT - BOTTOM_MARGIN - (count - i) * (region.bitmap.Height() + LINE_GAP);
        if (region.y < 0)
            throw MuxError(where + "subtitle has too many lines for the picture");
        regions.push_back(std::move(region));
    }
    return regions;
}

std::vector<AccessUnit> SubtitleUnits(const MuxDescription& mux, const StreamDescription& stream)
{
    std::vector<const SubtitleCue*> cues;
    for (const SubtitleCue& cue : mux.cues)
        if (cue.pid == stream.pid)
            cues.push_back(&cue);
    std::sort(cues.begin(), cues.end(), [](auto* a, auto* b) { return a->start < b->start; });
    DvbSubtitleEncoder encoder(stream.page);
    std::vector<AccessUnit> units;
    double shownUntil = 0;
    for (const SubtitleCue* cue : cues) {
        std::string where = mux.fileName + ":" + std::to_string(cue->line) + ": ";
        if (cue->start < shownUntil)
            throw MuxError(where + "subtitle starts before the previous one ends");
        auto timeout = uint8_t(std::min(255.0, std::ceil(cue->end - cue->start) + 1));
        units.push_back({ encoder.ShowPage(LayOut(*cue, where), timeout), Ticks(cue->start), std::nullopt, true });
        units.push_back({ encoder.ClearPage(), Ticks(cue->end), std::nullopt, true });
        shownUntil = cue->end;
    }
    return units;
}

TeletextCharset CharsetFor(const TeletextPageDescription& page, const std::string& where)
{
    const std::string& language = page.language;
    if (language.empty() || language == "eng")
        return TeletextCharset::English;
    if (language == "deu" || language == "ger")
        return TeletextCharset::German;
    if (language == "ita")
        return TeletextCharset::Italian;
    if (language == "fra" || language == "fre")
        return TeletextCharset::French;
    throw MuxError(where + "no teletext character set for language=" + language);
}

TeletextPage MakeTeletextPage(const TeletextPageDescription& description, const std::string& where)
{
    TeletextPage page;
    page.number = description.Address();
    page.charset = CharsetFor(description, where);
    page.subtitle = description.IsSubtitle();
    page.header = description.header;
    for (size_t row = 0; row < description.rows.size(); ++row)
        page.rows.push_back({ int(row) + 1, description.rows[row] });
    for (size_t colour = 0; colour < page.links.size(); ++colour)
        if (description.links[colour] != 0)
            page.links[colour] = TeletextPageDescription::Address(description.links[colour]);
    return page;
}

// The pages' packets, a frame's worth in each PES, one frame after another.
void AddTeletextUnits(std::vector<AccessUnit>& units, const std::vector<TeletextPage>& pages, double seconds)
{
    constexpr size_t PACKETS_PER_FRAME = 32;
    constexpr int64_t FRAME_TICKS = 3600;
    std::vector<ts::Bytes> packets;
    for (const TeletextPage& page : pages)
        for (ts::Bytes& packet : TeletextEncoder::PagePackets(page))
            packets.push_back(std::move(packet));
    for (size_t first = 0; first < packets.size(); first += PACKETS_PER_FRAME) {
        const std::vector<ts::Bytes> frame(
            packets.begin() + long(first), packets.begin() + long(std::min(packets.size(), first + PACKETS_PER_FRAME)));
        units.push_back({ TeletextEncoder::PesData(frame, pages.front().subtitle),
            Ticks(seconds) + int64_t(first / PACKETS_PER_FRAME) * FRAME_TICKS, std::nullopt, true });
    }
}

// The plain pages go out once a second until a second after the last
// caption; each caption's page is sent when it shows and sent empty, erasing
// it, when it ends.
std::vector<AccessUnit> TeletextUnits(const MuxDescription& mux, const StreamDescription& stream)
{
    std::vector<TeletextPage> plain;
    double end = 1;
    for (const TeletextPageDescription& description : mux.teletextPages)
        if (description.pid == stream.pid && !description.IsSubtitle())
            plain.push_back(
                MakeTeletextPage(description, mux.fileName + ":" + std::to_string(description.line) + ": "));
    std::vector<AccessUnit> units;
    for (const SubtitleCue& cue : mux.cues) {
        if (cue.pid != stream.pid)
            continue;
        const std::string where = mux.fileName + ":" + std::to_string(cue.line) + ": ";
        TeletextPage page = MakeTeletextPage(*mux.FindTeletextPage(cue.pid, cue.page), where);
        // Lines every other row, the last on row 22.
        const int count = int(cue.lines.size());
        for (int i = 0; i < count; ++i)
            page.rows.push_back({ 22 - 2 * (count - 1 - i), cue.lines[size_t(i)] });
        AddTeletextUnits(units, { page }, cue.start);
        page.rows.clear();
        AddTeletextUnits(units, { page }, cue.end);
        end = std::max(end, cue.end + 1);
    }
    for (int second = 0; !plain.empty() && second < end; ++second)
        AddTeletextUnits(units, plain, second);
    std::stable_sort(
        units.begin(), units.end(), [](const AccessUnit& a, const AccessUnit& b) { return a.pts < b.pts; });
    return units;
}

LoadedStream LoadOne(const MuxDescription& mux, const StreamDescription& stream, uint8_t& nextAudioId)
{
    LoadedStream one;
    one.pid = stream.pid;
    one.kind = stream.kind;
    switch (stream.kind) {
    case StreamKind::Video: {
        MpegVideoStream video(ReadFile(stream.file), stream.file);
        one.streamType = video.IsMpeg2() ? 0x02 : 0x01;
        one.streamId = 0xE0;
        one.units = video.Units();
        break;
    }
    case StreamKind::Audio: {
        // Audio stream ids run from 0xC0 to 0xDF.
        if (nextAudioId > 0xDF)
            throw MuxError("more than 32 audio streams");
        MpegAudioStream audio(ReadFile(stream.file), stream.file);
        one.streamType = audio.IsMpeg1() ? 0x03 : 0x04;
        one.streamId = nextAudioId++;
        one.units = audio.Units();
        break;
    }
    case StreamKind::Subtitles:
        one.streamType = 0x06;
        one.streamId = 0xBD; // private_stream_1
        one.units = SubtitleUnits(mux, stream);
        break;
    case StreamKind::Teletext:
        one.streamType = 0x06;
        one.streamId = 0xBD;
        one.units = TeletextUnits(mux, stream);
        break;
    }
    return one;
}

} // namespace

std::vector<LoadedStream> LoadedStream::LoadAll(const MuxDescription& mux)
{
    std::vector<LoadedStream> loaded;
    uint8_t nextAudioId = 0xC0;
    for (const StreamDescription& stream : mux.streams) {
        try {
            loaded.push_back(LoadOne(mux, stream, nextAudioId));
        } catch (const MuxError& error) {
            if (stream.kind == StreamKind::Subtitles || stream.kind == StreamKind::Teletext)
                throw; // cue and page messages name their own line
            char pid[8];
            std::snprintf(pid, sizeof pid, "0x%04X", stream.pid);
            throw MuxError(mux.fileName + ":" + std::to_string(stream.line) + ": stream " + pid + ": " + error.what());
        }
    }
    return loaded;
}
