#pragma once
// The program's command line: Korrix [--input NAME] [--multiplex NAME]
// [--service S] [--av-log FILE].
#include <QString>
#include <QStringList>

struct SKRXCommandLine {
    QString input; // an input plug-in's name
    QString multiplex; // a multiplex's exact name
    QString service; // a programme number or a service's exact name
    QString avLog; // where the A/V log goes; empty: no log
};

// False with what is wrong (for the user) when the arguments (without the
// program's name) are not understood.
bool ParseCommandLine(const QStringList& arguments, SKRXCommandLine& line, QString& error);
