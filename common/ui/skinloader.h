#pragma once

#include <string>

class QWidget;

// The optional look plug-in: a shared library installed beside the programs
// (kSkinLibraryName) and loaded at run time. When it is there, a window can
// be given its tinted look, built from one hue, and have it taken away again.
// When it is absent or broken the programs keep their plain look.
//
// Every function here is safe to call whether the plug-in is loaded or not:
// without it SetSkinHue, ApplySkin and RemoveSkin do nothing.

// File name of the plug-in in the installation directory.
inline constexpr const char* kSkinLibraryName = "libsntlook.so";

// The message shown when the look cannot be started where the listener asked
// for it (UTF-8). The player shows it titled kSkinFailureTitlePlayer, the
// scheduler titled kSkinFailureTitleScheduler, both with the exclamation icon.
inline constexpr const char* kSkinFailureText = "Impossible d'initaliser le control Active Skin.\n"
                                                "Verifiez qu'il est correctement installé.\n"
                                                "Sonalto utilisera l'interface de base.";
inline constexpr const char* kSkinFailureTitlePlayer = "Error";
inline constexpr const char* kSkinFailureTitleScheduler = "Erreur";

// Loads the plug-in from installDir (with or without a trailing "/") and
// starts it. True when it is ready; false when the file is absent, is not a
// plug-in of this kind, or refuses to start. Calling it again once loaded
// returns true without loading anything.
bool LoadSkin(const std::string& installDir);

// True while the plug-in is loaded and started.
bool SkinAvailable();

// Sets the hue of the look (0 to 360; other values are brought into range)
// with the second argument as given by the caller (1 everywhere today).
// Windows already skinned take the new hue at once.
void SetSkinHue(int hue, int second);

// The hue last set (96, the settings' default, until SetSkinHue is called).
int SkinHue();

// Gives the window and its children the look of the current hue.
void ApplySkin(QWidget* window);

// Takes the look away again: the window gets back the palette, style sheet
// and style it had before ApplySkin.
void RemoveSkin(QWidget* window);

// True when the window currently carries the look.
bool SkinApplied(const QWidget* window);

// Stops the plug-in (the program's exit step). Windows still skinned keep
// their look until they are destroyed. The library stays mapped: the look's
// style sheets may still be in use. LoadSkin starts it again.
void ReleaseSkin();
