#pragma once

#include <string>

// The base of a page file name made from a station name (Windows-1252). The
// web view asks for pages by their address, so the name keeps only what an
// address and a file name carry alike: ASCII letters and digits and a few
// marks; accented letters lose their accents, ligatures are spelled out,
// anything else becomes '_', and a leading '.' too (no hidden file).
std::string AsciiPageBase(const std::string& name);
