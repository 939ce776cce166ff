#pragma once
// A service the user marked as a favourite: where it is received (the input
// and the multiplex, by the names the main window shows) and its service id,
// with its name as it was when marked, to list it by while that multiplex is
// not open.
#include "platform/CString.h"

struct SKRXFavourite {
    CString input;
    CString multiplex;
    unsigned short serviceId = 0;
    CString name; // UTF-8

    // The same service, whatever name it had.
    bool IsSameService(const SKRXFavourite& other) const
    {
        return serviceId == other.serviceId && input == other.input && multiplex == other.multiplex;
    }
    // The favourite as one line of the favourites file, and back; false for a
    // line without an input, a multiplex or a service id.
    CString ToLine() const;
    static bool FromLine(const CString& line, SKRXFavourite& favourite);
};
