#pragma once
// Interleaves the elementary streams and the service information of one
// multiplex into a constant-rate transport stream: PAT and PMTs every 100 ms,
// SDT, NIT and EIT present/following every 2 s, TDT and TOT every 5 s, a PCR
// on each service's PCR PID at least every 40 ms, null packets where nothing
// is due. Each PES is sent no earlier than its stream's lead time before it
// decodes and must have arrived by then.
#include "LoadedStream.h"
#include "MuxDescription.h"
#include "tswriter/PesWriter.h"
#include "tswriter/SectionWriter.h"

#include <functional>
#include <memory>
#include <optional>

class Multiplexer
{
public:
    // moment: the UTC time (seconds since 1970) at which the stream starts;
    // TDT and TOT count on from it and events are placed around it.
    Multiplexer(const MuxDescription& mux, std::vector<LoadedStream> streams, int64_t moment);

    struct Result {
        ts::Bytes stream;
        uint32_t rate = 0;
    };
    // The whole stream at the given rate (bit/s); without one, at the lowest
    // of a rising series of rates from the average need up at which every
    // PES arrives in time. Throws MuxError when no rate tried is enough.
    Result Make(uint32_t fixedRate = 0);
    // The whole stream at the given rate, or nothing when some PES would
    // arrive after its decoding time.
    std::optional<ts::Bytes> Run(uint32_t rate);
    // The average need of the streams and tables, in bit/s.
    uint32_t AverageRate() const;

    // Time stamps of the first decoded unit, in 90 kHz ticks.
    static constexpr int64_t START = 90000;

private:
    struct StreamState {
        const LoadedStream* stream = nullptr;
        std::unique_ptr<ts::PesWriter> writer;
        size_t next = 0; // index of the unit to send next
        int64_t deadline = 0; // 27 MHz time by which the PES being sent must have arrived
        int64_t lead = 0; // how long before its deadline a PES may start
        bool isPcrPid = false;
        int64_t lastPcr = 0;
        bool hasPcr = false;
    };
    struct Table {
        uint16_t pid = 0;
        int64_t period = 0; // 27 MHz
        int64_t due = 0;
        std::function<std::vector<ts::Bytes>(int64_t now)> sections;
    };

    void Reset(ts::TsPacketWriter& out);
    void AddTables();
    std::vector<ts::Bytes> PmtSections(const ServiceDescription& service) const;
    ts::Bytes TeletextDescriptor(uint16_t pid) const;
    std::vector<ts::Bytes> SdtSections() const;
    std::vector<ts::Bytes> NitSections() const;
    std::vector<ts::Bytes> EitSections(const ServiceDescription& service) const;
    uint16_t PcrPid(const ServiceDescription& service) const;
    const LoadedStream& Stream(uint16_t pid) const;

    bool WriteDueTable(int64_t now);
    bool WriteDuePcr(ts::TsPacketWriter& out, int64_t now);
    StreamState* NextStream(int64_t now);
    void WritePesPacket(ts::TsPacketWriter& out, StreamState& state);
    // Notes a PES that is complete only after its deadline.
    void WriteNextPacket(ts::TsPacketWriter& out, StreamState& state, const ts::AdaptationField* field);
    bool Finished() const;

    const MuxDescription& m_mux;
    std::vector<LoadedStream> m_streams;
    int64_t m_moment;
    std::vector<StreamState> m_states;
    std::vector<Table> m_tables;
    std::vector<std::unique_ptr<ts::SectionWriter>> m_sectionWriters;
    uint32_t m_rate = 0;
    bool m_late = false;
};
