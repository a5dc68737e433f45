#pragma once

#include <string>

#include <QString>

#include "common/cp1252.h"

// Station names and file texts are Windows-1252; the widgets speak UTF-16.
inline QString UiText(const std::string& cp1252Text)
{
    return QString::fromStdString(cp1252::toUtf8(cp1252Text));
}

inline std::string FileText(const QString& uiText)
{
    return cp1252::fromUtf8(uiText.toStdString());
}
