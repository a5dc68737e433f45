#pragma once

#include <string>

// Appends "updater: " + line to the file named by SONALTO_DIAG_LOG, when it
// is set: what the updater showed and did, for diagnosis and for the
// end-to-end tests. Line breaks in line are written as "\n".
void UpdaterLog(const std::string& line);
