// Draws the programs' icon into a hicolor icon tree:
// <out>/<size>x<size>/apps/sonalto.png for the usual sizes.

#include <cstdio>
#include <filesystem>
#include <string>

#include <QApplication>

#include "common/ui/trayicon.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: makeicons <dossier hicolor>\n");
        return 2;
    }
    QApplication application(argc, argv);
    const std::string out = argv[1];
    for (int side : { 16, 22, 24, 32, 48, 64, 128, 256 }) {
        const std::string size = std::to_string(side) + "x" + std::to_string(side);
        const std::string dir = out + "/" + size + "/apps";
        std::filesystem::create_directories(dir);
        if (!DrawProgramIcon(side).save(QString::fromStdString(dir + "/sonalto.png"), "PNG")) {
            std::fprintf(stderr, "makeicons: impossible d'écrire %s/sonalto.png\n", dir.c_str());
            return 1;
        }
    }
    return 0;
}
