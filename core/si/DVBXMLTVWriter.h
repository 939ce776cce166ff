#pragma once
// The guide in XMLTV, the format other guide programs read: a channel per
// service and a programme per event, times in local time with the offset in
// force at each of them, texts with their language.
#include "platform/CString.h"
#include "si/DVBGuideService.h"

#include <vector>

// The channel id a service has in the document: "SERVICE.STREAM.NETWORK.dvb".
CString XMLTVChannelId(const CDVBGuideService& service);
// A UTC instant as XMLTV writes it, "20261209201500 +0100", in the time zone
// of the process.
CString XMLTVTime(int64_t utcSeconds);
CString FormatXMLTV(const std::vector<CDVBGuideService>& guide);
