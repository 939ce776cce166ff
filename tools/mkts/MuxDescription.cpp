#include "MuxDescription.h"
#include "MuxError.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <sstream>

namespace {

class Statement
{
public:
    Statement(std::string where, std::map<std::string, std::string> values)
        : m_where(std::move(where))
        , m_values(std::move(values))
    {
    }

    std::string Text(const std::string& key, bool required = true)
    {
        auto found = m_values.find(key);
        if (found == m_values.end()) {
            if (required)
                throw MuxError(m_where + "missing " + key + "=");
            return {};
        }
        std::string value = found->second;
        m_values.erase(found);
        return value;
    }

    int64_t Number(const std::string& key, int64_t low, int64_t high, std::optional<int64_t> fallback = {})
    {
        std::string text = Text(key, !fallback);
        if (text.empty())
            return *fallback;
        size_t used = 0;
        int64_t value = 0;
        try {
            value = std::stoll(text, &used, 0);
        } catch (const std::exception&) {
            used = 0;
        }
        if (used != text.size() || value < low || value > high)
            throw MuxError(m_where + key + "=" + text + " is not a number from " + std::to_string(low) + " to "
                + std::to_string(high));
        return value;
    }

    double Seconds(const std::string& key)
    {
        std::string text = Text(key);
        size_t used = 0;
        double value = -1;
        try {
            value = std::stod(text, &used);
        } catch (const std::exception&) {
            used = 0;
        }
        if (used != text.size() || value < 0)
            throw MuxError(m_where + key + "=" + text + " is not a time in seconds");
        return value;
    }

    uint16_t Pid(const std::string& key) { return uint16_t(Number(key, 0, 0x1FFF)); }

    // Every key must have been used: a misspelt one is an error, not a default.
    void Finish() const
    {
        if (!m_values.empty())
            throw MuxError(m_where + "unknown key " + m_values.begin()->first + "=");
    }

