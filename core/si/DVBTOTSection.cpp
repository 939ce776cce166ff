#include "si/DVBTOTSection.h"

#include "platform/DebugOutput.h"

bool CDVBTOTSection::ParseBody(const unsigned char* body, unsigned short length)
{
    // A short-form body runs to the end of the section, CRC_32 included.
    if (length < 7) {
        DebugOutput("Failed TOT 1.\n");
        return false;
    }
    m_utcDate = Read16(body);
    m_utcTime = Read24(body + 2);
    m_descriptorsLoopLength = Read12(body + 5);
    if (m_descriptorsLoopLength > length - 7) {
        DebugOutput("Failed TOT 2.\n");
        return false;
    }
    if (!m_descriptors.Parse(body + 7, m_descriptorsLoopLength)) {
        DebugOutput("Failed TOT 3.\n");
        return false;
    }
    if (length - 7 - m_descriptorsLoopLength < 4) {
        DebugOutput("Failed TOT 4.\n");
        return false;
    }
    DebugOutput("ok TOT 1.\n");
    return true;
}
