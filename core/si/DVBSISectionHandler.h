#pragma once
// Told by each SI receiver about the sections it stores. The section stays
// owned by the SI receiver; a handler copies what it needs during the call.
class CDVBSISection;

class CDVBSISectionHandler
{
public:
    // The order of these virtual operations is part of the core's interface.
    virtual ~CDVBSISectionHandler() = default;
    virtual void OnSectionAdd(unsigned short /*pid*/, CDVBSISection* /*section*/) { }
    virtual void OnSectionUpdate(unsigned short /*pid*/, CDVBSISection* /*section*/) { }
    virtual void OnSectionRepeat(unsigned short /*pid*/, CDVBSISection* /*section*/) { }
    virtual void OnSectionExpiry(unsigned short /*pid*/, CDVBSISection* /*section*/) { }
    // A section arrived whole but failed its CRC check; it was dropped.
    virtual void OnSectionCRCError(unsigned short /*pid*/) { }
};
