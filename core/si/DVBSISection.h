#pragma once
// One PSI/SI section: the common header every table shares. The table
// classes derive from it and decode their bodies in ParseBody.
#include <cstdint>

// Section kinds, one per table class.
enum EDVBSectionKind : unsigned char {
    DVB_SECTION_GENERIC = 0,
    DVB_SECTION_PAT = 1,
    DVB_SECTION_PMT = 2,
    DVB_SECTION_SDT = 3,
    DVB_SECTION_EIT = 4,
    DVB_SECTION_NIT = 5,
    DVB_SECTION_TDT = 6,
    DVB_SECTION_TOT = 7,
};

// A long-form section_length below this cannot hold its 5 header bytes and CRC.
constexpr unsigned short DVB_MIN_LONG_SECTION_LENGTH = 9;

class CDVBSISection
{
public:
    explicit CDVBSISection(unsigned char kind = DVB_SECTION_GENERIC)
        : m_kind(kind)
    {
    }
    CDVBSISection(const CDVBSISection&) = delete;
    CDVBSISection& operator=(const CDVBSISection&) = delete;

    // The order of these virtual operations is part of the core's interface.
    virtual ~CDVBSISection() = default;
    // Decodes the header from a whole section of available bytes, then the body.
    virtual bool Parse(const unsigned char* data, unsigned long available);
    virtual bool ParseBody(const unsigned char* body, unsigned short length);
    virtual bool IsExpired(unsigned long now);

    // The object for a section, or null for a short-form table the system does not read.
    static CDVBSISection* Create(unsigned char tableId, bool longForm);

    unsigned char GetKind() const { return m_kind; }
    uint32_t GetLastSeen() const { return m_lastSeen; }
    void SetLastSeen(uint32_t now) { m_lastSeen = now; }
    unsigned char GetTableId() const { return m_tableId; }
    bool IsLongForm() const { return m_sectionSyntaxIndicator != 0; }
    unsigned char GetPrivateIndicator() const { return m_privateIndicator; }
    unsigned short GetSectionLength() const { return m_sectionLength; }
    unsigned short GetTableIdExtension() const { return m_tableIdExtension; }
    unsigned char GetVersionNumber() const { return m_versionNumber; }
    unsigned char GetCurrentNextIndicator() const { return m_currentNextIndicator; }
    unsigned char GetSectionNumber() const { return m_sectionNumber; }
    unsigned char GetLastSectionNumber() const { return m_lastSectionNumber; }
    uint32_t GetCRC32() const { return m_crc32; }

protected:
    static unsigned short Read16(const unsigned char* data)
    {
        return static_cast<unsigned short>((data[0] << 8) | data[1]);
    }
    static unsigned short Read12(const unsigned char* data)
    {
        return static_cast<unsigned short>(((data[0] & 0x0F) << 8) | data[1]);
    }
    static unsigned short Read13(const unsigned char* data)
    {
        return static_cast<unsigned short>(((data[0] & 0x1F) << 8) | data[1]);
    }
    static uint32_t Read24(const unsigned char* data) { return (uint32_t(data[0]) << 16) | (data[1] << 8) | data[2]; }

private:
    unsigned char m_kind;
    uint32_t m_lastSeen = 0;
    unsigned char m_tableId = 0;
    unsigned char m_sectionSyntaxIndicator = 0;
    unsigned char m_privateIndicator = 0;
    unsigned short m_sectionLength = 0;
    unsigned short m_tableIdExtension = 0;
    unsigned char m_versionNumber = 0;
    unsigned char m_currentNextIndicator = 0;
    unsigned char m_sectionNumber = 0;
    unsigned char m_lastSectionNumber = 0;
    uint32_t m_crc32 = 0;
};
