#include "KRXCommandLine.h"

#include <map>

bool ParseCommandLine(const QStringList& arguments, SKRXCommandLine& line, QString& error)
{
    const std::map<QString, QString*> options {
        { "--input", &line.input },
        { "--multiplex", &line.multiplex },
        { "--service", &line.service },
        { "--av-log", &line.avLog },
    };
    for (qsizetype index = 0; index < arguments.size(); ++index) {
        const auto option = options.find(arguments[index]);
        if (option == options.end()) {
            error = QString("'%1' is not an option of Korrix").arg(arguments[index]);
            return false;
        }
        if (index + 1 >= arguments.size() || arguments[index + 1].isEmpty()) {
            error = QString("'%1' needs a value").arg(arguments[index]);
            return false;
        }
        *option->second = arguments[++index];
    }
    return true;
}
