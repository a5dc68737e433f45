#include "common/ui/uitext.h"

#include <QByteArray>
#include <QFile>

#include "common/cp1252.h"

QString Utf8Text(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

QString UiText(const std::string& cp1252Text)
{
    return QString::fromStdString(cp1252::toUtf8(cp1252Text));
}

std::string FileText(const QString& uiText)
{
    return cp1252::fromUtf8(uiText.toStdString());
}

QString PathText(const std::string& path)
{
    return QFile::decodeName(QByteArray::fromStdString(path));
}

std::string PathBytes(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}
