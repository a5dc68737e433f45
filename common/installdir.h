#pragma once

#include <string>

// File names of the programs installed side by side in the installation
// directory. Executables carry no suffix on this platform.
inline constexpr const char* kPlayerProgram = "Sonalto";
inline constexpr const char* kUpdaterProgram = "SntUpdate";
inline constexpr const char* kSchedulerProgram = "SntScheduler";
inline constexpr const char* kRecorderProgram = "HarddiskOgg/harddisk";

// Makes the directory of the running executable the current directory, so
// that the installation directory is the same however the program was
// started, and returns it with a trailing '/'.
std::string EnterInstallationDirectory();

// The current directory with a trailing '/'.
std::string CurrentDirectory();
