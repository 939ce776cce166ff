#include "viewing/KRXTeletextViewer.h"

#include "plugin/DVBTeletextPages.h"
#include "plugin/KRXSubtitleChoice.h"
#include "stream/DVBPIDReceiver.h"

#include <algorithm>
#include <cctype>

namespace {
// Everything the viewer draws, to tell whether a new copy changes anything.
CString Fingerprint(const CDVBTeletextPage& page)
{
    CString text = FormatString("%X/%d:", page.m_number, page.m_subpage);
    for (int row = 0; row < CDVBTeletextPage::ROWS; ++row)
        for (int column = 0; column < CDVBTeletextPage::COLUMNS; ++column) {
            const CDVBTeletextCell& cell = page.Cell(row, column);
            text += FormatString("%X.%u.%u;", unsigned(cell.character), cell.foreground, cell.background);
        }
    for (int link : page.m_links)
        text += FormatString("%X,", link);
    return text;
}
} // namespace

int CKRXTeletextViewer::FindTeletextComponent(const std::vector<CKRXViewingFlow::Component>& components)
{
    for (bool subtitles : { false, true })
        for (int index = 0; index < int(components.size()); ++index) {
            const CString& description = components[size_t(index)].description;
            if (IsTeletextComponent(description) && IsSubtitleComponent(description) == subtitles)
                return index;
        }
    return -1;
}

CDVBTeletextPages* CKRXTeletextViewer::FindPages(const CKRXViewingFlow& flow)
{
    for (const CKRXViewingFlow::Component& component : flow.GetComponents())
        if (IsTeletextComponent(component.description) && !IsSubtitleComponent(component.description))
            for (CDVBPIDReceiver* receiver : component.receivers)
                if (CDVBTeletextPages* pages = receiver->GetTeletextPages())
                    return pages;
    for (const CKRXViewingFlow::Component& component : flow.GetComponents())
        for (CDVBPIDReceiver* receiver : component.receivers)
            if (CDVBTeletextPages* pages = receiver->GetTeletextPages())
                return pages;
    return nullptr;
}

bool CKRXTeletextViewer::EnterPage(const CString& text)
{
    if (text.size() != 3 || text[0] < '1' || text[0] > '8' || !isdigit(text[1]) || !isdigit(text[2]))
        return false;
    ShowPage((text[0] - '0') << 8 | (text[1] - '0') << 4 | (text[2] - '0'));
    return true;
}

void CKRXTeletextViewer::ShowPage(int number)
{
    m_number = number;
    m_subpage = -1;
    m_subpages.clear();
    m_shown = false;
    m_shownText.clear();
}

void CKRXTeletextViewer::StepSubpage(int step)
{
    if (m_subpages.size() < 2) {
        m_subpage = -1;
        return;
    }
    const int current = m_shown ? m_page.m_subpage : m_subpages.front();
    auto at = std::find(m_subpages.begin(), m_subpages.end(), current);
    const int index = at == m_subpages.end() ? 0 : int(at - m_subpages.begin());
    const int count = int(m_subpages.size());
    m_subpage = m_subpages[size_t(((index + step) % count + count) % count)];
}

bool CKRXTeletextViewer::FollowLink(int colour)
{
    if (!m_shown || colour < 0 || colour >= int(m_page.m_links.size()) || m_page.m_links[size_t(colour)] == 0)
        return false;
    ShowPage(m_page.m_links[size_t(colour)]);
    return true;
}

bool CKRXTeletextViewer::Refresh()
{
    if (m_pages == nullptr)
        return false;
    m_subpages = m_pages->GetSubpages(m_number);
    CDVBTeletextPage page;
    if (!m_pages->GetPage(m_number, m_subpage, page))
        return false;
    CString fingerprint = Fingerprint(page);
    if (m_shown && fingerprint == m_shownText)
        return false;
    m_page = page;
    m_shownText = std::move(fingerprint);
    m_shown = true;
    return true;
}

CString CKRXTeletextViewer::GetStatus() const
{
    if (!m_shown)
        return FormatString("waiting for page %03X", m_number);
    if (m_subpages.size() < 2)
        return FormatString("page %03X", m_number);
    const auto at = std::find(m_subpages.begin(), m_subpages.end(), m_page.m_subpage);
    return FormatString("page %03X, subpage %d of %zu", m_number, int(at - m_subpages.begin()) + 1, m_subpages.size());
}
