#pragma once
// A transport-stream file opened through the File plug-in (with a definition
// made on the fly) and a transport stream receiver running on it, closed in
// the program's order: stop, wait, de-initialise, delete, close the multiplex.
// The commands that play a file share it.
#include "platform/CString.h"

#include <functional>

class CDVBSICollector;
class CDVBTransportStreamReceiver;
class CDVBTransportStreamSource;
class CDVBTransportStreamUpdateHandler;
class CEvent;
class CKRXCliPlugins;
class CKRXInputPlugin;

class CKRXFileMultiplexSession
{
public:
    // The File plug-in is taken from the plug-ins loaded for the command.
    explicit CKRXFileMultiplexSession(const CKRXCliPlugins& plugins);
    ~CKRXFileMultiplexSession() { Close(); }
    CKRXFileMultiplexSession(const CKRXFileMultiplexSession&) = delete;
    CKRXFileMultiplexSession& operator=(const CKRXFileMultiplexSession&) = delete;

    // Opens the file as a multiplex and makes sure it holds transport packets;
    // false with a one-line reason the user can act on (the File plug-in
    // missing among them).
    bool Open(const CString& path, CString& error);
    // Has the file read once, as fast as the receiver takes it, instead of at
    // its broadcast pace; asked before StartReceiver.
    void ReadOnceUnpaced();
    // True once the file has been read once and the receiver has processed all of it.
    bool HasReadWholeFile() const;
    // Builds the receiver on the open multiplex (the handler and the collector
    // may be null), initialises and starts it.
    void StartReceiver(CDVBTransportStreamUpdateHandler* handler = nullptr, CDVBSICollector* collector = nullptr);
    // False when the receiver did not stop within a second (it is closed anyway).
    bool Close();

    CDVBTransportStreamReceiver* GetReceiver() const { return m_receiver; }
    CDVBTransportStreamSource* GetSource() const { return m_source; }
    // The program's status text, the packets received and the seconds since start.
    CString GetStatusLine() const;

    // Calls everySecond once a second until the given number of seconds has
    // passed (0: no limit), the interrupted event is set or, when given,
    // finished (asked every few milliseconds) says so.
    static void RunFor(int seconds, CEvent* interrupted, const std::function<void()>& everySecond,
        const std::function<bool()>& finished = nullptr);

private:
    CKRXInputPlugin* m_plugin;
    CString m_pluginFolder;
    CDVBTransportStreamSource* m_source = nullptr;
    CDVBTransportStreamReceiver* m_receiver = nullptr;
};
