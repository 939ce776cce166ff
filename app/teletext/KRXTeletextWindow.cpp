#include "KRXTeletextWindow.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextEdit>
#include <QTimer>
#include <QVBoxLayout>

namespace {
constexpr int REFRESH_MS = 250;
const char* const LINK_COLOURS[] = { "#c00000", "#00a000", "#c0c000", "#0000c0" };
const char* const LINK_NAMES[] = { "red", "green", "yellow", "blue" };

// 0xAABBGGRR as #rrggbb.
QString HtmlColour(uint32_t rgba)
{
    return QString::asprintf("#%02x%02x%02x", rgba & 0xFF, rgba >> 8 & 0xFF, rgba >> 16 & 0xFF);
}

QString PageHtml(const CDVBTeletextPage& page)
{
    QString html = "<pre style=\"font-family: monospace; background: black\">";
    for (int row = 0; row < CDVBTeletextPage::ROWS; ++row) {
        for (int column = 0; column < CDVBTeletextPage::COLUMNS; ++column) {
            const CDVBTeletextCell& cell = page.Cell(row, column);
            const char32_t character = cell.character >= 0x20 ? cell.character : U' ';
            html += QString("<span style=\"color: %1; background: %2\">%3</span>")
                        .arg(HtmlColour(page.m_palette[cell.foreground % 40]),
                            HtmlColour(page.m_palette[cell.background % 40]),
                            QString::fromUcs4(&character, 1).toHtmlEscaped());
        }
        html += "\n";
    }
    return html + "</pre>";
}
} // namespace

CKRXTeletextWindow::CKRXTeletextWindow(std::function<CDVBTeletextPages*()> findPages, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_findPages(std::move(findPages))
    , m_number(new QLineEdit("100"))
    , m_previous(new QPushButton("<"))
    , m_next(new QPushButton(">"))
    , m_status(new QLabel)
    , m_page(new QTextEdit)
    , m_timer(new QTimer(this))
{
    setWindowTitle("Teletext");
    m_previous->setObjectName("previous");
    m_next->setObjectName("next");
    m_status->setObjectName("status");
    m_number->setMaxLength(3);
    m_number->setInputMask("999");
    m_page->setReadOnly(true);
    m_page->setMinimumSize(520, 460);
    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel("Page:"));
    top->addWidget(m_number);
    top->addWidget(m_previous);
    top->addWidget(m_next);
    top->addWidget(m_status, 1);
    auto* links = new QHBoxLayout;
    for (size_t colour = 0; colour < m_links.size(); ++colour) {
        m_links[colour] = new QPushButton;
        m_links[colour]->setObjectName(LINK_NAMES[colour]);
        m_links[colour]->setStyleSheet(QString("color: white; background: %1").arg(LINK_COLOURS[colour]));
        links->addWidget(m_links[colour]);
        connect(m_links[colour], &QPushButton::clicked, this, [this, colour] {
            if (m_viewer.FollowLink(int(colour)))
                m_number->setText(QString::asprintf("%03X", m_viewer.GetPageNumber()));
            Refresh();
        });
    }
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_page, 1);
    layout->addLayout(links);
    connect(m_number, &QLineEdit::returnPressed, this, &CKRXTeletextWindow::EnterPage);
    connect(m_previous, &QPushButton::clicked, this, [this] {
        m_viewer.StepSubpage(-1);
        Refresh();
    });
    connect(m_next, &QPushButton::clicked, this, [this] {
        m_viewer.StepSubpage(1);
        Refresh();
    });
    connect(m_timer, &QTimer::timeout, this, &CKRXTeletextWindow::Refresh);
    m_timer->start(REFRESH_MS);
    Refresh();
}

void CKRXTeletextWindow::EnterPage()
{
    if (m_viewer.EnterPage(m_number->text().toStdString()))
        m_page->clear();
    Refresh();
}

void CKRXTeletextWindow::Refresh()
{
    m_viewer.SetPages(m_findPages());
    if (m_viewer.Refresh())
        ShowPage();
    m_status->setText(QString::fromStdString(m_viewer.GetStatus()));
    for (size_t colour = 0; colour < m_links.size(); ++colour) {
        const int link = m_viewer.HasPage() ? m_viewer.GetPage().m_links[colour] : 0;
        m_links[colour]->setText(link != 0 ? QString::asprintf("%03X", link) : QString());
        m_links[colour]->setEnabled(link != 0);
    }
}

void CKRXTeletextWindow::ShowPage()
{
    m_page->setHtml(PageHtml(m_viewer.GetPage()));
}
