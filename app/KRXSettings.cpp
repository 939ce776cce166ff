#include "KRXSettings.h"

#include <QDir>
#include <QSettings>

namespace {
// The colour the display plug-in keys its picture with when none is set;
// written so that the user finds the key to change.
constexpr unsigned DefaultOverlayColour = 0x202020;
const char* const Organisation = "Hollowmere";
const char* const Application = "Korrix";
} // namespace

QString CKRXSettings::GetRecordPath()
{
    const QSettings settings(Organisation, Application);
    return settings.value("General/Record Path", QDir::homePath() + "/recording.ts").toString();
}

CKRXSettings::LastViewed CKRXSettings::GetLastViewed()
{
    const QSettings settings(Organisation, Application);
    return { settings.value("General/Last Input").toString(), settings.value("General/Last Multiplex").toString(),
        settings.value("General/Last Service").toString() };
}

bool CKRXSettings::Save(const QString& recordPath, const LastViewed& viewed)
{
    QSettings settings(Organisation, Application);
    settings.setValue("General/Record Path", recordPath);
    settings.setValue("General/Last Input", viewed.input);
    settings.setValue("General/Last Multiplex", viewed.multiplex);
    settings.setValue("General/Last Service", viewed.service);
    // As the display reads it: a number, a colour's 32 bits.
    if (!settings.contains("Video/OverlayColour"))
        settings.setValue("Video/OverlayColour", QString("0x%1").arg(DefaultOverlayColour, 6, 16, QChar('0')));
    settings.sync();
    return settings.status() == QSettings::NoError;
}

CKRXDeinterlace::Mode CKRXSettings::GetDeinterlace()
{
    const QSettings settings(Organisation, Application);
    CKRXDeinterlace::Mode mode = CKRXDeinterlace::Auto;
    CKRXDeinterlace::Parse(settings.value("Video/Deinterlace").toString().toStdString(), mode);
    return mode;
}

void CKRXSettings::SetDeinterlace(CKRXDeinterlace::Mode mode)
{
    QSettings(Organisation, Application).setValue("Video/Deinterlace", CKRXDeinterlace::GetName(mode));
}
