#pragma once
// The program's settings, kept by QSettings("Hollowmere", "Korrix") in the
// INI file the core's CProfileSettings also reads.
#include "plugin/KRXDeinterlace.h"

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

    // "General"/"Record Path"; $HOME/recording.ts until one is saved.
    static QString GetRecordPath();
    static LastViewed GetLastViewed();
    // Writes the record path and what was watched, and makes sure the display
    // finds its overlay colour ("Video"/"OverlayColour"). False when the file
    // could not be written whole (the old one then stays as it was).
    static bool Save(const QString& recordPath, const LastViewed& viewed);
    // "Video"/"Deinterlace": auto, off, bwdif or yadif; auto when unset or unknown.
    static CKRXDeinterlace::Mode GetDeinterlace();
    static void SetDeinterlace(CKRXDeinterlace::Mode mode);
};
