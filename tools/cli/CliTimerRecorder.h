#pragma once
// How korrix-cli records a timer: the timer's multiplex opened through its
// input plug-in, as play --input does, and its one service recorded, with an
// SI collector on the multiplex so that the timer can follow its event.
#include "timers/KRXTimerRecorder.h"

#include <map>
#include <memory>

class CDVBSICollector;
class CEvent;
class CKRXLoadedPlugins;
class CKRXFileMultiplexSession;

class CKRXCliTimerRecorder : public CKRXTimerRecorder
{
public:
    // Stops looking for a timer's service when interrupted is set.
    CKRXCliTimerRecorder(const CKRXLoadedPlugins& plugins, CEvent* interrupted);
    ~CKRXCliTimerRecorder() override;
    CKRXCliTimerRecorder(const CKRXCliTimerRecorder&) = delete;
    CKRXCliTimerRecorder& operator=(const CKRXCliTimerRecorder&) = delete;

    EStart StartRecording(const CKRXTimer& timer, const CString& file, CString& error) override;
    bool StopRecording(const CKRXTimer& timer, CString& error) override;
    CString CheckRecording(const CKRXTimer& timer, bool& fatal) override;
    unsigned char GetRunningStatus(const CKRXTimer& timer) override;

private:
    struct Recording;

    bool FindTimerService(const CKRXTimer& timer, Recording& recording, CString& error);

    const CKRXLoadedPlugins& m_plugins;
    CEvent* m_interrupted;
    std::map<int, std::unique_ptr<Recording>> m_recordings;
};
