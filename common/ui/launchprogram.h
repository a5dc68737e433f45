#pragma once

#include <string>

#include <QStringList>

// Starts installDir + program (one of the names of common/installdir.h),
// detached, with the installation directory as its working directory, as
// every program starts a sibling or the recorder: relative names on its
// command line are then found there. False when it could not be started.
bool LaunchProgram(
    const std::string& installDir, const std::string& program, const QStringList& arguments = {});
