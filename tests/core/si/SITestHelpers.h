#pragma once
// Shared by the SI tests: feeding written transport streams to receivers,
// recording what a section handler is told, and capturing debug output.
#include "platform/DebugOutput.h"
#include "si/DVBSISection.h"
#include "si/DVBSISectionHandler.h"
#include "stream/DVBPIDReceiver.h"
#include "tswriter/Descriptors.h"
#include "tswriter/SectionWriter.h"
#include "tswriter/SiTables.h"
#include "tswriter/TsTypes.h"

#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

namespace si_test {

// Hands every whole packet of the stream to the receiver, numbered from 0.
inline void Feed(CDVBPIDReceiver& receiver, ts::Bytes stream)
{
    for (size_t offset = 0; offset + ts::PACKET_SIZE <= stream.size(); offset += ts::PACKET_SIZE)
        receiver.OnReceivePacket(offset / ts::PACKET_SIZE, stream.data() + offset);
}

// The packets of a stream, each as its own byte string.
inline std::vector<ts::Bytes> Packets(const ts::Bytes& stream)
{
    std::vector<ts::Bytes> packets;
    for (size_t offset = 0; offset + ts::PACKET_SIZE <= stream.size(); offset += ts::PACKET_SIZE)
        packets.emplace_back(stream.begin() + offset, stream.begin() + offset + ts::PACKET_SIZE);
    return packets;
}

// A section of the given class parsed from whole section bytes; null when it does not parse.
template <class T> std::unique_ptr<T> ParseSection(const ts::Bytes& bytes)
{
    auto section = std::make_unique<T>();
    if (!section->Parse(bytes.data(), bytes.size()))
        return nullptr;
    return section;
}

// A long-form section of the given table with a hand-made body.
inline ts::Bytes LongSection(unsigned char tableId, unsigned short extension, const ts::Bytes& body)
{
    ts::LongSectionHeader header;
    header.tableId = tableId;
    header.tableIdExtension = extension;
    return ts::SectionWriter::BuildLong(header, body);
}

struct SectionSeen {
    unsigned short pid;
    unsigned char kind;
    unsigned char tableId;
    unsigned short tableIdExtension;
    unsigned char version;
};

class RecordingSectionHandler : public CDVBSISectionHandler
{
public:
    void OnSectionAdd(unsigned short pid, CDVBSISection* section) override
    {
        added.push_back({ pid, section->GetKind(), section->GetTableId(), section->GetTableIdExtension(),
            section->GetVersionNumber() });
        last = section;
    }
    void OnSectionExpiry(unsigned short, CDVBSISection*) override { ++expiries; }

    std::vector<SectionSeen> added;
    CDVBSISection* last = nullptr;
    int expiries = 0;
};

// Collects the debug output while it lives.
class DebugCapture
{
public:
    DebugCapture()
    {
        m_previous = SetDebugOutputSink([this](const CString& text) { lines += text; });
    }
    ~DebugCapture() { SetDebugOutputSink(m_previous); }
    DebugCapture(const DebugCapture&) = delete;
    DebugCapture& operator=(const DebugCapture&) = delete;

    std::string lines;

private:
    DebugOutputSink m_previous;
};

// Sets TZ while it lives, then puts the previous zone back.
class TimeZone
{
public:
    explicit TimeZone(const char* zone)
    {
        const char* previous = std::getenv("TZ");
        m_hadPrevious = previous != nullptr;
        if (m_hadPrevious)
            m_previous = previous;
        setenv("TZ", zone, 1);
        tzset();
    }
    ~TimeZone()
    {
        if (m_hadPrevious)
            setenv("TZ", m_previous.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }
    TimeZone(const TimeZone&) = delete;
    TimeZone& operator=(const TimeZone&) = delete;

private:
    bool m_hadPrevious = false;
    std::string m_previous;
};

// An SDT entry carrying just a service descriptor with this name.
inline ts::SdtService Service(uint16_t id, const std::string& name, bool freeCa = false)
{
    ts::SdtService service;
    service.serviceId = id;
    service.freeCaMode = freeCa;
    service.descriptors = ts::ServiceDescriptor(1, "Provider", name);
    return service;
}

} // namespace si_test
