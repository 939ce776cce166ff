#pragma once
// The level the sound is heard at, set by the front end and read by every
// wave output as it converts a decoded frame, so it works on any device.
// Kept apart from the device's own mixer: the level a user chooses here is
// the program's alone.
#include <cstdint>

class CKRXVolume
{
public:
    // Gains are 16.16 fixed point; this is 0 dB.
    static constexpr uint32_t kUnityGain = 0x10000;
    static constexpr int kMaximum = 100;
    static constexpr int kStep = 5;

    // Clamped to 0..100.
    static void SetLevel(int percent);
    static int GetLevel();
    static void SetMuted(bool muted);
    static bool IsMuted();
    // A key's or the wheel's step: the level changes by delta and the sound is unmuted.
    static void Step(int delta);
    // The level as a gain: loudness follows the square of the level, so the
    // steps of the slider sound even; exactly unity at 100, 0 at 0 or muted.
    static uint32_t GetGain();
    // The gain of a level, whatever is set.
    static uint32_t GainOf(int percent);
};
