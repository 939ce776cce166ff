#include "si/DVBProgramList.h"

#include "si/DVBProgram.h"

#include <algorithm>

CDVBProgramList::~CDVBProgramList()
{
    DeleteAll();
}

CDVBProgram* CDVBProgramList::Find(unsigned short programNumber) const
{
    for (CDVBProgram* program : m_programs) {
        if (program->GetProgramNumber() == programNumber)
            return program;
    }
    return nullptr;
}

void CDVBProgramList::Add(CDVBProgram* program)
{
    const auto larger = std::find_if(m_programs.begin(), m_programs.end(),
        [program](CDVBProgram* held) { return held->GetProgramNumber() > program->GetProgramNumber(); });
    m_programs.insert(larger, program);
}

void CDVBProgramList::DeleteAll()
{
    for (CDVBProgram* program : m_programs)
        delete program;
    m_programs.clear();
}
