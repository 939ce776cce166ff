#pragma once
// The page viewer: a page-number entry, subpage stepping, the four colour
// links and the page in its colours, refreshed as pages arrive. What it shows
// comes from CKRXTeletextViewer; the window only maps it onto widgets.
#include "viewing/KRXTeletextViewer.h"

#include <QWidget>
#include <array>
#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;
class QTextEdit;
class QTimer;

class CKRXTeletextWindow : public QWidget
{
    Q_OBJECT
public:
    // findPages: the playing service's teletext pages, or null; asked at each
    // refresh, as components open and close meanwhile.
    explicit CKRXTeletextWindow(std::function<CDVBTeletextPages*()> findPages, QWidget* parent = nullptr);

private:
    void Refresh();
    void ShowPage();
    void EnterPage();

    std::function<CDVBTeletextPages*()> m_findPages;
    CKRXTeletextViewer m_viewer;
    QLineEdit* m_number;
    QPushButton* m_previous;
    QPushButton* m_next;
    std::array<QPushButton*, 4> m_links {};
    QLabel* m_status;
    QTextEdit* m_page;
    QTimer* m_timer;
};
