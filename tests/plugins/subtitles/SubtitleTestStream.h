#pragma once
// Builds subtitle display sets byte by byte for the tests, and the fakes the
// subtitle layer is driven with: a display that draws its layers on demand,
// a programme clock the test sets, and a frame.
#include "tswriter/PesWriter.h"
#include "tswriter/TsPacketWriter.h"

#include "plugin/DVBDisplay.h"
#include "plugin/DVBDisplayLayer.h"
#include "stream/DVBProgramClock.h"

#include <algorithm>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

namespace subtitle_test {

using ts::Bytes;

inline void AppendWord(Bytes& out, uint16_t value)
{
    out.push_back(uint8_t(value >> 8));
    out.push_back(uint8_t(value));
}

inline Bytes Segment(uint8_t type, const Bytes& body, uint16_t pageId = 1)
{
    Bytes out { 0x0F, type };
    AppendWord(out, pageId);
    AppendWord(out, uint16_t(body.size()));
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

struct Placed {
    uint16_t id;
    uint16_t x;
    uint16_t y;
};

inline Bytes Page(uint8_t state, const std::vector<Placed>& regions, uint16_t pageId = 1)
{
    Bytes body { 10, uint8_t(state << 2) };
    for (const Placed& region : regions) {
        body.push_back(uint8_t(region.id));
        body.push_back(0xFF);
        AppendWord(body, region.x);
        AppendWord(body, region.y);
    }
    return Segment(0x10, body, pageId);
}

// fill sets the region fill flag.
inline Bytes Region(uint8_t id, uint8_t clutId, const std::vector<Placed>& objects, bool fill = false)
{
    Bytes body { id, uint8_t(fill ? 0x08 : 0x00) };
    AppendWord(body, 720);
    AppendWord(body, 576);
    body.insert(body.end(), { uint8_t(2 << 2), clutId, 0, 0 });
    for (const Placed& object : objects) {
        AppendWord(body, object.id);
        AppendWord(body, object.x & 0x0FFF);
        AppendWord(body, object.y & 0x0FFF);
    }
    return Segment(0x11, body);
}

struct Colour {
    uint8_t id, y, cr, cb, t;
};

// Full-range entries.
inline Bytes Clut(uint8_t id, const std::vector<Colour>& colours)
{
    Bytes body { id, 0x00 };
    for (const Colour& colour : colours)
        body.insert(body.end(), { colour.id, 0xE1, colour.y, colour.cr, colour.cb, colour.t });
    return Segment(0x12, body);
}

inline Bytes ObjectBody(uint16_t id, const Bytes& top, const Bytes& bottom)
{
    Bytes body;
    AppendWord(body, id);
    body.push_back(0x00);
    AppendWord(body, uint16_t(top.size()));
    AppendWord(body, uint16_t(bottom.size()));
    body.insert(body.end(), top.begin(), top.end());
    body.insert(body.end(), bottom.begin(), bottom.end());
    return body;
}

inline Bytes Object(uint16_t id, const Bytes& top, const Bytes& bottom)
{
    return Segment(0x13, ObjectBody(id, top, bottom));
}

// A display definition of the given size; four window edges (left, right,
// top, bottom) set its window flag.
inline Bytes DisplayDefinition(int width, int height, const std::vector<uint16_t>& window = {})
{
    Bytes body { uint8_t(window.empty() ? 0x00 : 0x08) };
    AppendWord(body, uint16_t(width - 1));
    AppendWord(body, uint16_t(height - 1));
    for (uint16_t edge : window)
        AppendWord(body, edge);
    return Segment(0x14, body);
}

// Field data of 8-bit strings: each line is runs of (count, code), then an
// end of line.
inline Bytes Lines(const std::vector<std::vector<std::pair<int, uint8_t>>>& lines)
{
    Bytes out;
    for (const auto& line : lines) {
        out.push_back(0x12);
        for (auto [count, code] : line) {
            for (; count > 0; count -= std::min(count, 127))
                out.insert(out.end(), { 0x00, uint8_t(0x80 | std::min(count, 127)), code });
        }
        out.insert(out.end(), { 0x00, 0x00, 0xF0 });
    }
    return out;
}

// The same run on every one of rows lines.
inline Bytes Block(int rows, int count, uint8_t code)
{
    return Lines(std::vector<std::vector<std::pair<int, uint8_t>>>(size_t(rows), { { count, code } }));
}

// data_identifier, subtitle_stream_id, the segments, end-of-data marker.
inline Bytes Payload(const std::vector<Bytes>& segments)
{
    Bytes out { 0x20, 0x00 };
    for (const Bytes& segment : segments)
        out.insert(out.end(), segment.begin(), segment.end());
    out.push_back(0xFF);
    return out;
}

inline Bytes Pes(const Bytes& payload, std::optional<int64_t> pts)
{
    return ts::PesWriter::Build(ts::PesPacket(0xBD, pts, std::nullopt, payload));
}

// The PES cut into transport packets of one PID.
inline std::vector<Bytes> Packets(const Bytes& payload, std::optional<int64_t> pts, uint16_t pid = 0x0204)
{
    ts::TsPacketWriter out;
    ts::PesWriter(out, pid).Write(ts::PesPacket(0xBD, pts, std::nullopt, payload));
    const Bytes stream = out.TakeData();
    std::vector<Bytes> packets;
    for (size_t at = 0; at < stream.size(); at += ts::PACKET_SIZE)
        packets.emplace_back(stream.begin() + long(at), stream.begin() + long(at + ts::PACKET_SIZE));
    return packets;
}

class ScriptedClock : public CDVBProgramClock
{
public:
    bool GetProgramClock(int64_t& clock, bool) override
    {
        clock = value;
        return valid;
    }
    int64_t value = 0;
    bool valid = true;
};

// 720 x 576 unless told otherwise; the pitch is the width.
struct Frame {
    static constexpr int WIDTH = 720, HEIGHT = 576;
    explicit Frame(uint8_t luma = 0x80, uint8_t chroma = 0x80, int frameWidth = WIDTH, int frameHeight = HEIGHT)
        : width(frameWidth)
        , height(frameHeight)
        , y(size_t(width) * height, luma)
        , u(size_t(width / 2) * (height / 2), chroma)
        , v(size_t(width / 2) * (height / 2), chroma)
    {
    }
    uint8_t Y(int x, int row) const { return y[size_t(row) * width + x]; }
    uint8_t U(int x, int row) const { return u[size_t(row / 2) * (width / 2) + x / 2]; }
    uint8_t V(int x, int row) const { return v[size_t(row / 2) * (width / 2) + x / 2]; }
    size_t CountLuma(uint8_t value) const { return size_t(std::count(y.begin(), y.end(), value)); }
    int width, height;
    std::vector<uint8_t> y, u, v;
};

// Draws its layers when told to, as a display's frame thread would, and
// stops drawing a layer before RemoveDisplayLayer returns.
class FakeDisplay : public CDVBDisplay
{
public:
    bool AddDisplayLayer(CDVBDisplayLayer* layer) override
    {
        std::lock_guard lock(m_mutex);
        m_layers.push_back(layer);
        return true;
    }
    bool RemoveDisplayLayer(CDVBDisplayLayer* layer) override
    {
        std::lock_guard lock(m_mutex);
        auto at = std::find(m_layers.begin(), m_layers.end(), layer);
        if (at == m_layers.end())
            return false;
        m_layers.erase(at);
        return true;
    }
    void Draw(Frame& frame, int64_t time)
    {
        std::lock_guard lock(m_mutex);
        for (CDVBDisplayLayer* layer : m_layers)
            layer->DrawIntoFrame(
                frame.width, frame.height, frame.width, frame.y.data(), frame.u.data(), frame.v.data(), time);
    }
    size_t LayerCount()
    {
        std::lock_guard lock(m_mutex);
        return m_layers.size();
    }

private:
    std::mutex m_mutex;
    std::vector<CDVBDisplayLayer*> m_layers;
};

} // namespace subtitle_test
