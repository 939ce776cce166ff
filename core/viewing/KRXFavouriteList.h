#pragma once
// The user's favourite services, across inputs and multiplexes, in the
// order they were marked; each service is there once.
#include "viewing/KRXFavourite.h"

#include <vector>

class CKRXFavouriteList
{
public:
    // The file that keeps them, and what one line of it holds.
    static constexpr const char* kFileName = "Favourites";
    static constexpr const char* kEntryName = "a favourite";

    // Adds the service at the end; false when it is there already.
    bool Add(const SKRXFavourite& favourite);
    // False when the service is not there.
    bool Remove(const SKRXFavourite& favourite);
    // Removes the service when it is there, adds it otherwise; true when it is there now.
    bool Toggle(const SKRXFavourite& favourite);
    // The service's place in the list, or -1.
    int Find(const SKRXFavourite& favourite) const;
    const std::vector<SKRXFavourite>& GetFavourites() const { return m_favourites; }

    // The list as its file holds it, and back; Parse keeps the lines it can
    // read and returns false with the number of the first it cannot.
    CString Format() const;
    bool Parse(const CString& text, int& badLine);

private:
    std::vector<SKRXFavourite> m_favourites;
};
