#include "Multiplexer.h"
#include "MuxError.h"
#include "tswriter/Descriptors.h"
#include "tswriter/SiTables.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int64_t CLOCK = 27000000;
constexpr int64_t PCR_INTERVAL = CLOCK * 35 / 1000;
constexpr uint16_t NIT_PID = 0x0010;

int64_t Ms(int64_t milliseconds)
{
    return CLOCK / 1000 * milliseconds;
}

// When a stream may start sending a unit ahead of its decoding time: video
// needs its buffer filled ahead of big pictures, audio and subtitle decoders
// have small buffers.
int64_t Lead(StreamKind kind)
{
    switch (kind) {
    case StreamKind::Video:
        return Ms(700);
    case StreamKind::Audio:
        return Ms(250);
    case StreamKind::Subtitles:
        return Ms(1000);
    case StreamKind::Teletext:
        return Ms(400);
    }
    return 0;
}

int64_t PacketTime(size_t packet, uint32_t rate)
{
    return int64_t(packet) * int64_t(ts::PACKET_SIZE * 8) * CLOCK / rate;
}

uint8_t BandwidthCode(uint8_t megahertz)
{
    return megahertz == 10 ? 4 : uint8_t(8 - megahertz);
}

uint8_t ModulationCode(const std::string& name, const std::vector<std::string>& names, uint8_t fallback)
{
    for (size_t i = 0; i < names.size(); ++i)
        if (names[i] == name)
            return uint8_t(i + 1);
    return fallback;
}

// The delivery system descriptor of a NIT entry.
ts::Bytes DeliveryDescriptor(const DeliveryDescription& delivery)
{
    if (delivery.system == "dvbt2") {
        ts::T2Delivery t2;
        t2.plpId = delivery.plp;
        t2.bandwidth = BandwidthCode(delivery.bandwidthMHz);
        t2.centreFrequency = delivery.frequency / 10;
        return ts::T2DeliveryDescriptor(t2);
    }
    if (delivery.system == "dvbs" || delivery.system == "dvbs2") {
        ts::SatelliteDelivery satellite;
        satellite.frequencyKHz = delivery.frequency;
        satellite.polarisation = delivery.polarisation == 'v' ? 1 : 0;
        satellite.s2 = delivery.system == "dvbs2";
        satellite.modulation = ModulationCode(delivery.modulation, { "QPSK", "8PSK", "16APSK" }, 1);
        satellite.symbolRate = delivery.symbolRate;
        return ts::SatelliteDeliveryDescriptor(satellite);
    }
    if (delivery.system == "dvbc") {
        ts::CableDelivery cable;
        cable.frequencyHz = delivery.frequency;
        cable.modulation = ModulationCode(delivery.modulation, { "QAM16", "QAM32", "QAM64", "QAM128", "QAM256" }, 5);
        cable.symbolRate = delivery.symbolRate;
        return ts::CableDeliveryDescriptor(cable);
    }
    ts::TerrestrialDelivery terrestrial;
    terrestrial.centreFrequency = delivery.frequency / 10;
    terrestrial.bandwidth = BandwidthCode(delivery.bandwidthMHz);
    return ts::TerrestrialDeliveryDescriptor(terrestrial);
}

} // namespace

Multiplexer::Multiplexer(const MuxDescription& mux, std::vector<LoadedStream> streams, int64_t moment)
    : m_mux(mux)
    , m_streams(std::move(streams))
    , m_moment(moment)
{
}

const LoadedStream& Multiplexer::Stream(uint16_t pid) const
{
    return *std::find_if(m_streams.begin(), m_streams.end(), [pid](const LoadedStream& s) { return s.pid == pid; });
}

uint16_t Multiplexer::PcrPid(const ServiceDescription& service) const
{
    for (StreamKind kind : { StreamKind::Video, StreamKind::Audio })
        for (uint16_t pid : service.streams)
            if (Stream(pid).kind == kind)
                return pid;
    return service.streams.front();
}

