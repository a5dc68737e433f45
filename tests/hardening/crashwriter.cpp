// Writes one of the player's files over and over until it is killed, the
// way the player writes it: "rebuild" rewrites the index after renaming a
// station, "index" adds or removes a station, "settings" saves the settings
// with the other of two window positions. The killing test checks that
// whatever moment the kill lands on, each file is whole, old or new.

#include <string>

#include <unistd.h>

#include "common/rebuild.h"
#include "common/settings.h"
#include "common/stationindex.h"
#include "common/textfile.h"
#include "crashwrites.h"

int main(int argc, char** argv)
{
    if (argc != 3)
        return 2;
    const std::string mode = argv[1];
    const std::string dir = argv[2]; // ends with '/'
    // The killer's clock starts now, not at exec: a slow start (a sanitizer
    // runtime mapping its memory) must not eat the delay.
    if (::write(STDOUT_FILENO, "r", 1) != 1)
        return 1;
    // Each round flips the file from whatever state it is in, so that every
    // run, however soon it is killed, changes something.
    for (;;) {
        if (mode == "rebuild") {
            // The station's name flips at each round, from whatever it is.
            const bool wasA = ReadTextFile(dir + crashwrites::kRenamedPage)
                == crashwrites::Page(crashwrites::kTitleA);
            if (!WriteTextFile(dir + crashwrites::kRenamedPage,
                    crashwrites::Page(wasA ? crashwrites::kTitleB : crashwrites::kTitleA))
                || !RebuildIndex(dir))
                return 1;
        } else if (mode == "index") {
            // Added with its page, removed with it, as the personal list does;
            // a run killed after adding removes first.
            const bool present
                = FindStationLine(ReadTextFile(IndexPath(dir)), crashwrites::kAddedStation).found;
            const bool ok = !present
                ? WriteTextFile(
                      dir + crashwrites::kAddedPage, crashwrites::Page(crashwrites::kAddedStation))
                    && InsertStation(IndexPath(dir), crashwrites::kAddedStation)
                : RemoveStation(IndexPath(dir), crashwrites::kAddedStation).removed;
            if (!ok)
                return 1;
        } else if (mode == "settings") {
            Settings settings;
            ApplyDefaultSettings(settings, dir, ScreenSize { 1920, 1080 });
            Settings stored = settings;
            LoadSettings(stored, dir, kSettingsFileName, ScreenSize { 1920, 1080 });
            settings.positionX = stored.positionX == crashwrites::kPositionA
                ? crashwrites::kPositionB
                : crashwrites::kPositionA;
            if (!SaveSettings(settings, dir, kSettingsFileName, ""))
                return 1;
        } else {
            return 2;
        }
    }
}
