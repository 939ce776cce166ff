#include "plugin/DVBComponentDefinition.h"

CDVBComponentDefinition::CDVBComponentDefinition(CDVBComponentDefinition* other)
{
    CopyFrom(other);
}

void CDVBComponentDefinition::CopyFrom(CDVBComponentDefinition* other)
{
    if (other)
        *this = *other;
}
