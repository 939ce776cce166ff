#pragma once
// The pages a teletext receiver has decoded, for the page viewer and the
// command line. Its operations may be called from any thread.
#include "plugin/DVBTeletextPage.h"

#include <functional>

class CDVBTeletextPages
{
public:
    virtual ~CDVBTeletextPages() = default;
    // The latest copy of the page (0x100..0x8FF), of the given subpage or of
    // whichever came last (-1); false while none has come.
    virtual bool GetPage(int number, int subpage, CDVBTeletextPage& page) = 0;
    // The subpages of the page received so far, in order.
    virtual std::vector<int> GetSubpages(int number) = 0;
    // Called on the receive thread as each page is complete; it may call
    // GetPage. Null stops the calls; once set returns, no call is running.
    virtual void SetPageListener(std::function<void(int number, int subpage)> listener) = 0;
};
