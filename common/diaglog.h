#pragma once

#include <string>

// The diagnostic log that every program writes to when SONALTO_DIAG_LOG
// names a file, so that another process (an end-to-end test, someone
// diagnosing) can follow what each program received, showed and did. Each
// line is appended with one write, so lines of several programs never
// interleave. Nothing is written when the variable is unset or empty.
//
// A program that shares the log with the player sets its tag once, before
// it starts any thread: its lines then read "tag: " + line, with each line
// feed of line written as the two characters backslash and n. The player
// sets none and writes its lines as they are.
void SetDiagLogTag(const char* tag);

// Appends one line, as described above.
void DiagLog(const std::string& line);
