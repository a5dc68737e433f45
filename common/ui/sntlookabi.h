#pragma once

// The look plug-in's entry points, as the programs find them with dlsym. The
// programs own this interface (skinloader.cpp uses it); the plug-in in skin/
// implements it.
// Plain C names so that the plug-in and the programs agree on them without
// sharing anything else. A window crosses as the QWidget* it is: the
// plug-in and the programs use the same Qt libraries.
//
// A look is started once and lives until it is destroyed. Its colour object
// carries the hue; setting the hue repaints every window the look was
// applied to.

#ifdef __cplusplus
extern "C" {
#endif

// Raised whenever an entry point changes meaning.
#define SNTLOOK_INTERFACE_VERSION 1

typedef struct SntLook SntLook;
typedef struct SntLookColour SntLookColour;

// SNTLOOK_INTERFACE_VERSION of the plug-in.
typedef int (*SntLookInterfaceVersionFn)(void);
// A started look, or null when it cannot start (no widget application).
typedef SntLook* (*SntLookCreateFn)(void);
// Stops the look. Windows still carrying it keep their look.
typedef void (*SntLookDestroyFn)(SntLook* look);
// The look's colour object, to be given back with the release function.
typedef SntLookColour* (*SntLookColourFn)(SntLook* look);
typedef void (*SntLookColourReleaseFn)(SntLookColour* colour);
// Hue 0 to 360 (brought into range). A non-zero second argument repaints the
// windows that carry the look at once; zero keeps the hue for the windows
// the look is applied to next.
typedef void (*SntLookSetHueFn)(SntLookColour* colour, int hue, int repaint);
// Gives a window (and its children) the look, or takes it away again,
// restoring what the window had before.
typedef void (*SntLookApplyFn)(SntLook* look, void* widget);
typedef void (*SntLookRemoveFn)(SntLook* look, void* widget);
// Non-zero while the window carries the look.
typedef int (*SntLookIsAppliedFn)(SntLook* look, const void* widget);

#define SNTLOOK_INTERFACE_VERSION_NAME "sntlook_interface_version"
#define SNTLOOK_CREATE_NAME "sntlook_create"
#define SNTLOOK_DESTROY_NAME "sntlook_destroy"
#define SNTLOOK_COLOUR_NAME "sntlook_colour"
#define SNTLOOK_COLOUR_RELEASE_NAME "sntlook_colour_release"
#define SNTLOOK_SET_HUE_NAME "sntlook_colour_set_hue"
#define SNTLOOK_APPLY_NAME "sntlook_apply"
#define SNTLOOK_REMOVE_NAME "sntlook_remove"
#define SNTLOOK_IS_APPLIED_NAME "sntlook_is_applied"

#ifdef __cplusplus
}
#endif
