#pragma once
// The core's texts are UTF-8 in std::string; the widgets' are QString.
#include "platform/CString.h"

#include <QString>

inline QString ToQString(const CString& text)
{
    return QString::fromStdString(text);
}

inline CString ToCString(const QString& text)
{
    return text.toStdString();
}
