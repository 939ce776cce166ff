#pragma once
// One round of a multiplex's tables: service 1 is television, service 2
// radio, and the SDT names them.
#include "tswriter/Descriptors.h"
#include "tswriter/SectionWriter.h"
#include "tswriter/SiTables.h"

#include <string>

inline ts::Bytes NamedServicesStream(
    const std::string& firstName, const std::string& secondName, uint8_t sdtVersion = 0)
{
    ts::TsPacketWriter out;
    ts::SectionWriter(out, 0x00).Write(ts::PatSection(0x0001, { { 1, 0x100 }, { 2, 0x110 } }));
    ts::SectionWriter(out, 0x100).Write(ts::PmtSection(1, 0x200, {}, { { 0x02, 0x200, {} }, { 0x03, 0x201, {} } }));
    ts::SectionWriter(out, 0x110).Write(ts::PmtSection(2, 0x300, {}, { { 0x03, 0x300, {} } }));
    ts::SdtService first { .serviceId = 1, .descriptors = ts::ServiceDescriptor(0x01, "Korrix", firstName) };
    ts::SdtService second { .serviceId = 2, .descriptors = ts::ServiceDescriptor(0x02, "Korrix", secondName) };
    ts::SectionWriter(out, 0x11).Write(ts::SdtSection(0x0001, 0x2000, { first, second }, sdtVersion));
    return out.Data();
}
