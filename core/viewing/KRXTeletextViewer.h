#pragma once
// What the page viewer shows: the page asked for, as the service's teletext
// receiver last had it, a subpage of it, and where its colour links lead.
// The window only maps this onto widgets and asks for a refresh on a timer.
#include "plugin/DVBTeletextPage.h"
#include "viewing/KRXViewingFlow.h"

class CDVBTeletextPages;

class CKRXTeletextViewer
{
public:
    // The pages of the first playing teletext component of the flow's
    // service (its magazine before a subtitle page), or null.
    static CDVBTeletextPages* FindPages(const CKRXViewingFlow& flow);
    // The index of the component that carries a service's pages: its
    // magazine, else a subtitle page, which decodes the whole stream just the
    // same; -1 for none.
    static int FindTeletextComponent(const std::vector<CKRXViewingFlow::Component>& components);

    // Null while the service has no teletext playing; the page shown stays.
    void SetPages(CDVBTeletextPages* pages) { m_pages = pages; }
    // "100" to "899"; false for anything else, which changes nothing.
    bool EnterPage(const CString& text);
    // The next (step 1) or previous (-1) subpage received, round the end;
    // the latest again once the page has no more than one.
    void StepSubpage(int step);
    // Red, green, yellow, blue (0..3): false when the page names none there.
    bool FollowLink(int colour);
    // Takes the page's latest copy; true when what is shown changed.
    bool Refresh();

    bool HasPage() const { return m_shown; }
    const CDVBTeletextPage& GetPage() const { return m_page; }
    int GetPageNumber() const { return m_number; }
    // "waiting for page 100", "page 100", "page 100, subpage 2 of 3".
    CString GetStatus() const;

private:
    void ShowPage(int number);

    CDVBTeletextPages* m_pages = nullptr;
    int m_number = 0x100;
    // -1: the latest subpage, whichever it is.
    int m_subpage = -1;
    std::vector<int> m_subpages;
    bool m_shown = false;
    CDVBTeletextPage m_page;
    CString m_shownText;
};
