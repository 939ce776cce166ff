#pragma once
// The colour table drawn with when a region names one the page lacks, and the
// module-wide list that holds it from the plug-in's Initialise to DeInitialise.
#include "DVBCLUTDefinitionSegment.h"

#include <memory>

// Id 0, 256 full-range entries after the standard's default 8-bit table.
std::unique_ptr<CDVBCLUTDefinitionSegment> BuildDefaultColourTable();
// r, g and b from 0.0 to 1.0 into studio-range bytes.
void ConvertRGBToYCbCr(double r, double g, double b, uint8_t& y, uint8_t& cb, uint8_t& cr);

void AddDefaultColourTable(std::unique_ptr<CDVBCLUTDefinitionSegment> table);
void DeleteDefaultColourTables();
// The first default table with the id, or null.
CDVBCLUTDefinitionSegment* FindDefaultColourTable(uint8_t clutId);
