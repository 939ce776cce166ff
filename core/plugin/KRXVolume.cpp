#include "plugin/KRXVolume.h"

#include <algorithm>
#include <atomic>

namespace {
std::atomic<int> level { CKRXVolume::kMaximum };
std::atomic<bool> muted { false };
} // namespace

void CKRXVolume::SetLevel(int percent)
{
    level = std::clamp(percent, 0, kMaximum);
}

int CKRXVolume::GetLevel()
{
    return level;
}

void CKRXVolume::SetMuted(bool mute)
{
    muted = mute;
}

bool CKRXVolume::IsMuted()
{
    return muted;
}

void CKRXVolume::Step(int delta)
{
    SetLevel(level + delta);
    muted = false;
}

uint32_t CKRXVolume::GetGain()
{
    return muted ? 0 : GainOf(level);
}

uint32_t CKRXVolume::GainOf(int percent)
{
    const uint32_t clamped = uint32_t(std::clamp(percent, 0, kMaximum));
    return kUnityGain * clamped * clamped / uint32_t(kMaximum * kMaximum);
}
