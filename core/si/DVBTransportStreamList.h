#pragma once
// Transport streams in ascending order of id; owns them.
#include "si/DVBOwningList.h"
#include "si/DVBTransportStream.h"

class CDVBTransportStreamList : public CDVBOwningList<CDVBTransportStream>
{
public:
    CDVBTransportStream* Find(unsigned short id) const;
    // The transport stream, or a new one inserted before the first with a larger id.
    CDVBTransportStream* GetOrCreate(unsigned short id);
};
