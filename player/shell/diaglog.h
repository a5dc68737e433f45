#pragma once

#include <string>

// When SONALTO_DIAG_LOG names a file, appends one line to it, written at
// once, so that another process can follow what the player received and
// handled. Nothing otherwise.
void DiagLog(const std::string& line);