    const std::string& Where() const { return m_where; }

private:
    std::string m_where;
    std::map<std::string, std::string> m_values;
};

std::vector<std::string> Split(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    std::stringstream stream(text);
    std::string part;
    while (std::getline(stream, part, separator))
        parts.push_back(part);
    return parts;
}

// keyword key=value key="value with spaces" ...
std::pair<std::string, std::map<std::string, std::string>> Tokenise(const std::string& line, const std::string& where)
{
    std::string keyword;
    std::map<std::string, std::string> values;
    size_t at = 0;
    auto skipSpace = [&] {
        while (at < line.size() && std::isspace(static_cast<unsigned char>(line[at])))
            ++at;
    };
    skipSpace();
    while (at < line.size() && !std::isspace(static_cast<unsigned char>(line[at])))
        keyword += line[at++];
    for (skipSpace(); at < line.size(); skipSpace()) {
        size_t equals = line.find('=', at);
        if (equals == std::string::npos)
            throw MuxError(where + "expected key=value at \"" + line.substr(at) + "\"");
        std::string key = line.substr(at, equals - at);
        at = equals + 1;
        std::string value;
        if (at < line.size() && line[at] == '"') {
            size_t close = line.find('"', at + 1);
            if (close == std::string::npos)
                throw MuxError(where + "unterminated quotes in " + key + "=");
            value = line.substr(at + 1, close - at - 1);
            at = close + 1;
        } else {
            while (at < line.size() && !std::isspace(static_cast<unsigned char>(line[at])))
                value += line[at++];
        }
        if (!values.emplace(key, value).second)
            throw MuxError(where + key + "= given twice");
    }
    return { keyword, values };
}

std::string Language(Statement& statement)
{
    std::string language = statement.Text("language", false);
    if (!language.empty() && language.size() != 3)
        throw MuxError(statement.Where() + "language=" + language + " is not a three-letter ISO 639 code");
    return language;
}

DeliveryDescription ReadDelivery(Statement& s)
{
    DeliveryDescription delivery;
    std::string system = s.Text("delivery", false);
    if (!system.empty())
        delivery.system = system;
    const bool satellite = delivery.system == "dvbs" || delivery.system == "dvbs2";
    if (delivery.system != "dvbt" && delivery.system != "dvbt2" && !satellite && delivery.system != "dvbc")
        throw MuxError(s.Where() + "delivery=" + delivery.system + " is not dvbt, dvbt2, dvbs, dvbs2 or dvbc");
    delivery.frequency = uint32_t(s.Number("frequency", 1, 4000000000LL));
    if (delivery.system == "dvbt" || delivery.system == "dvbt2")
        delivery.bandwidthMHz = uint8_t(s.Number("bandwidth", 5, 10, 8));
    if (delivery.system == "dvbt2")
        delivery.plp = uint8_t(s.Number("plp", 0, 255, 0));
    if (satellite) {
        std::string polarisation = s.Text("polarisation", false);
        delivery.polarisation = polarisation == "v" ? 'v' : 'h';
    }
    if (satellite || delivery.system == "dvbc") {
        delivery.symbolRate = uint32_t(s.Number("symbol_rate", 1000000, 45000000));
        delivery.modulation = s.Text("modulation", false);
    }
    return delivery;
}

AnnouncedMultiplex ReadAnnounced(Statement& s)
{
    AnnouncedMultiplex announced;
    announced.transportStreamId = uint16_t(s.Number("transport_stream_id", 0, 0xFFFF));
    announced.originalNetworkId = uint16_t(s.Number("original_network_id", 0, 0xFFFF));
    announced.delivery = ReadDelivery(s);
    return announced;
}

void ReadMultiplex(Statement& s, MuxDescription& mux)
{
    mux.name = s.Text("name");
    std::string provider = s.Text("provider", false);
    if (!provider.empty())
        mux.provider = provider;
    mux.networkId = uint16_t(s.Number("network_id", 0, 0xFFFF));
    mux.transportStreamId = uint16_t(s.Number("transport_stream_id", 0, 0xFFFF));
    mux.originalNetworkId = uint16_t(s.Number("original_network_id", 0, 0xFFFF));
    mux.delivery = ReadDelivery(s);
    mux.rate = uint32_t(s.Number("rate", 0, 200000000, 0));
}

StreamDescription ReadStream(Statement& s, int line)
{
    StreamDescription stream;
    stream.line = line;
    stream.pid = s.Pid("pid");
    std::string kind = s.Text("kind");
    if (kind == "video")
        stream.kind = StreamKind::Video;
    else if (kind == "audio")
        stream.kind = StreamKind::Audio;
    else if (kind == "subtitles")
        stream.kind = StreamKind::Subtitles;
    else if (kind == "teletext")
        stream.kind = StreamKind::Teletext;
    else
        throw MuxError(s.Where() + "kind=" + kind + " is not video, audio, subtitles or teletext");
    const bool made = stream.kind == StreamKind::Subtitles || stream.kind == StreamKind::Teletext;
    stream.file = s.Text("file", !made);
    if (made && !stream.file.empty())
        throw MuxError(s.Where() + kind + " is made from its own lines, not from a file");
    stream.language = Language(s);
    stream.audioType = uint8_t(s.Number("audio_type", 0, 255, 0));
    stream.page = uint16_t(s.Number("page", 0, 0xFFFF, 1));
    return stream;
}

ServiceDescription ReadService(Statement& s, int line, const MuxDescription& mux)
{
    ServiceDescription service;
    service.line = line;
    service.id = uint16_t(s.Number("id", 1, 0xFFFF));
    service.pmtPid = s.Pid("pmt_pid");
    std::string type = s.Text("type");
    if (type != "tv" && type != "radio")
        throw MuxError(s.Where() + "type=" + type + " is not tv or radio");
    service.radio = type == "radio";
    service.name = s.Text("name");
    service.provider = s.Text("provider", false);
    if (service.provider.empty())
        service.provider = mux.provider;
    service.freeCa = s.Number("free_ca", 0, 1, 0) != 0;
    service.channel = int(s.Number("channel", -1, 1023, -1));
    service.visible = s.Number("visible", 0, 1, 1) != 0;
    for (const std::string& pid : Split(s.Text("streams"), ',')) {
        Statement one(s.Where(), { { "streams", pid } });
        service.streams.push_back(one.Pid("streams"));
    }
    return service;
}

EventDescription ReadEvent(Statement& s, int line)
{
    EventDescription event;
    event.line = line;
    event.service = uint16_t(s.Number("service", 1, 0xFFFF));
    event.start = s.Number("start", -86400 * 7, 86400 * 7);
    event.duration = s.Number("duration", 1, 99 * 3600);
    event.title = s.Text("title");
    event.text = s.Text("text", false);
    return event;
}

SubtitleCue ReadCue(Statement& s, int line)
{
    SubtitleCue cue;
    cue.line = line;
    cue.pid = s.Pid("pid");
    cue.page = int(s.Number("page", 100, 899, 0));
    cue.start = s.Seconds("start");
    cue.end = s.Seconds("end");
    if (cue.end <= cue.start)
        throw MuxError(s.Where() + "a subtitle must end after it starts");
    cue.lines = Split(s.Text("text"), '|');
    if (cue.lines.empty())
        throw MuxError(s.Where() + "a subtitle needs text");
    return cue;
}

TeletextPageDescription ReadTeletextPage(Statement& s, int line)
{
    TeletextPageDescription page;
    page.line = line;
    page.pid = s.Pid("pid");
    page.page = int(s.Number("page", 100, 899));
    page.type = uint8_t(s.Number("type", 1, 5, 1));
    if (page.type != 1 && !page.IsSubtitle())
        throw MuxError(s.Where() + "type=" + std::to_string(page.type) + " is not 1, 2 or 5");
    page.language = Language(s);
    page.header = s.Text("header", false);
    const std::string text = s.Text("text", false);
    if (!text.empty())
        page.rows = Split(text, '|');
    if (page.IsSubtitle() && !page.rows.empty())
        throw MuxError(s.Where() + "a subtitle page takes its text from subtitle lines");
    const std::string links = s.Text("links", false);
    if (links.empty())
        return page;
    if (page.IsSubtitle())
        throw MuxError(s.Where() + "a subtitle page has no links");
    const std::vector<std::string> targets = Split(links, ',');
    if (targets.size() > page.links.size())
        throw MuxError(s.Where() + "links= names more than the four colours");
    for (size_t colour = 0; colour < targets.size(); ++colour) {
        Statement one(s.Where(), { { "links", targets[colour] } });
        const int target = int(one.Number("links", 0, 899));
        if (target != 0 && target < 100)
            throw MuxError(s.Where() + "links= page " + targets[colour] + " is not 0 or 100..899");
        page.links[colour] = target;
    }
    return page;
}

std::string Hex(uint16_t pid)
{
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X", pid);
    return text;
}

void CheckPids(const MuxDescription& mux, const std::string& fileName)
{
    std::map<uint16_t, std::string> users;
    auto claim = [&](uint16_t pid, int line, const std::string& user) {
        std::string where = fileName + ":" + std::to_string(line) + ": ";
        if (pid < 0x0020 || pid == 0x1FFF)
            throw MuxError(where + "PID " + Hex(pid) + " of " + user + " is reserved (0x0000-0x001F, 0x1FFF)");
        auto [found, added] = users.emplace(pid, user);
        if (!added)
            throw MuxError(where + "PID " + Hex(pid) + " of " + user + " collides with " + found->second);
    };
    for (const StreamDescription& stream : mux.streams)
        claim(stream.pid, stream.line, "the stream on line " + std::to_string(stream.line));
    for (const ServiceDescription& service : mux.services)
        claim(service.pmtPid, service.line, "the PMT of service " + std::to_string(service.id));
}

void CheckReferences(const MuxDescription& mux, const std::string& fileName)
{
    std::set<uint16_t> ids;
    for (const ServiceDescription& service : mux.services) {
        std::string where = fileName + ":" + std::to_string(service.line) + ": ";
        if (!ids.insert(service.id).second)
            throw MuxError(where + "service id " + std::to_string(service.id) + " is used twice");
        bool video = false, audio = false;
        for (uint16_t pid : service.streams) {
            const StreamDescription* stream = mux.FindStream(pid);
            if (!stream)
                throw MuxError(where + "service " + std::to_string(service.id) + " names stream " + Hex(pid)
                    + ", which no stream line defines");
            video |= stream->kind == StreamKind::Video;
            audio |= stream->kind == StreamKind::Audio;
        }
        if (service.radio ? video || !audio : !video)
            throw MuxError(where + "a "
                + (service.radio ? "radio service needs audio and no video"
                                 : "television service needs a video stream"));
    }
    for (const EventDescription& event : mux.events)
        if (!ids.count(event.service))
            throw MuxError(fileName + ":" + std::to_string(event.line) + ": event for unknown service "
                + std::to_string(event.service));
    for (const SubtitleCue& cue : mux.cues) {
        const StreamDescription* stream = mux.FindStream(cue.pid);
        const std::string where = fileName + ":" + std::to_string(cue.line) + ": ";
        if (stream && stream->kind == StreamKind::Teletext) {
            const TeletextPageDescription* page = mux.FindTeletextPage(cue.pid, cue.page);
            if (!page || !page->IsSubtitle())
                throw MuxError(where + "subtitle for page " + std::to_string(cue.page) + " of " + Hex(cue.pid)
                    + ", which no teletext line makes a subtitle page");
        } else if (!stream || stream->kind != StreamKind::Subtitles || cue.page != 0) {
            throw MuxError(where + "subtitle for " + Hex(cue.pid) + ", which is not a subtitles stream");
        }
    }
    for (const TeletextPageDescription& page : mux.teletextPages) {
        const StreamDescription* stream = mux.FindStream(page.pid);
        if (!stream || stream->kind != StreamKind::Teletext)
            throw MuxError(fileName + ":" + std::to_string(page.line) + ": teletext page for " + Hex(page.pid)
                + ", which is not a teletext stream");
    }
}

} // namespace

