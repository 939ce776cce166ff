// The service-information side of the transport stream receiver: section
// hand-off from the SI receivers and the programme list they build.
#include "si/DVBProgram.h"
#include "stream/DVBTransportStreamReceiver.h"

void CDVBTransportStreamReceiver::OnSectionAdd(unsigned short pid, CDVBSISection* section)
{
    OnSectionUpdate(pid, section);
}

CDVBProgram* CDVBTransportStreamReceiver::GetProgram(unsigned short programNumber)
{
    CSingleLock lock(&m_programsSection, true);
    return m_programs.Find(programNumber);
}

CDVBProgram* CDVBTransportStreamReceiver::GetOrCreateProgram(unsigned short programNumber)
{
    CSingleLock lock(&m_programsSection, true);
    CDVBProgram* program = m_programs.Find(programNumber);
    if (program == nullptr) {
        program = new CDVBProgram(programNumber);
        m_programs.Add(program);
    }
    return program;
}
