#pragma once
// A transport-stream file opened through the File plug-in (with a definition
// made on the fly), or a multiplex of any input plug-in, received through the program's viewing flow, which
// closes it in the program's order: components, service, receiver, multiplex,
// then the display. The commands that play a file share it.
#include "platform/CString.h"

#include <functional>
#include <memory>

class CDVBMultiplexDefinition;
class CDVBSICollector;
class CDVBStandardTSUpdateHandler;
class CDVBTransportStreamReceiver;
class CDVBTransportStreamSource;
class CEvent;
class CKRXLoadedPlugins;
class CKRXInputPlugin;
class CKRXPluginManager;
class CKRXViewingFlow;

class CKRXFileMultiplexSession
{
public:
    // The File plug-in is taken from the plug-ins loaded for the command.
    explicit CKRXFileMultiplexSession(const CKRXLoadedPlugins& plugins);
    ~CKRXFileMultiplexSession();
    CKRXFileMultiplexSession(const CKRXFileMultiplexSession&) = delete;
    CKRXFileMultiplexSession& operator=(const CKRXFileMultiplexSession&) = delete;

    // Opens the file as a multiplex and makes sure it holds transport packets;
    // false with a one-line reason the user can act on (the File plug-in
    // missing among them).
    bool Open(const CString& path, CString& error);
    // Opens a stream's URL through the Network plug-in (with a definition made
    // on the fly); false with the reason when the plug-in is missing or cannot
    // receive it.
    bool OpenURL(const CString& url, CString& error);
    // Opens the multiplex of that name of any input plug-in instead; false
    // with the reason when either is unknown.
    bool OpenDefinition(const CString& input, const CString& multiplex, CString& error);
    // Has the file read once, as fast as the receiver takes it, instead of at
    // its broadcast pace; asked before StartReceiver.
    void ReadOnceUnpaced() { m_readOnce = true; }
    // True once the file has been read once and the receiver has processed all of it.
    bool HasReadWholeFile() const;
    // Opens the multiplex in a viewing flow and starts receiving it (the
    // handler and the collector may be null).
    void StartReceiver(CDVBStandardTSUpdateHandler* handler = nullptr, CDVBSICollector* collector = nullptr);
    // Closes everything the flow opened, the display last. False when the
    // receiver did not stop within a second (it is closed anyway).
    bool Close();

    // Null before StartReceiver and after Close.
    CKRXViewingFlow* GetFlow() const { return m_flow.get(); }
    CDVBTransportStreamReceiver* GetReceiver() const;
    CDVBTransportStreamSource* GetSource() const;
    // The program's status text, the packets received and the seconds since start.
    CString GetStatusLine() const;
    // Whether the receiver found service information: a service, or a whole
    // (if empty) programme association. The commands that read it judge by this alike.
    bool HasFoundServiceInformation() const;
    // Where it was looked for: "in the file", or "in N seconds" when the time ran out first.
    CString DescribeSearch(int seconds) const;

    // Calls everySecond once a second until the given number of seconds has
    // passed (0: no limit), the interrupted event is set or, when given,
    // finished (asked every finishedPollMs) says so.
    static void RunFor(int seconds, CEvent* interrupted, const std::function<void()>& everySecond,
        const std::function<bool()>& finished = nullptr, uint32_t finishedPollMs = 10);

private:
    const CKRXLoadedPlugins& m_plugins;
    CKRXPluginManager* m_manager;
    CKRXInputPlugin* m_plugin;
    CString m_pluginFolder;
    std::unique_ptr<CDVBMultiplexDefinition> m_definition;
    std::unique_ptr<CKRXViewingFlow> m_flow;
    bool m_readOnce = false;
};
