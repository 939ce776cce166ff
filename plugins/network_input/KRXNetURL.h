#pragma once
// A network stream's address as a user writes it:
//   udp://@GROUP:PORT, udp://HOST:PORT    raw TS in UDP (@: join the group)
//   rtp://@GROUP:PORT, rtp://HOST:PORT    TS in RTP (payload type 33)
//   http://..., https://...              TS over HTTP, handed to libcurl whole
//   satip://SERVER[:PORT]/?QUERY          a SAT>IP tuning query
// UDP and RTP take "?iface=NAME" or "?ifaddr=ADDRESS" to choose the interface
// a multicast group is joined on.
#include "platform/CString.h"

#include <cstdint>

struct KRXNetURL {
    enum Kind { UDP, RTP, HTTP, SATIP };
    Kind kind = UDP;
    CString text;
    CString host; // group, sender or server; empty for udp://:PORT (any)
    uint16_t port = 0;
    bool multicast = false; // written with '@'
    CString interfaceName;
    CString interfaceAddress;
    CString query; // SAT>IP: everything after '?'

    bool IsDatagram() const { return kind == UDP || kind == RTP; }
};

// False with the reason when the text is no URL the network input plays.
bool ParseNetURL(const CString& text, KRXNetURL& url, CString& error);
