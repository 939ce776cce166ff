#include "si/DVBProgramList.h"

#include <memory>

CDVBProgram* CDVBProgramList::Find(unsigned short programNumber) const
{
    for (CDVBProgram* program : *this) {
        if (program->GetProgramNumber() == programNumber)
            return program;
        if (program->GetProgramNumber() > programNumber)
            break;
    }
    return nullptr;
}

CDVBProgram* CDVBProgramList::GetOrCreate(unsigned short programNumber)
{
    auto position = begin();
    for (; position != end(); ++position) {
        if ((*position)->GetProgramNumber() == programNumber)
            return *position;
        if ((*position)->GetProgramNumber() > programNumber)
            break;
    }
    return InsertBefore(position, std::make_unique<CDVBProgram>(programNumber));
}
