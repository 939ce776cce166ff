#include "si/DVBTransportStreamList.h"

CDVBTransportStream* CDVBTransportStreamList::Find(unsigned short id) const
{
    for (CDVBTransportStream* stream : *this) {
        if (stream->GetId() == id)
            return stream;
        if (stream->GetId() > id)
            break;
    }
    return nullptr;
}

CDVBTransportStream* CDVBTransportStreamList::GetOrCreate(unsigned short id)
{
    auto position = begin();
    for (; position != end(); ++position) {
        if ((*position)->GetId() == id)
            return *position;
        if ((*position)->GetId() > id)
            break;
    }
    return InsertBefore(position, std::make_unique<CDVBTransportStream>(id));
}
