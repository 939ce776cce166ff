// Korrix: watches and records digital television.
#include "KRXApp.h"
#include "KRXMainDialog.h"
#include "KRXSignalCloser.h"

#include "platform/EndingSignals.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    // A full disc or a size limit is then told as a failed write, never a sudden end.
    IgnoreWriteSignals();
    QApplication application(argc, argv);
    QApplication::setApplicationName("Korrix");
    QApplication::setOrganizationName("Hollowmere");
    SKRXCommandLine line;
    QString error;
    if (!ParseCommandLine(application.arguments().mid(1), line, error)) {
        std::fprintf(stderr,
            "Korrix: %s\nUsage: Korrix [--input NAME] [--multiplex NAME] [--service S] [--av-log FILE]\n",
            qPrintable(error));
        return 2;
    }
    CKRXApp korrix(line);
    if (!korrix.Start(error)) {
        std::fprintf(stderr, "Korrix: %s\n", qPrintable(error));
        return 1;
    }
    CKRXSignalCloser closer(korrix.GetMainDialog());
    return application.exec();
}
