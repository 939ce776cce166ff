#include "viewing/KRXFavouriteList.h"

#include "timers/KRXFieldLine.h"

bool CKRXFavouriteList::Add(const SKRXFavourite& favourite)
{
    if (Find(favourite) >= 0)
        return false;
    m_favourites.push_back(favourite);
    return true;
}

bool CKRXFavouriteList::Remove(const SKRXFavourite& favourite)
{
    const int index = Find(favourite);
    if (index < 0)
        return false;
    m_favourites.erase(m_favourites.begin() + index);
    return true;
}

bool CKRXFavouriteList::Toggle(const SKRXFavourite& favourite)
{
    return !Remove(favourite) && Add(favourite);
}

int CKRXFavouriteList::Find(const SKRXFavourite& favourite) const
{
    for (size_t index = 0; index < m_favourites.size(); ++index) {
        if (m_favourites[index].IsSameService(favourite))
            return int(index);
    }
    return -1;
}

CString CKRXFavouriteList::Format() const
{
    CString text;
    for (const SKRXFavourite& favourite : m_favourites)
        text += favourite.ToLine() + "\n";
    return text;
}

bool CKRXFavouriteList::Parse(const CString& text, int& badLine)
{
    m_favourites.clear();
    return CKRXFieldLine::ReadLines(
        text,
        [this](const CString& line) {
            SKRXFavourite favourite;
            // A service listed twice (two programs adding at once) is listed once.
            if (!SKRXFavourite::FromLine(line, favourite))
                return false;
            Add(favourite);
            return true;
        },
        badLine);
}
