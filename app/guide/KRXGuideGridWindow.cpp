#include "KRXGuideGridWindow.h"

#include "KRXQtText.h"

#include <QDateTime>
#include <QHBoxLayout>
#include <QIcon>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTimer>
#include <QVBoxLayout>

#include <ctime>

namespace {
// A list of thousands of finds helps nobody and takes long to fill.
constexpr int MostFindsListed = 200;
// The line at now moves by a pixel every 15 seconds.
constexpr int ClockMs = 15000;
} // namespace

CKRXGuideGridWindow::CKRXGuideGridWindow(QWidget* parent)
    : QWidget(parent, Qt::Window)
{
    setWindowTitle("Korrix Guide");
    setWindowIcon(QIcon(":/korrix/icons/korrix-48.png"));
    resize(980, 680);

    m_search = new QLineEdit;
    m_search->setPlaceholderText("Search titles and descriptions");
    m_search->setClearButtonEnabled(true);
    auto* now = new QPushButton("Now");
    auto* top = new QHBoxLayout;
    top->addWidget(m_search, 1);
    top->addWidget(now);

    m_view = new CKRXGuideGridView(m_grid);
    auto* halves = new QSplitter(Qt::Vertical);
    halves->addWidget(m_view);
    halves->addWidget(BuildLowerHalf());
    halves->setStretchFactor(0, 1);
    halves->setSizes({ 500, 160 });

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(halves, 1);

    m_clock = new QTimer(this);
    m_clock->start(ClockMs);
    connect(m_clock, &QTimer::timeout, this, [this] {
        m_grid.SetNow(std::time(nullptr));
        m_view->viewport()->update();
    });
    connect(now, &QPushButton::clicked, m_view, &CKRXGuideGridView::ScrollToNow);
    connect(m_search, &QLineEdit::textChanged, this, &CKRXGuideGridWindow::Search);
    connect(m_finds, &QListWidget::currentRowChanged, this, &CKRXGuideGridWindow::ShowFind);
    connect(m_view, &CKRXGuideGridView::cellClicked, this, [this](int row, int index) {
        ShowProgramme(CKRXGuideGrid::Cell { row, index });
    });
    connect(m_view, &CKRXGuideGridView::serviceDoubleClicked, this, [this](int row) {
        if (m_serviceSelector)
            m_serviceSelector(m_grid.GetService(row).transportStreamId, m_grid.GetService(row).serviceId);
    });
    connect(m_record, &QPushButton::clicked, this, &CKRXGuideGridWindow::Record);
    ShowProgramme(std::nullopt);
}

QWidget* CKRXGuideGridWindow::BuildLowerHalf()
{
    m_finds = new QListWidget;
    m_finds->hide();
    m_details = new QPlainTextEdit;
    m_details->setReadOnly(true);
    m_record = new QPushButton("Record");
    auto* recordRow = new QHBoxLayout;
    recordRow->addStretch(1);
    recordRow->addWidget(m_record);
    auto* detailsColumn = new QWidget;
    auto* detailsLayout = new QVBoxLayout(detailsColumn);
    detailsLayout->setContentsMargins(0, 0, 0, 0);
    detailsLayout->addWidget(m_details, 1);
    detailsLayout->addLayout(recordRow);

    auto* lower = new QWidget;
    auto* lowerLayout = new QHBoxLayout(lower);
    lowerLayout->setContentsMargins(0, 0, 0, 0);
    lowerLayout->addWidget(m_finds, 1);
    lowerLayout->addWidget(detailsColumn, 2);
    return lower;
}

void CKRXGuideGridWindow::SetRecordHandler(RecordHandler handler)
{
    m_recordHandler = std::move(handler);
    ShowProgramme(m_view->GetSelected());
}

void CKRXGuideGridWindow::Load(
    std::vector<CDVBGuideService> guide, const std::map<unsigned short, SKRXMultiplexPlace>& places, int64_t now)
{
    m_grid.SetGuide(std::move(guide), places, now);
    m_view->Reload();
    m_view->ScrollToNow();
    ShowProgramme(std::nullopt);
    Search();
}

void CKRXGuideGridWindow::SetCurrentService(unsigned short transportStreamId, unsigned short serviceId)
{
    m_grid.SetCurrentService(transportStreamId, serviceId);
    m_view->viewport()->update();
}

void CKRXGuideGridWindow::Search()
{
    const QSignalBlocker quiet(m_finds);
    m_finds->clear();
    m_found = m_grid.Search(ToCString(m_search->text()));
    m_finds->setVisible(!m_search->text().isEmpty());
    if (m_search->text().isEmpty())
        return;
    if (m_found.empty())
        m_finds->addItem("Nothing found.");
    for (size_t i = 0; i < m_found.size() && i < MostFindsListed; ++i) {
        const CDVBEvent& event = m_grid.GetEvent(m_found[i]);
        m_finds->addItem(QDateTime::fromSecsSinceEpoch(event.start).toString("ddd d MMM HH:mm") + "  "
            + ToQString(m_grid.GetServiceName(m_found[i].row)) + "  " + ToQString(event.title));
    }
    if (m_found.size() > MostFindsListed)
        m_finds->addItem(QString("\u2026and %1 more: search for more words.").arg(m_found.size() - MostFindsListed));
}

void CKRXGuideGridWindow::ShowFind(int findRow)
{
    if (findRow < 0 || findRow >= static_cast<int>(std::min<size_t>(m_found.size(), MostFindsListed)))
        return;
    const CKRXGuideGrid::Cell cell = m_found[findRow];
    m_view->Select(cell);
    m_view->ScrollTo(cell);
    ShowProgramme(cell);
}

void CKRXGuideGridWindow::ShowProgramme(const std::optional<CKRXGuideGrid::Cell>& cell)
{
    m_details->setPlainText(cell ? ToQString(m_grid.GetDetails(*cell)) : "Click a programme to see its details.");
    const bool recordable = cell && m_grid.GetRecording(*cell);
    m_record->setEnabled(m_recordHandler && recordable);
    if (!m_recordHandler)
        m_record->setToolTip("Recording from the guide is not available.");
    else if (cell && !recordable)
        m_record->setToolTip(m_grid.HasEnded(*cell) ? "This programme has ended."
                                                    : "Open this service's multiplex once to record from it.");
    else
        m_record->setToolTip("Record this programme.");
}

void CKRXGuideGridWindow::Record()
{
    const auto& cell = m_view->GetSelected();
    if (!cell || !m_recordHandler)
        return;
    if (const auto recording = m_grid.GetRecording(*cell))
        m_recordHandler(*recording);
}
