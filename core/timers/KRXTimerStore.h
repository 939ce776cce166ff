#pragma once
// The timers file in the user's data folder ("Timers.txt"), shared by the
// program and the recorder.
#include "timers/KRXListStore.h"
#include "timers/KRXTimerList.h"

using CKRXTimerStore = CKRXListStore<CKRXTimerList>;
