#pragma once
// The chain a viewer walks: an input plug-in's multiplex, one of its services,
// that service's components, and the display their decoders show pictures on.
// It wires the core and the plug-ins together and knows no user-interface
// toolkit, so the command line and the program's window drive the same steps.
//
// Changing a link closes every link after it first: components, then the
// service, then the multiplex. The display, once opened, stays open until
// CloseDisplay (or destruction), with the logo layer drawn into every frame.
//
// Threads: everything here runs on the owner's thread; the receiver's own
// thread fills the programme list, which is read under its programme lock.
#include "platform/Guid.h"
#include "viewing/KRXInfoPanel.h"
#include "viewing/KRXLogoLayer.h"

#include <memory>
#include <vector>

class CDVBComponentDefinition;
class CDVBDisplay;
class CDVBMultiplexDefinition;
class CDVBPIDReceiver;
class CDVBProgramClock;
class CDVBSICollector;
class CDVBStandardTSUpdateHandler;
class CDVBTransportStreamReceiver;
class CDVBTransportStreamSource;
class CKRXDecoderPlugin;
class CKRXDisplayPlugin;
class CKRXInputPlugin;
class CKRXPluginManager;

class CKRXViewingFlow
{
public:
    // The size every display is opened at; pictures of other sizes are scaled.
    static constexpr int DisplayWidth = 720;
    static constexpr int DisplayHeight = 576;

    // One elementary stream of the selected service.
    struct Component {
        unsigned short pid;
        CString description;
        bool selected;
        // The names of the decoder plug-ins playing it, in the manager's order.
        std::vector<CString> decoders = {};
        // One of them draws on the display.
        bool showsPictures = false;
        // Its receivers on the multiplex: a teletext PID carries several components.
        std::vector<CDVBPIDReceiver*> receivers = {};

        // The decoders' names as one text ("Video"; "Audio, Recorder" for two),
        // empty while none plays the component.
        CString GetDecoderNames() const;
    };

    // The plug-ins are taken from the manager in its order. The update handler
    // and the SI collector (either may be null) are given to every receiver.
    CKRXViewingFlow(CKRXPluginManager& plugins, CDVBStandardTSUpdateHandler* updateHandler = nullptr,
        CDVBSICollector* collector = nullptr);
    // Closes the multiplex, then the display.
    ~CKRXViewingFlow();
    CKRXViewingFlow(const CKRXViewingFlow&) = delete;
    CKRXViewingFlow& operator=(const CKRXViewingFlow&) = delete;

    // Closes the open multiplex, then opens the plug-in's definition at the
    // index (or the one given) and starts receiving it. False when there is
    // no such definition or the plug-in gives no source.
    bool OpenMultiplex(CKRXInputPlugin* plugin, int index);
    bool OpenMultiplex(CKRXInputPlugin* plugin, CDVBMultiplexDefinition* definition);
    // Has the multiplexes opened from now on read once, as fast as the
    // receiver takes them (analysing a file), where the source can.
    void SetReadOnce(bool readOnce) { m_readOnce = readOnce; }
    // The languages (ISO 639-2) of the one soundtrack and the one subtitle
    // component a service starts with; "none" starts no subtitles. They come
    // from the settings ("General"/"Audio Language", "Subtitle Language"),
    // else from the locale, until set.
    void SetAudioLanguage(const CString& language) { m_audioLanguage = language; }
    void SetSubtitleLanguage(const CString& language) { m_subtitleLanguage = language; }
    // Whether teletext subtitles for the hearing impaired come before plain
    // ones ("General"/"Hearing Impaired Subtitles", 0 or 1; off until set).
    void SetHearingImpairedSubtitles(bool wanted) { m_hearingImpaired = wanted; }
    // Stops a recording, deselects the service, stops and destroys the
    // receiver and hands the source back. False when the receiver did not
    // stop within a second (it is closed anyway).
    bool CloseMultiplex();
    CDVBTransportStreamReceiver* GetReceiver() const { return m_receiver; }
    CDVBTransportStreamSource* GetSource() const { return m_source; }

