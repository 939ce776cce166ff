#include "KRXTestMultiplexDialog.h"

#include "KRXQtText.h"
#include "KRXTestStatusIcons.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
// Where a service row keeps its programme number and PMT service type.
constexpr int ProgramNumberRole = Qt::UserRole;
constexpr int ServiceTypeRole = Qt::UserRole + 1;
} // namespace

CKRXTestMultiplexDialog::CKRXTestMultiplexDialog(
    QWidget* parent, CKRXInputPlugin* plugin, CDVBMultiplexDefinition* definition)
    : QDialog(parent)
    , m_model(plugin, definition)
    , m_icon(new QLabel)
    , m_status(new QLabel)
    , m_services(new QTreeWidget)
    , m_shownIcon(m_model.GetIcon())
{
    setWindowTitle(ToQString(m_model.GetCaption()));

    m_icon->setObjectName("icon");
    m_status->setObjectName("status");
    m_services->setObjectName("services");
    m_icon->setFixedSize(16, 16);
    m_icon->setPixmap(TestStatusPixmap(m_shownIcon, devicePixelRatioF()));
    // Wide enough for a rate and a file's progress on one line; longer
    // statuses from other sources wrap rather than being cut off.
    m_status->setMinimumWidth(m_status->fontMetrics().horizontalAdvance(
        "Data is being received at 24.13 megabits per second [100.00% complete]"));
    m_status->setWordWrap(true);
    auto* status = new QGroupBox("Status");
    auto* statusLayout = new QHBoxLayout(status);
    statusLayout->addWidget(m_icon);
    statusLayout->addWidget(m_status, 1);

    m_services->setRootIsDecorated(false);
    m_services->setUniformRowHeights(true);
    m_services->setSelectionMode(QAbstractItemView::SingleSelection);
    m_services->setHeaderLabels({ "Service" });
    m_services->setMinimumSize(300, 200);
    auto* services = new QGroupBox("Services");
    auto* servicesLayout = new QVBoxLayout(services);
    servicesLayout->addWidget(m_services);

    auto* closing = new QDialogButtonBox(QDialogButtonBox::Ok);
    connect(closing, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(status);
    layout->addWidget(services, 1);
    layout->addWidget(closing);

    ShowStatus();
    connect(&m_timer, &QTimer::timeout, this, &CKRXTestMultiplexDialog::OnTick);
    m_timer.start(TickMs);
}

void CKRXTestMultiplexDialog::done(int result)
{
    // OK, Escape and the close box all end here: nothing keeps running after.
    m_timer.stop();
    m_model.Close();
    QDialog::done(result);
}

void CKRXTestMultiplexDialog::OnTick()
{
    const bool servicesChanged = m_model.OnTick();
    ShowStatus();
    if (servicesChanged)
        ShowServices();
}

void CKRXTestMultiplexDialog::ShowStatus()
{
    m_status->setText(ToQString(m_model.GetStatusText()));
    if (m_model.GetIcon() != m_shownIcon) {
        m_shownIcon = m_model.GetIcon();
        m_icon->setPixmap(TestStatusPixmap(m_shownIcon, devicePixelRatioF()));
    }
}

void CKRXTestMultiplexDialog::ShowServices()
{
    // The model only appends rows and changes them in place, so row i stays row i.
    const std::vector<CKRXMultiplexTestModel::Service>& rows = m_model.GetServices();
    for (size_t index = 0; index < rows.size(); ++index) {
        QTreeWidgetItem* item = m_services->topLevelItem(static_cast<int>(index));
        if (item == nullptr) {
            item = new QTreeWidgetItem(m_services);
            item->setData(0, ProgramNumberRole, rows[index].programNumber);
        }
        const QString name = ToQString(rows[index].name);
        if (item->text(0) != name)
            item->setText(0, name);
        item->setData(0, ServiceTypeRole, rows[index].serviceType);
    }
}
