#include "platform/Guid.h"

#include <sys/random.h>

bool CreateGuid(GUID* guid)
{
    uint8_t bytes[16];
    size_t filled = 0;
    while (filled < sizeof bytes) {
        const ssize_t got = getrandom(bytes + filled, sizeof bytes - filled, 0);
        if (got <= 0)
            return false;
        filled += static_cast<size_t>(got);
    }
    std::memcpy(guid, bytes, sizeof bytes);
    guid->Data3 = static_cast<uint16_t>((guid->Data3 & 0x0FFF) | 0x4000); // version 4
    guid->Data4[0] = static_cast<uint8_t>((guid->Data4[0] & 0x3F) | 0x80); // variant 1
    return true;
}

CString GuidToString(const GUID& guid)
{
    return FormatString("{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", guid.Data1, guid.Data2, guid.Data3,
                        guid.Data4[0], guid.Data4[1], guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5],
                        guid.Data4[6], guid.Data4[7]);
}
