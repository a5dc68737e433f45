#pragma once

#include <filesystem>
#include <string>
#include <system_error>

#include "common/textfile.h"

namespace testsupport {

// The pages every player window loads from its HTML directory html (ends
// with '/'): the frame page of the normal layout (the index "haut.htm" over
// the "live" frame with the welcome page), the one of the mini layout, and
// the welcome and black pages. The folder is made if missing; haut.htm is
// the caller's. False when a page could not be written.
inline bool WriteFramePages(const std::string& html)
{
    std::error_code error;
    std::filesystem::create_directories(html, error);
    return WriteTextFile(html + "index.htm",
               "<html><frameset rows=\"40,*\"><frame name=\"haut\" src=\"haut.htm\">"
               "<frame name=\"live\" src=\"bienvenue.htm\"></frameset></html>")
        && WriteTextFile(html + "indexmini.htm",
            "<html><frameset rows=\"*,0\"><frame name=\"main\" src=\"haut.htm\">"
            "<frame name=\"live\" src=\"black.htm\"></frameset></html>")
        && WriteTextFile(html + "bienvenue.htm", "<html><body>Bienvenue</body></html>")
        && WriteTextFile(html + "black.htm", "<html><body></body></html>");
}

} // namespace testsupport
