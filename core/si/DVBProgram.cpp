#include "si/DVBProgram.h"

CDVBProgram::CDVBProgram(unsigned short programNumber)
    : m_programNumber(programNumber)
{
}
