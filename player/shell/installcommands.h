#pragma once

#include <string>
#include <vector>

class WindowPrompt;
struct Settings;

// The main window's steps that act on the installation and its HTML
// directory rather than on the window.

// Settles the HTML directory on one that holds the frame page: the stored
// one, else the installation's "html/", else one the listener chooses (kept
// with a trailing '/'). False when the listener cancels, or chooses one
// without the frame page.
bool SettleHtmlDirectory(Settings& settings, const std::string& installDir, WindowPrompt& prompt);

// Tells the listener that the index was rebuilt, naming the pages whose
// names the index cannot carry in the same box.
void ReportRebuild(WindowPrompt& prompt, const std::vector<std::string>& unnamedPages);

// Starts the scheduler; one that is not installed simply does not start.
void LaunchScheduler(const std::string& installDir);

// Opens the help pages of the HTML directory in the desktop's browser.
void OpenHelpPages(const std::string& htmlDir);
