// Arbitrary bytes as one section, through the factory into every body
// parser, and from there into the programme, schedule and collector models
// that consume parsed sections (a NIT's channel numbers too), and out
// through the guide's XMLTV.
#include "si/DVBChannelNumbers.h"
#include "si/DVBEITSection.h"
#include "si/DVBLogicalChannelDescriptor.h"
#include "si/DVBNITSection.h"
#include "si/DVBPATSection.h"
#include "si/DVBPMTSection.h"
#include "si/DVBProgram.h"
#include "si/DVBSDTSection.h"
#include "si/DVBSICollector.h"
#include "si/DVBSISection.h"
#include "si/DVBXMLTVWriter.h"

#include "platform/DebugOutput.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {
// What the transport stream receiver takes from a NIT: the channel numbers of
// the services each entry lists.
void NumberChannels(const CDVBNITSection* section)
{
    CDVBChannelNumbers numbers;
    numbers.OnReceiveNIT(section);
    for (const CDVBNITEntry* entry : section->GetEntries()) {
        for (const CDVBDescriptor* descriptor : entry->descriptors) {
            if (auto* channels = dynamic_cast<const CDVBLogicalChannelDescriptor*>(descriptor)) {
                for (const CDVBLogicalChannel& channel : channels->GetChannels()) {
                    CDVBProgram program(channel.serviceId);
                    numbers.Apply(program, entry->transportStreamId);
                }
            }
        }
    }
}

void Consume(CDVBSICollector& collector, CDVBSISection* section)
{
    switch (section->GetKind()) {
    case DVB_SECTION_PAT:
        collector.OnReceivePAT(0, static_cast<CDVBPATSection*>(section));
        break;
    case DVB_SECTION_PMT:
        collector.OnReceivePMT(0, static_cast<CDVBPMTSection*>(section));
        break;
    case DVB_SECTION_SDT:
        collector.OnReceiveSDT(0, static_cast<CDVBSDTSection*>(section));
        break;
    case DVB_SECTION_EIT:
        collector.OnReceiveEIT(0, static_cast<CDVBEITSection*>(section));
        break;
    case DVB_SECTION_NIT:
        collector.OnReceiveNIT(0, static_cast<CDVBNITSection*>(section));
        NumberChannels(static_cast<CDVBNITSection*>(section));
        break;
    default:
        break;
    }
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    setenv("TZ", "Europe/London", 1);
    SetDebugOutputSink([](const CString&) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 3)
        return 0;
    // A copy of exactly the declared section, so that reading past its end is caught.
    const size_t declared = std::min<size_t>(size, (((data[1] & 0x0F) << 8) | data[2]) + 3);
    std::unique_ptr<unsigned char[]> bytes(new unsigned char[declared]);
    std::memcpy(bytes.get(), data, declared);
    std::unique_ptr<CDVBSISection> section(CDVBSISection::Create(data[0], (data[1] & 0x80) != 0));
    if (!section || !section->Parse(bytes.get(), declared))
        return 0;
    // The export folder does not exist, so nothing is written.
    CDVBSICollector collector("/nonexistent-krx-fuzz/");
    Consume(collector, section.get());
    for (CDVBProgram* program : *collector.GetProgramsList()) {
        program->GetServiceTypeFromPMT();
        program->GetServiceTypeFromSDT();
        CDVBScheduleEntry now, next;
        program->GetSchedule()->GetNowAndNextInformation(&now, &next);
        CString text;
        CDVBSchedule::ReformatDescription(now.m_description, text);
    }
    for (const CDVBGuideService& service : collector.GetGuide())
        FormatXMLTV({ service });
    return 0;
}
