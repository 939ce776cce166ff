#pragma once
// Sends one SSDP search for SAT>IP servers and collects the replies that come
// within the wait. The search goes to the SSDP multicast group unless
// KORRIX_SSDP_ADDRESS names another "HOST:PORT" (the tests' loopback server).
#include "platform/CString.h"

#include <cstdint>
#include <vector>

constexpr const char* KRX_SATIP_SEARCH_TARGET = "urn:ses-com:device:SatIPServer:1";

// The raw replies; empty when none came or no socket could be had.
std::vector<CString> SearchSSDP(uint32_t waitMs);
