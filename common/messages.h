#pragma once

#include <cstdint>

// The window messages the programs exchange through the messenger, with the
// numbers the programs have always used, and the address (class and title)
// of every window that one program finds or commands in another.

inline constexpr std::uint32_t WM_ACTIVATE = 0x0006; // give focus, activate, bring to front
inline constexpr std::uint32_t WM_CLOSE = 0x0010;
inline constexpr std::uint32_t WM_COPYDATA = 0x004A; // {dwData, payload}
inline constexpr std::uint32_t WM_NOTIFY = 0x004E; // wParam = control id, lParam = item
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

// The running scheduler, and the commands it takes: its about box
// (WM_COMMAND or WM_SYSCOMMAND) and "Quitter" (WM_COMMAND).
inline constexpr const char* kSchedulerWindowClass = "SntSchedulerClass";
inline constexpr const char* kSchedulerWindowTitle = "SntScheduler";
inline constexpr std::uint64_t kSchedulerAboutCommand = 16;
inline constexpr std::uint64_t kSchedulerQuitCommand = 32811;

// The updater's whole run, from its start on, so that a second start finds
// it before its dialog shows.
inline constexpr const char* kUpdaterRunClass = "SntUpdate";
inline constexpr const char* kUpdaterRunTitle = "Snt Update";

// The updater's dialogs are found as the platform's dialogs have always
// been: the dialog class with the window's title. The update dialog's title
// is also the text it shows (UTF-8); while it is there the player holds
// back its self-update.
inline constexpr const char* kDialogWindowClass = "#32770";
inline constexpr const char* kUpdaterDialogTitle = "Mise à jour Sonalto";

// The update dialog's controls and commands: WM_COMMAND with its main
// button or its cancel button, WM_NOTIFY with the tree and the item (0 or
// 1) whose check box is clicked, WM_SYSCOMMAND with its about box.
namespace updatedialog {
inline constexpr std::uint64_t kTree = 1080;
inline constexpr std::uint64_t kMainButton = 1078;
inline constexpr std::uint64_t kCancelButton = 2;
inline constexpr std::uint64_t kAboutCommand = 0x0010;
} // namespace updatedialog

// The buttons that a WM_COMMAND sent to one of the updater's message boxes
// presses.
inline constexpr std::uint64_t kIdOk = 1;
inline constexpr std::uint64_t kIdCancel = 2;
inline constexpr std::uint64_t kIdYes = 6;
inline constexpr std::uint64_t kIdNo = 7;

// The running recorder; WM_CLOSE makes it end its file and leave.
inline constexpr const char* kRecorderWindowClass = "HarddiskOgg";
inline constexpr const char* kRecorderWindowTitle = "harddisk";
// Recordings split by song: the player tells the recorder, as copy data
// with the title in UTF-8, the title already playing when the recording
// began, then each new one.
inline constexpr std::uint64_t kRecorderStartTitle = 0x8050;
inline constexpr std::uint64_t kRecorderNewTitle = 0x8051;
