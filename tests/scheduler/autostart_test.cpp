#include "autostart.h"

#include <string>

#include <gtest/gtest.h>

// The autostart entry of an installation whose path holds the characters
// that a desktop entry escapes: the session must start exactly this path.
TEST(Autostart, entryEscapesThePathForExecAndPath)
{
    const std::string entry = AutostartEntry("/opt/Mes 100% radios\\x/");
    // Exec: quoted, '\' escaped inside the quotes and again as a string
    // value, '%' doubled so that it is no field code.
    EXPECT_NE(entry.find("\nExec=\"/opt/Mes 100%% radios\\\\\\\\x/SntScheduler\" -quiet\n"),
        std::string::npos)
        << entry;
    EXPECT_NE(entry.find("\nPath=/opt/Mes 100% radios\\\\x/\n"), std::string::npos) << entry;
    // The icon is the program's image, not the program.
    EXPECT_NE(entry.find("\nIcon=sonalto\n"), std::string::npos) << entry;
}
