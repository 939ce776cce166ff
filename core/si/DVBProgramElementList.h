#pragma once
// The elementary streams of a programme in order of first appearance; owns them.
#include "si/DVBOwningList.h"
#include "si/DVBProgramElement.h"

class CDVBProgramElementList : public CDVBOwningList<CDVBProgramElement>
{
public:
    // First element with the PID, or null.
    CDVBProgramElement* Find(unsigned short pid) const;
    // The element with the PID, appended with no descriptors when there is none.
    CDVBProgramElement* GetOrCreate(unsigned short pid);
};
