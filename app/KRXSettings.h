#pragma once
// The program's settings, kept by QSettings("Hollowmere", "Korrix") in the
// INI file the core's CProfileSettings also reads.
#include "plugin/KRXDeinterlace.h"
#include <QByteArray>
#include <QString>

class CKRXSettings
{
public:
    // What was being watched when the program last closed, reopened at the next start.
    struct LastViewed {
        QString input;
        QString multiplex;
        QString service; // the programme number
    };

    // How loud the sound is heard ("Sound"/"Volume", "Muted"): full and not muted until saved.
    struct Sound {
        int volume;
        bool muted;
    };

    // "General"/"Record Path"; $HOME/recording.ts until one is saved.
    static QString GetRecordPath();
    static LastViewed GetLastViewed();
    // "General"/"Record With Date": put the date and time into each
    // recording's name (the default), rather than asking before replacing a file.
    static bool GetRecordWithDate();
    static Sound GetSound();
    // "Window"/"Main": where the main window was and how large; empty until saved.
    static QByteArray GetMainWindowGeometry();
    // Writes the record path, what was watched, the sound's level and the window's place. False
    // when the file could not be written whole (the old one then stays as it was).
    static bool Save(
        const QString& recordPath, const LastViewed& viewed, const Sound& sound, const QByteArray& mainWindowGeometry);
    // "Video"/"Deinterlace": auto, off, bwdif or yadif; auto when unset or unknown.
    static CKRXDeinterlace::Mode GetDeinterlace();
    static void SetDeinterlace(CKRXDeinterlace::Mode mode);
    // "View"/"Show Hidden Services": list the services the broadcaster hides; off when unset.
    static bool GetShowHiddenServices();
    static void SetShowHiddenServices(bool show);
};
