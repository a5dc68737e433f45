#pragma once

#include <string>

#include <QString>

// The one boundary between the programs' bytes and the widgets' UTF-16.
// Three kinds of bytes cross it:
// - the French texts of the string tables, UTF-8 in the source;
// - the texts of the files (station names, settings, feeds), Windows-1252;
// - names in the file system, as the system holds them.

// A text of a string table.
QString Utf8Text(const char* utf8);

// A Windows-1252 text of the files for the widgets, and back. Characters
// without a Windows-1252 form become '?'.
QString UiText(const std::string& cp1252Text);
std::string FileText(const QString& uiText);

// A path or file name for the widgets and Qt's file classes, and back.
QString PathText(const std::string& path);
std::string PathBytes(const QString& path);
