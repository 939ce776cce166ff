#pragma once
// Told by an SI receiver what became of each section it tracks. The section
// stays owned by the SI receiver: a handler copies what it needs during the call.
class CDVBSISection;

class CDVBSISectionHandler
{
public:
    // The order of these virtual operations is the interface with the plug-ins.
    virtual ~CDVBSISectionHandler() = default;
    virtual void OnSectionAdd(unsigned short /*pid*/, CDVBSISection* /*section*/) { }
    virtual void OnSectionUpdate(unsigned short /*pid*/, CDVBSISection* /*section*/) { }
    virtual void OnSectionRepeat(unsigned short /*pid*/, CDVBSISection* /*section*/) { }
    virtual void OnSectionExpiry(unsigned short /*pid*/, CDVBSISection* /*section*/) { }
};
