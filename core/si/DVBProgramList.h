#pragma once
// Programmes in ascending order of programme number; owns them.
#include "si/DVBOwningList.h"
#include "si/DVBProgram.h"

class CDVBProgramList : public CDVBOwningList<CDVBProgram>
{
public:
    CDVBProgram* Find(unsigned short programNumber) const;
    // The programme, or a new one inserted before the first with a larger number.
    CDVBProgram* GetOrCreate(unsigned short programNumber);
};
