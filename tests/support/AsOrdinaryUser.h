#pragma once
// Permissions do not bind root: a test run as root acts as "nobody" while one
// of these lives, so a read-only folder is read-only for it too.
#include <unistd.h>

class AsOrdinaryUser
{
public:
    AsOrdinaryUser()
    {
        if (geteuid() == 0 && setegid(65534) == 0 && seteuid(65534) == 0)
            m_switched = true;
    }
    ~AsOrdinaryUser()
    {
        if (m_switched && seteuid(0) == 0)
            setegid(0);
    }
    AsOrdinaryUser(const AsOrdinaryUser&) = delete;
    AsOrdinaryUser& operator=(const AsOrdinaryUser&) = delete;

private:
    bool m_switched = false;
};
