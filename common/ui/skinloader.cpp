#include "common/ui/skinloader.h"

#include <algorithm>
#include <dlfcn.h>

#include <QWidget>

#include "common/textfile.h"
#include "common/ui/sntlookabi.h"

namespace {

constexpr int kDefaultHue = 96;

// The plug-in's entry points and its started look.
struct LoadedLook {
    SntLookDestroyFn destroy = nullptr;
    SntLookColourFn colour = nullptr;
    SntLookColourReleaseFn releaseColour = nullptr;
    SntLookSetHueFn setHue = nullptr;
    SntLookApplyFn apply = nullptr;
    SntLookRemoveFn remove = nullptr;
    SntLookIsAppliedFn isApplied = nullptr;
    SntLook* look = nullptr;
};

LoadedLook g_look;
int g_hue = kDefaultHue;

template <typename Fn> bool resolve(void* library, const char* name, Fn& entry)
{
    entry = reinterpret_cast<Fn>(::dlsym(library, name));
    return entry != nullptr;
}

} // namespace

bool LoadSkin(const std::string& installDir)
{
    if (g_look.look != nullptr)
        return true;
    std::string path = installDir;
    if (!path.empty() && path.back() != '/')
        path += '/';
    path += kSkinLibraryName;
    // The file is looked for first: dlopen would search the system's
    // library folders for a bare name, never for a path.
    if (!FileExists(path))
        return false;
    void* library = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr)
        return false;
    LoadedLook loaded;
    SntLookInterfaceVersionFn version = nullptr;
    SntLookCreateFn create = nullptr;
    const bool complete = resolve(library, SNTLOOK_INTERFACE_VERSION_NAME, version)
        && resolve(library, SNTLOOK_CREATE_NAME, create)
        && resolve(library, SNTLOOK_DESTROY_NAME, loaded.destroy)
        && resolve(library, SNTLOOK_COLOUR_NAME, loaded.colour)
        && resolve(library, SNTLOOK_COLOUR_RELEASE_NAME, loaded.releaseColour)
        && resolve(library, SNTLOOK_SET_HUE_NAME, loaded.setHue)
        && resolve(library, SNTLOOK_APPLY_NAME, loaded.apply)
        && resolve(library, SNTLOOK_REMOVE_NAME, loaded.remove)
        && resolve(library, SNTLOOK_IS_APPLIED_NAME, loaded.isApplied);
    if (!complete || version() != SNTLOOK_INTERFACE_VERSION) {
        ::dlclose(library);
        return false;
    }
    loaded.look = create();
    if (loaded.look == nullptr) {
        ::dlclose(library);
        return false;
    }
    g_look = loaded;
    // The look starts with the hue the program last asked for.
    SetSkinHue(g_hue, 0);
    return true;
}

bool SkinAvailable()
{
    return g_look.look != nullptr;
}

void SetSkinHue(int hue, int second)
{
    g_hue = std::clamp(hue, 0, 360);
    if (g_look.look == nullptr)
        return;
    // The hue goes through the look's colour object, taken for the call.
    SntLookColour* colour = g_look.colour(g_look.look);
    if (colour == nullptr)
        return;
    g_look.setHue(colour, g_hue, second);
    g_look.releaseColour(colour);
}

int SkinHue()
{
    return g_hue;
}

void ApplySkin(QWidget* window)
{
    if (g_look.look != nullptr && window != nullptr)
        g_look.apply(g_look.look, window);
}

void RemoveSkin(QWidget* window)
{
    if (g_look.look != nullptr && window != nullptr)
        g_look.remove(g_look.look, window);
}

bool SkinApplied(const QWidget* window)
{
    return g_look.look != nullptr && window != nullptr
        && g_look.isApplied(g_look.look, window) != 0;
}

void ReleaseSkin()
{
    if (g_look.look == nullptr)
        return;
    g_look.destroy(g_look.look);
    g_look = LoadedLook {};
}