uint32_t Multiplexer::AverageRate() const
{
    int64_t packets = 0;
    int64_t end = 0;
    for (const LoadedStream& stream : m_streams) {
        for (const AccessUnit& unit : stream.units) {
            packets += int64_t(unit.data.size() + 19 + 183) / 184;
            end = std::max(end, unit.pts);
        }
    }
    double seconds = std::max(1.0, double(end) / 90000 + 1);
    double tablesPerSecond = 10.0 * (1 + m_mux.services.size()) + 0.5 * (2 + 2 * m_mux.services.size()) + 0.4;
    double pcrPerSecond = 30.0 * m_mux.services.size();
    double bits = (double(packets) / seconds + tablesPerSecond + pcrPerSecond) * ts::PACKET_SIZE * 8;
    return uint32_t(std::ceil(bits / 10000) * 10000);
}

Multiplexer::Result Multiplexer::Make(uint32_t fixedRate)
{
    uint32_t rate = fixedRate ? fixedRate : AverageRate();
    for (int attempt = 0; attempt < 30; ++attempt) {
        if (auto stream = Run(rate))
            return { std::move(*stream), rate };
        if (fixedRate)
            break;
        rate = uint32_t(std::ceil(rate * 1.1 / 10000) * 10000);
    }
    throw MuxError("rate=" + std::to_string(rate) + " bit/s is too low: some PES would arrive after its decoding time");
}

void Multiplexer::Reset(ts::TsPacketWriter& out)
{
    m_states.clear();
    std::vector<uint16_t> pcrPids;
    for (const ServiceDescription& service : m_mux.services)
        pcrPids.push_back(PcrPid(service));
    for (const LoadedStream& stream : m_streams) {
        StreamState state;
        state.stream = &stream;
        state.writer = std::make_unique<ts::PesWriter>(out, stream.pid);
        state.lead = Lead(stream.kind);
        state.isPcrPid = std::count(pcrPids.begin(), pcrPids.end(), stream.pid) > 0;
        m_states.push_back(std::move(state));
    }
    m_tables.clear();
    m_sectionWriters.clear();
    AddTables();
    for (Table& table : m_tables)
        m_sectionWriters.push_back(std::make_unique<ts::SectionWriter>(out, table.pid));
}

void Multiplexer::AddTables()
{
    // Tables of one period are spread over it rather than sent in one burst.
    int64_t stagger = 0;
    auto add = [&](uint16_t pid, int64_t period, std::function<std::vector<ts::Bytes>(int64_t)> sections) {
        m_tables.push_back({ pid, period, stagger, std::move(sections) });
        stagger += Ms(3);
    };
    std::vector<ts::PatEntry> programs { { 0, NIT_PID } };
    for (const ServiceDescription& service : m_mux.services)
        programs.push_back({ service.id, service.pmtPid });
    add(0x0000, Ms(100), [this, programs](int64_t) {
        return std::vector<ts::Bytes> { ts::PatSection(m_mux.transportStreamId, programs) };
    });
    for (const ServiceDescription& service : m_mux.services)
        add(service.pmtPid, Ms(100), [this, &service](int64_t) { return PmtSections(service); });
    add(0x0011, Ms(2000), [this](int64_t) { return SdtSections(); });
    add(NIT_PID, Ms(2000), [this](int64_t) { return NitSections(); });
    for (const ServiceDescription& service : m_mux.services)
        add(0x0012, Ms(2000), [this, &service](int64_t) { return EitSections(service); });
    add(0x0014, Ms(5000), [this](int64_t now) {
        return std::vector<ts::Bytes> { ts::TdtSection(ts::DvbTime::FromUnix(m_moment + now / CLOCK)) };
    });
    add(0x0014, Ms(5000), [this](int64_t now) {
        ts::LocalTimeOffset utc;
        utc.timeOfChange = m_moment;
        return std::vector<ts::Bytes> { ts::TotSection(
            ts::DvbTime::FromUnix(m_moment + now / CLOCK), ts::LocalTimeOffsetDescriptor({ utc })) };
    });
}