MuxDescription MuxDescription::Parse(const std::string& text, const std::string& fileName)
{
    MuxDescription mux;
    mux.fileName = fileName;
    bool haveMultiplex = false;
    int number = 0;
    for (std::string line : Split(text, '\n')) {
        ++number;
        line = line.substr(0, line.find('#'));
        std::string where = fileName + ":" + std::to_string(number) + ": ";
        auto [keyword, values] = Tokenise(line, where);
        if (keyword.empty())
            continue;
        Statement statement(where, values);
        if (keyword == "multiplex") {
            ReadMultiplex(statement, mux);
            haveMultiplex = true;
        } else if (keyword == "stream") {
            mux.streams.push_back(ReadStream(statement, number));
        } else if (keyword == "service") {
            mux.services.push_back(ReadService(statement, number, mux));
        } else if (keyword == "event") {
            mux.events.push_back(ReadEvent(statement, number));
        } else if (keyword == "subtitle") {
            mux.cues.push_back(ReadCue(statement, number));
        } else if (keyword == "announce") {
            mux.announced.push_back(ReadAnnounced(statement));
        } else if (keyword == "teletext") {
            mux.teletextPages.push_back(ReadTeletextPage(statement, number));
        } else {
            throw MuxError(where + "unknown statement \"" + keyword + "\"");
        }
        statement.Finish();
    }
    if (!haveMultiplex)
        throw MuxError(fileName + ": no multiplex line");
    if (mux.services.empty())
        throw MuxError(fileName + ": no service line");
    CheckPids(mux, fileName);
    CheckReferences(mux, fileName);
    return mux;
}

MuxDescription MuxDescription::Load(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        throw MuxError("cannot read " + path + ": " + std::strerror(errno));
    std::stringstream text;
    text << file.rdbuf();
    MuxDescription mux = Parse(text.str(), path);
    std::string folder = path.find('/') == std::string::npos ? "" : path.substr(0, path.rfind('/') + 1);
    for (StreamDescription& stream : mux.streams)
        if (!stream.file.empty() && stream.file[0] != '/')
            stream.file = folder + stream.file;
    return mux;
}

const StreamDescription* MuxDescription::FindStream(uint16_t pid) const
{
    auto found = std::find_if(streams.begin(), streams.end(), [pid](const auto& s) { return s.pid == pid; });
    return found == streams.end() ? nullptr : &*found;
}

const TeletextPageDescription* MuxDescription::FindTeletextPage(uint16_t pid, int page) const
{
    auto found = std::find_if(teletextPages.begin(), teletextPages.end(),
        [pid, page](const auto& p) { return p.pid == pid && p.page == page; });
    return found == teletextPages.end() ? nullptr : &*found;
}
