#pragma once

#include <optional>
#include <string>
#include <string_view>

// The base of a page file name made from a station name (Windows-1252). The
// web view asks for pages by their address, so the name keeps only what an
// address and a file name carry alike: ASCII letters and digits and a few
// marks; accented letters lose their accents, ligatures are spelled out,
// anything else becomes '_', and a leading '.' too (no hidden file).
std::string AsciiPageBase(const std::string& name);

// File names cross between two spellings: inside the files (the index, the
// pages, the settings) they are Windows-1252 text, as every byte there is;
// on disk they are UTF-8, as the desktop, the file manager and the web view
// spell them (a page's "logo/Caf\xE9.jpg" is asked for as "logo/Café.jpg").
// Every name read from a file is turned into its disk name before a file is
// opened, and every name read from the disk into its text before it is
// written into a file.

// The name on disk of a file named in a file's text.
std::string FileNameOnDisk(std::string_view textName);

// The name to write into a file for a name read from the disk; nullopt when
// the name is not UTF-8 or holds characters that Windows-1252 cannot carry,
// since no page or index could then name that file again.
std::optional<std::string> FileNameInText(std::string_view diskName);

// The file name the editor gives a chosen logo inside "logo/": the picture's
// own name in plain ASCII (as AsciiPageBase makes it, extension included and
// lower-cased), so that it goes into a page's address unchanged.
std::string AsciiLogoName(const std::string& textName);
