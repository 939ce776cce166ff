#include "KRXSettings.h"

#include <QDir>
#include <QSettings>

namespace {
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

bool CKRXSettings::GetRecordWithDate()
{
    const QSettings settings(Organisation, Application);
    return settings.value("General/Record With Date", true).toBool();
}

CKRXSettings::Sound CKRXSettings::GetSound()
{
    const QSettings settings(Organisation, Application);
    return { settings.value("Sound/Volume", 100).toInt(), settings.value("Sound/Muted", false).toBool() };
}

QByteArray CKRXSettings::GetMainWindowGeometry()
{
    const QSettings settings(Organisation, Application);
    return settings.value("Window/Main").toByteArray();
}

bool CKRXSettings::Save(
    const QString& recordPath, const LastViewed& viewed, const Sound& sound, const QByteArray& mainWindowGeometry)
{
    QSettings settings(Organisation, Application);
    settings.setValue("Window/Main", mainWindowGeometry);
    settings.setValue("Sound/Volume", sound.volume);
    settings.setValue("Sound/Muted", sound.muted);
    settings.setValue("General/Record Path", recordPath);
    settings.setValue("General/Last Input", viewed.input);
    settings.setValue("General/Last Multiplex", viewed.multiplex);
    settings.setValue("General/Last Service", viewed.service);
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

bool CKRXSettings::GetShowHiddenServices()
{
    return QSettings(Organisation, Application).value("View/Show Hidden Services", false).toBool();
}

void CKRXSettings::SetShowHiddenServices(bool show)
{
    QSettings(Organisation, Application).setValue("View/Show Hidden Services", show);
}
