#pragma once

#include <cstdint>

// The window messages the three programs exchange through the messenger, with
// the numbers the programs have always used, and the address of the player.

inline constexpr std::uint32_t WM_ACTIVATE = 0x0006; // give focus, activate, bring to front
inline constexpr std::uint32_t WM_COPYDATA = 0x004A; // {dwData, payload}
inline constexpr std::uint32_t WM_COMMAND = 0x0111; // wParam = command id
inline constexpr std::uint32_t WM_SYSCOMMAND = 0x0112; // wParam = system command id

// wParam of WM_ACTIVATE: activated by something else than a click.
inline constexpr std::uint64_t WA_ACTIVE = 1;

// System commands of the window frame.
inline constexpr std::uint32_t SC_MINIMIZE = 0xF020;
inline constexpr std::uint32_t SC_MAXIMIZE = 0xF030;
inline constexpr std::uint32_t SC_CLOSE = 0xF060;

// The running player is the window of this class with this title.
inline constexpr const char* kPlayerWindowClass = "SntClass";
inline constexpr const char* kPlayerWindowTitle = "Sonalto";
