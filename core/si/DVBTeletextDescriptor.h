#pragma once
// Teletext descriptor: its entries begin with a language as the subtitling
// descriptor's do; only the language of the first entry is kept.
#include "si/DVBSubtitlingDescriptor.h"

class CDVBTeletextDescriptor : public CDVBSubtitlingDescriptor
{
};