std::vector<ts::Bytes> Multiplexer::PmtSections(const ServiceDescription& service) const
{
    std::vector<ts::PmtStream> streams;
    for (uint16_t pid : service.streams) {
        const StreamDescription& description = *m_mux.FindStream(pid);
        ts::PmtStream stream;
        stream.streamType = Stream(pid).streamType;
        stream.pid = pid;
        std::string language = description.language.empty() ? "und" : description.language;
        if (description.kind == StreamKind::Audio && !description.language.empty())
            stream.descriptors = ts::Iso639LanguageDescriptor(language, description.audioType);
        if (description.kind == StreamKind::Subtitles)
            stream.descriptors = ts::SubtitlingDescriptor({ { language, 0x10, description.page, description.page } });
        if (description.kind == StreamKind::Teletext)
            stream.descriptors = TeletextDescriptor(pid);
        streams.push_back(stream);
    }
    return { ts::PmtSection(service.id, PcrPid(service), {}, streams) };
}

ts::Bytes Multiplexer::TeletextDescriptor(uint16_t pid) const
{
    std::vector<ts::TeletextEntry> entries;
    for (const TeletextPageDescription& page : m_mux.teletextPages)
        if (page.pid == pid)
            entries.push_back({ page.language.empty() ? "und" : page.language, page.type, page.Address() });
    return ts::TeletextDescriptor(entries);
}

std::vector<ts::Bytes> Multiplexer::SdtSections() const
{
    std::vector<ts::SdtService> services;
    for (const ServiceDescription& description : m_mux.services) {
        ts::SdtService service;
        service.serviceId = description.id;
        service.freeCaMode = description.freeCa;
        service.descriptors
            = ts::ServiceDescriptor(description.radio ? 0x02 : 0x01, description.provider, description.name);
        services.push_back(service);
    }
    return { ts::SdtSection(m_mux.transportStreamId, m_mux.originalNetworkId, services) };
}

std::vector<ts::Bytes> Multiplexer::NitSections() const
{
    std::vector<ts::ServiceListEntry> list;
    std::vector<ts::LogicalChannelEntry> channels;
    for (const ServiceDescription& service : m_mux.services) {
        list.push_back({ service.id, uint8_t(service.radio ? 0x02 : 0x01) });
        if (service.channel >= 0)
            channels.push_back({ service.id, uint16_t(service.channel), service.visible });
    }
    ts::NitTransportStream stream;
    stream.transportStreamId = m_mux.transportStreamId;
    stream.originalNetworkId = m_mux.originalNetworkId;
    stream.descriptors = ts::Concat({ ts::ServiceListDescriptor(list), DeliveryDescriptor(m_mux.delivery) });
    if (!channels.empty())
        stream.descriptors = ts::Concat({ stream.descriptors, ts::LogicalChannelDescriptor(channels) });
    std::vector<ts::NitTransportStream> streams = { stream };
    for (const AnnouncedMultiplex& announced : m_mux.announced) {
        ts::NitTransportStream other;
        other.transportStreamId = announced.transportStreamId;
        other.originalNetworkId = announced.originalNetworkId;
        other.descriptors = DeliveryDescriptor(announced.delivery);
        streams.push_back(other);
    }
    return { ts::NitSection(m_mux.networkId, ts::NetworkNameDescriptor(m_mux.name), streams) };
}

std::vector<ts::Bytes> Multiplexer::EitSections(const ServiceDescription& service) const
{
    // Present: the event running at the moment the stream starts; following:
    // the first one after it.
    const EventDescription* present = nullptr;
    const EventDescription* following = nullptr;
    for (const EventDescription& event : m_mux.events) {
        if (event.service != service.id)
            continue;
        if (event.start <= 0 && event.start + event.duration > 0)
            present = &event;
        else if (event.start > 0 && (!following || event.start < following->start))
            following = &event;
    }
    std::vector<ts::Bytes> sections;
    uint8_t number = 0;
    for (const EventDescription* event : { present, following }) {
        ts::EitHeader header;
        header.serviceId = service.id;
        header.transportStreamId = m_mux.transportStreamId;
        header.originalNetworkId = m_mux.originalNetworkId;
        header.sectionNumber = number++;
        std::vector<ts::EitEvent> events;
        if (event) {
            ts::EitEvent one;
            one.eventId = uint16_t(event->line);
            one.start = ts::DvbTime::FromUnix(m_moment + event->start);
            one.durationBcd = ts::BcdDuration(event->duration);
            one.runningStatus = event == present ? 4 : 1;
            one.descriptors = ts::ShortEventDescriptor("eng", event->title, event->text);
            events.push_back(one);
        }
        sections.push_back(ts::EitSection(header, events));
    }
    return sections;
}

