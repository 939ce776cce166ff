#pragma once
// The favourites file in the user's data folder ("Favourites.txt"), which
// every running program changes under its lock.
#include "timers/KRXListStore.h"
#include "viewing/KRXFavouriteList.h"

using CKRXFavouriteStore = CKRXListStore<CKRXFavouriteList>;
