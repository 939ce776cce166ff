#pragma once
// The guide window: the programme grid over the week, a search box whose
// finds are listed beside the details of the programme chosen, and "Record"
// on it. What Record does is the handler's: without one the action stays
// disabled.
#include "KRXGuideGridView.h"
#include "viewing/KRXGuideGrid.h"

#include <QWidget>

#include <functional>
#include <map>
#include <vector>

class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QTimer;

class CKRXGuideGridWindow : public QWidget
{
    Q_OBJECT
public:
    using RecordHandler = std::function<void(const SKRXGuideRecording&)>;
    using ServiceSelector = std::function<void(unsigned short transportStreamId, unsigned short serviceId)>;

    explicit CKRXGuideGridWindow(QWidget* parent = nullptr);

    void SetRecordHandler(RecordHandler handler);
    // Double-clicking a service's name asks the selector to watch it.
    void SetServiceSelector(ServiceSelector selector) { m_serviceSelector = std::move(selector); }
    // Shows this guide, scrolled to now, and runs the search again on it.
    void Load(
        std::vector<CDVBGuideService> guide, const std::map<unsigned short, SKRXMultiplexPlace>& places, int64_t now);
    void SetCurrentService(unsigned short transportStreamId, unsigned short serviceId);

    const CKRXGuideGrid& GetGrid() const { return m_grid; }
    CKRXGuideGridView* GetView() const { return m_view; }
    QLineEdit* GetSearchBox() const { return m_search; }
    QListWidget* GetFinds() const { return m_finds; }
    QPlainTextEdit* GetDetails() const { return m_details; }
    QPushButton* GetRecordButton() const { return m_record; }

private:
    QWidget* BuildLowerHalf();
    void Search();
    void ShowFind(int findRow);
    void ShowProgramme(const std::optional<CKRXGuideGrid::Cell>& cell);
    void Record();

    CKRXGuideGrid m_grid;
    RecordHandler m_recordHandler;
    ServiceSelector m_serviceSelector;
    std::vector<CKRXGuideGrid::Cell> m_found;
    CKRXGuideGridView* m_view = nullptr;
    QLineEdit* m_search = nullptr;
    QListWidget* m_finds = nullptr;
    QPlainTextEdit* m_details = nullptr;
    QPushButton* m_record = nullptr;
    QTimer* m_clock = nullptr;
};
