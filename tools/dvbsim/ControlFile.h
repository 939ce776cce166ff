#pragma once
// How a test steers the simulated adapter while a program uses it: the file
// KORRIX_DVBSIM_CONTROL names holds one word, "signal" (the default, also when
// the file is missing or empty), "nosignal" (lock is lost and the stream stops
// until "signal" returns) or "unplugged" (the adapter is gone: its descriptors
// fail with ENODEV and it is no longer found).
#include <string>

namespace dvbsim {

enum class Reception { Signal, NoSignal, Unplugged };

// Throws std::invalid_argument on a word it does not know.
Reception ParseReception(const std::string& text);
Reception ReadReception(const std::string& path);

} // namespace dvbsim