    // Deselects the current service, creates the programme clock of this one,
    // lists its components and opens the first of each description that a
    // decoder accepts, one soundtrack and one subtitle component among them:
    // those in the chosen languages where they can be played. A service whose
    // programme map has not come yet starts when it comes (see
    // StartComponentsOnceListed). The first service chosen on a file plays it
    // from its start, so that its first key picture is shown. False without
    // an open multiplex.
    bool SelectService(unsigned short programNumber);
    // Lists and starts the components of a service selected before its
    // programme map arrived, once it has; the front ends call it whenever
    // they refresh. True when it started them.
    bool StartComponentsOnceListed();
    // Closes every component and destroys the clock; the display stays open.
    // Nothing waits for what the old service still had queued.
    void DeselectService();
    bool IsServiceSelected() const { return m_clock != nullptr; }
    unsigned short GetProgramNumber() const { return m_programNumber; }
    CDVBProgramClock* GetProgramClock() const { return m_clock.get(); }
    const std::vector<Component>& GetComponents() const { return m_components; }
    // The decoders playing the service, each named once, in the order of the
    // components they play ("H.264/HEVC Video, AV Audio"); empty while none plays.
    CString GetPlayingDecoderNames() const;
    // Offers the component to every decoder plug-in; each that accepts it gets
    // a receiver of its own on the component's PID. False when the programme
    // has no such component.
    bool OpenComponent(int index);
    // Takes the component's receivers off the multiplex and hands each back to its plug-in.
    void CloseComponent(int index);
    // The keys a and s: the playing soundtrack gives way to the next playable
    // one in list order, round to the first; the subtitles likewise, with
    // "off" after the last. The index of the component now playing, -1 for
    // subtitles off or when there is nothing to change to.
    int NextSoundtrack();
    int NextSubtitles();
    // Hands each playing soundtrack whose decoder found it in another coding
    // to the decoders of that coding. The front ends call it once a second.
    void CheckSoundtrackCodings();

    // The display, opened by the first component whose decoder needs one; null until then.
    CDVBDisplay* GetDisplay() const { return m_display; }
    // The mark drawn into every picture of the display.
    CKRXLogoLayer& GetLogoLayer() { return m_logo; }
    // The on-screen panel, drawn over the mark.
    CKRXInfoPanel& GetInfoPanel() { return m_infoPanel; }
    // Opens the display when none is open, for the panel of a service
    // without pictures (radio), which no component would open it for.
    void OpenPanelDisplay();
    void CloseDisplay();
    // The user closed the video window: the components drawing on it close,
    // then the display; the next component that draws opens a new one.
    void CloseVideo();

    const GUID& GetCookie() const { return m_cookie; }

private:
    void StartReceiver(CKRXInputPlugin* plugin, CDVBTransportStreamSource* source);
    void ListComponents();
    void SelectComponentsAutomatically();
    std::vector<int> FindPlayableComponents();
    bool IsSupportedByADecoder(CDVBComponentDefinition* definition);
    // Closes the playing component of the kind and opens the next playable one.
    int NextComponent(bool (*isKind)(const CString& description), bool offAfterLast);
    // The component's definition as the decoders see it, with its own description.
    bool GetComponentDefinition(int index, CDVBComponentDefinition& definition);
    void AttachReceiver(CDVBPIDReceiver* receiver, unsigned short pid);
    // Takes the component's receivers off the multiplex and away from the
    // display; CloseReceivers then hands them back to their plug-ins.
    std::vector<CDVBPIDReceiver*> DetachComponent(int index);
    void CloseReceivers(const std::vector<CDVBPIDReceiver*>& receivers);
    bool HasProgramMap();
    void OpenDisplay();
    CKRXDecoderPlugin* GetDecoder(int index) const;

    CKRXPluginManager& m_plugins;
    CDVBStandardTSUpdateHandler* m_updateHandler;
    CDVBSICollector* m_collector;
    GUID m_cookie;

    CKRXInputPlugin* m_inputPlugin = nullptr;
    CDVBTransportStreamSource* m_source = nullptr;
    bool m_readOnce = false;
    CDVBTransportStreamReceiver* m_receiver = nullptr;

    std::unique_ptr<CDVBProgramClock> m_clock;
    unsigned short m_programNumber = 0;
    // The service was selected before its programme map came.
    bool m_awaitingProgramMap = false;
    // A service has been selected since the multiplex opened.
    bool m_serviceChosen = false;
    std::vector<Component> m_components;
    CString m_audioLanguage;
    CString m_subtitleLanguage;
    bool m_hearingImpaired = false;

    CKRXDisplayPlugin* m_displayPlugin = nullptr;
    CDVBDisplay* m_display = nullptr;
    CKRXLogoLayer m_logo;
    CKRXInfoPanel m_infoPanel;
};
