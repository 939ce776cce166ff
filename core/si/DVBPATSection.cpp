#include "si/DVBPATSection.h"

#include <memory>

bool CDVBPATSection::ParseBody(const unsigned char* body, unsigned short length)
{
    // Whole four-byte entries only; a remainder is ignored.
    for (unsigned short offset = 0; offset + 4 <= length; offset += 4) {
        auto entry = std::make_unique<CDVBPATEntry>();
        entry->programNumber = Read16(body + offset);
        entry->pid = Read13(body + offset + 2);
        m_entries.Append(std::move(entry));
    }
    return true;
}
