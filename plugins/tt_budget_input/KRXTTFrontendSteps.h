#pragma once
// What tuning a channel asks of a Linux frontend, in the order it is asked:
// for a satellite the committed DiSEqC switch command first, then the LNB's
// voltage and tone, then the delivery system's properties as libdvbv5 takes
// them (DTV_ commands with their values). Kept apart from the device so the
// order and the values can be checked without one.
#include "KRXTTCard.h"

#include <cstdint>
#include <utility>
#include <vector>

struct KRXTTFrontendStep {
    enum Kind { DiSEqC, Voltage, Tone, Properties };
    Kind kind = Properties;
    std::vector<uint8_t> message; // DiSEqC: the master command's bytes
    uint32_t value = 0; // Voltage: 0, 13 or 18; Tone: 0 off, 1 on
    std::vector<std::pair<uint32_t, uint32_t>> properties; // DTV_ command, value
};

std::vector<KRXTTFrontendStep> BuildFrontendSteps(const KRXTTChannel& channel);

// The kernel's delivery system (SYS_) and modulation for the plug-in's codes,
// and back (-1 for one the plug-in has no code for).
uint32_t LinuxDeliverySystem(int system);
uint32_t LinuxModulation(int modulation);
int SystemOfLinux(uint32_t system);
int ModulationOfLinux(uint32_t modulation);
