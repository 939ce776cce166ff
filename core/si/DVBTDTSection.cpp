#include "si/DVBTDTSection.h"

bool CDVBTDTSection::ParseBody(const unsigned char* body, unsigned short length)
{
    if (length < 5)
        return false;
    m_utcDate = Read16(body);
    m_utcTime = Read24(body + 2);
    return true;
}