bool Multiplexer::WriteDueTable(int64_t now)
{
    auto due = std::min_element(
        m_tables.begin(), m_tables.end(), [](const Table& a, const Table& b) { return a.due < b.due; });
    if (due == m_tables.end() || due->due > now)
        return false;
    ts::SectionWriter& writer = *m_sectionWriters[size_t(due - m_tables.begin())];
    for (const ts::Bytes& section : due->sections(now))
        writer.Write(section);
    due->due += due->period;
    return true;
}

Multiplexer::StreamState* Multiplexer::NextStream(int64_t now)
{
    StreamState* best = nullptr;
    for (StreamState& state : m_states) {
        if (!state.writer->HasPending()) {
            if (state.next >= state.stream->units.size())
                continue;
            int64_t decode = (state.stream->units[state.next].DecodeTime() + START) * 300;
            if (now < decode - state.lead)
                continue;
            state.deadline = decode;
        }
        if (!best || state.deadline < best->deadline)
            best = &state;
    }
    return best;
}

bool Multiplexer::WriteDuePcr(ts::TsPacketWriter& out, int64_t now)
{
    for (StreamState& state : m_states) {
        if (!state.isPcrPid || (state.hasPcr && now - state.lastPcr < PCR_INTERVAL))
            continue;
        state.lastPcr = now;
        state.hasPcr = true;
        ts::AdaptationField field = ts::AdaptationField::WithPcr(ts::Pcr::From27MHz(uint64_t(now)));
        if (state.writer->HasPending())
            WriteNextPacket(out, state, &field);
        else
            out.WritePacket(ts::PacketHeader(state.stream->pid), ts::Bytes(), &field);
        return true;
    }
    return false;
}

void Multiplexer::WritePesPacket(ts::TsPacketWriter& out, StreamState& state)
{
    ts::AdaptationField randomAccess;
    const ts::AdaptationField* field = nullptr;
    if (!state.writer->HasPending()) {
        const LoadedStream& stream = *state.stream;
        const AccessUnit& unit = stream.units[state.next++];
        std::optional<int64_t> dts;
        if (unit.dts)
            dts = *unit.dts + START;
        ts::PesPacket pes(stream.streamId, unit.pts + START, dts, unit.data);
        pes.dataAlignment = true;
        pes.unboundedLength = stream.kind == StreamKind::Video;
        // Teletext PES headers are always 45 bytes long.
        if (stream.kind == StreamKind::Teletext)
            pes.headerDataLength = 0x24;
        state.writer->Start(pes);
        if (unit.randomAccess && stream.kind == StreamKind::Video) {
            randomAccess.randomAccess = true;
            field = &randomAccess;
        }
    }
    WriteNextPacket(out, state, field);
}

void Multiplexer::WriteNextPacket(ts::TsPacketWriter& out, StreamState& state, const ts::AdaptationField* field)
{
    state.writer->WriteNextPacket(field);
    if (!state.writer->HasPending() && PacketTime(out.PacketCount(), m_rate) > state.deadline)
        m_late = true;
}

bool Multiplexer::Finished() const
{
    return std::all_of(m_states.begin(), m_states.end(), [](const StreamState& state) {
        return !state.writer->HasPending() && state.next >= state.stream->units.size();
    });
}

std::optional<ts::Bytes> Multiplexer::Run(uint32_t rate)
{
    ts::TsPacketWriter out;
    m_rate = rate;
    m_late = false;
    Reset(out);
    while (!Finished() && !m_late) {
        int64_t now = PacketTime(out.PacketCount(), rate);
        if (WriteDueTable(now) || WriteDuePcr(out, now))
            continue;
        if (StreamState* state = NextStream(now))
            WritePesPacket(out, *state);
        else
            out.WriteNullPacket();
    }
    // The writers point at this run's packet writer; none may outlive it.
    m_states.clear();
    m_sectionWriters.clear();
    if (m_late)
        return std::nullopt;
    return out.TakeData();
}
