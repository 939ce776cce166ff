#pragma once
// A 16-byte identity, compared byte for byte.
#include "platform/CString.h"

#include <cstdint>
#include <cstring>

struct GUID {
    uint32_t Data1 = 0;
    uint16_t Data2 = 0;
    uint16_t Data3 = 0;
    uint8_t Data4[8] = {};

    bool operator==(const GUID& other) const { return std::memcmp(this, &other, sizeof(GUID)) == 0; }
    bool operator!=(const GUID& other) const { return !(*this == other); }
};
static_assert(sizeof(GUID) == 16, "GUID must be 16 bytes");

// Fills the GUID with random bytes (a version 4 identity). False if the system
// could not supply randomness.
bool CreateGuid(GUID* guid);
// {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}
CString GuidToString(const GUID& guid);
