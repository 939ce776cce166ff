#pragma once
// Writes a file so that it appears whole or not at all: the bytes go to a
// temporary name beside it, which is renamed on success and removed on any
// failure.
#include "tswriter/TsTypes.h"

#include <string>

namespace OutputFile {

// Throws MuxError naming the path and the system's reason.
void Write(const std::string& path, const ts::Bytes& data);

} // namespace OutputFile
