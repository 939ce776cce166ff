#pragma once
// Reads a region file (dtv-scan-tables' initial-tuning format, through
// libdvbv5 as the card scan does) into the entries a SAT>IP server can tune.
#include "KRXNetRegionEntry.h"

#include <vector>

// Entries of systems SAT>IP has no query for (ATSC, ISDB) are left out.
// False with the reason when the file cannot be read as a region file.
bool ReadNetRegionFile(const CString& path, std::vector<KRXNetRegionEntry>& entries, CString& error);
