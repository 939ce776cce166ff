#pragma once
// What the main window does, without the window: the chain input plug-in →
// multiplex → service → components on a viewing flow, the status line, the
// service rows kept current from the update handler, reconfiguring and
// recording. The window maps its widgets onto these calls, so all of it is
// tested without a screen.
//
// Threads: the owner's (user-interface) thread only.
#include "si/DVBSICollector.h"
#include "si/DVBStandardTSUpdateHandler.h"
#include "viewing/KRXFavourite.h"
#include "viewing/KRXMultiplexPlace.h"
#include "viewing/KRXServiceRows.h"
#include "viewing/KRXViewingFlow.h"
#include "viewing/KRXViewingStatus.h"

#include <map>
#include <optional>
#include <vector>

class CKRXMainDialogModel
{
public:
    // The guide export goes into exportFolder's epg/ (empty: the working folder's).
    explicit CKRXMainDialogModel(CKRXPluginManager& plugins, const CString& exportFolder = "");
    // Shuts down.
    ~CKRXMainDialogModel();
    CKRXMainDialogModel(const CKRXMainDialogModel&) = delete;
    CKRXMainDialogModel& operator=(const CKRXMainDialogModel&) = delete;

    // The input plug-ins in the manager's order, by name.
    std::vector<CString> GetInputNames() const;
    // Closes the open multiplex and lists the input's multiplexes; false
    // (with nothing selected) when there is no such input.
    bool SelectInput(int index);
    int GetInputIndex() const { return m_inputIndex; }
    const std::vector<CString>& GetMultiplexNames() const { return m_multiplexNames; }

    // Closes the open multiplex, then opens this one; false when the plug-in
    // has no such definition or gives no source.
    bool OpenMultiplex(int index);
    // False when the receiver did not stop within a second (the user has been
    // told; it is closed anyway).
    bool CloseMultiplex();
    int GetMultiplexIndex() const { return m_multiplexIndex; }

    // Selects the service and starts its components; the A/V log gets a
    // "select" line first, from which the time to its first picture is measured.
    bool SelectService(unsigned short programNumber);
    void DeselectService();
    // The on-screen panel of the chosen service: shown for a while (as on
    // every zap; a radio service keeps it), toggled by the user, and hidden
    // when its time is up.
    void ShowInfo();
    void ToggleInfo();
    void TickInfo();
    // "Korrix [name]" while a service is selected, else "Korrix".
    CString GetWindowTitle() const;
    // The open multiplex's service as a favourite: the input and multiplex it
    // is received on, and its name; false when no multiplex is open.
    bool DescribeFavourite(unsigned short programNumber, SKRXFavourite& favourite) const;

    // Components of the selected service, opened and closed as the user selects them.
    const std::vector<CKRXViewingFlow::Component>& GetComponents() const { return m_flow.GetComponents(); }
    bool OpenComponent(int index) { return m_flow.OpenComponent(index); }
    void CloseComponent(int index) { m_flow.CloseComponent(index); }

    SKRXViewingStatus GetStatus() const;
    // Applies the service information that arrived since the last call to the
    // service rows and says which rows changed how.
    std::vector<CKRXServiceRows::Change> TakeServiceUpdates();
    const CKRXServiceRows& GetServiceRows() const { return m_rows; }
    // Empty when the multiplex has no such programme.
    CString GetServiceInfoTip(unsigned short programNumber);

    // Closes the multiplex, lets the user edit the input's multiplexes and
    // returns the index of the one that was open when a multiplex of exactly
    // its name is still there (the caller selects it, which reopens it), else -1.
    int Configure();

    // Records the whole multiplex, or the selected service alone, into the
    // file; false with the reason when no multiplex is open (no service is
    // selected), the file is one the program is reading (the file being
    // played) or it cannot be created.
    bool StartRecording(const CString& path, CString& error, bool serviceOnly = false);
    // The same for the service of that id alone (zero: the whole multiplex), selected or not.
    bool RecordService(const CString& path, CString& error, unsigned short serviceId);
    void StopRecording();
    bool IsRecording() const;
    // What the output files (the recording, the A/V log) lost since the last
    // call, as a text for the user; empty when nothing was lost. A recording
    // that could not be written is stopped.
    CString TakeOutputFaults();
    // The chosen path with the date and time in its name, numbered when that
    // is taken too; a device or pipe that is there stays as it is.
    static CString MakeRecordingPath(const CString& chosen);
    // "0:01:23, 2.0 MB" while recording; empty otherwise.
    CString GetRecordingProgress() const;

    // Stops a recording, closes the multiplex and then the display.
    void Shutdown();

    // Where each transport stream seen so far was received, by its id: the
    // guide records and selects services through it.
    const std::map<unsigned short, SKRXMultiplexPlace>& GetMultiplexPlaces() const { return m_places; }
    // The open multiplex's transport stream id, once its PAT has come.
    std::optional<unsigned short> GetTransportStreamId() const { return m_transportStreamId; }

    CDVBSICollector& GetSICollector() { return m_collector; }
    CKRXViewingFlow& GetFlow() { return m_flow; }
    CKRXInputPlugin* GetInputPlugin() const;

private:
    // Notes where the programme's transport stream is received.
    void NotePlace(const CDVBProgram& program);
    // The service's name as its row has it, or "Service N" before its row comes.
    CString GetServiceName(unsigned short programNumber) const;
    // The panel's lines for the chosen service, now.
    CKRXInfoPanel::Lines DescribeService() const;
    bool IsRadioSelected() const;

    CKRXPluginManager& m_plugins;
    CDVBStandardTSUpdateHandler m_updates;
    CDVBSICollector m_collector;
    CKRXViewingFlow m_flow;
    CKRXServiceRows m_rows;
    std::vector<CString> m_multiplexNames;
    int m_inputIndex = -1;
    int m_multiplexIndex = -1;
    std::map<unsigned short, SKRXMultiplexPlace> m_places;
    std::optional<unsigned short> m_transportStreamId;
    CString m_recordingPath;
    bool m_recordingFaultTold = false;
    uint32_t m_recordingStartMs = 0;
};
