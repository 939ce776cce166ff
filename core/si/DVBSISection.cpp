#include "si/DVBSISection.h"

#include "si/DVBEITSection.h"
#include "si/DVBNITSection.h"
#include "si/DVBPATSection.h"
#include "si/DVBPMTSection.h"
#include "si/DVBSDTSection.h"
#include "si/DVBTDTSection.h"
#include "si/DVBTOTSection.h"

bool CDVBSISection::Parse(const unsigned char* data, unsigned long available)
{
    if (available < 3)
        return false;
    m_tableId = data[0];
    m_sectionSyntaxIndicator = data[1] >> 7;
    m_privateIndicator = (data[1] >> 6) & 1;
    m_sectionLength = Read12(data + 1);
    if (available < m_sectionLength + 3ul)
        return false;
    if (!IsLongForm())
        return ParseBody(data + 3, m_sectionLength);

    if (m_sectionLength < DVB_MIN_LONG_SECTION_LENGTH)
        return false;
    m_tableIdExtension = Read16(data + 3);
    m_versionNumber = (data[5] >> 1) & 0x1F;
    m_currentNextIndicator = data[5] & 1;
    m_sectionNumber = data[6];
    m_lastSectionNumber = data[7];
    const unsigned char* crc = data + m_sectionLength - 1;
    m_crc32 = (uint32_t(crc[0]) << 24) | (uint32_t(crc[1]) << 16) | (uint32_t(crc[2]) << 8) | crc[3];
    return ParseBody(data + 8, static_cast<unsigned short>(m_sectionLength - 9));
}

bool CDVBSISection::ParseBody(const unsigned char*, unsigned short)
{
    return true;
}

bool CDVBSISection::IsExpired(unsigned long)
{
    return false;
}

CDVBSISection* CDVBSISection::Create(unsigned char tableId, bool longForm)
{
    if (!longForm) {
        switch (tableId) {
        case 0x70:
            return new CDVBTDTSection;
        case 0x73:
            return new CDVBTOTSection;
        default:
            return nullptr;
        }
    }
    if (tableId == 0x00)
        return new CDVBPATSection;
    if (tableId == 0x02)
        return new CDVBPMTSection;
    if (tableId == 0x42 || tableId == 0x46)
        return new CDVBSDTSection;
    if (tableId >= 0x4E && tableId <= 0x6F)
        return new CDVBEITSection;
    if (tableId == 0x40 || tableId == 0x41)
        return new CDVBNITSection;
    return new CDVBSISection;
}
