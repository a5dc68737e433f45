#include "updaterskin.h"

#include "common/ui/skinloader.h"

bool StartUpdaterSkin(const std::string& programDir, int hue)
{
    if (!LoadSkin(programDir))
        return false;
    SetSkinHue(hue, 1);
    return true;
}

void SkinWindow(QWidget* window)
{
    if (SkinAvailable())
        ApplySkin(window);
}

void StopUpdaterSkin()
{
    ReleaseSkin();
}
