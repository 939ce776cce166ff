#include "si/DVBProgramElementList.h"

#include <memory>

CDVBProgramElement* CDVBProgramElementList::Find(unsigned short pid) const
{
    for (CDVBProgramElement* element : *this) {
        if (element->GetPID() == pid)
            return element;
    }
    return nullptr;
}

CDVBProgramElement* CDVBProgramElementList::GetOrCreate(unsigned short pid)
{
    if (CDVBProgramElement* element = Find(pid))
        return element;
    return Append(std::make_unique<CDVBProgramElement>(pid));
}
