// The words both shells show the user, written once: the warnings, the About
// box, the titles and the options window's buttons. Spanish without accents
// where the original program spoke Spanish (its boxes use the ANSI code
// page), English where the Linux edition shows English. The tests find boxes
// and windows by these words, and the manuals quote them: each is kept byte
// for byte.
//
// The tray menu's items are in tray_menu.cpp and the gesture check's captions
// in gesture_prompt.cpp, beside the rules that choose them.
#pragma once

#include "quil_version.h"

namespace quil {

// The warnings: a start-up without a camera (also the camera tool's), a
// camera that cannot give 640 x 480 pictures, and the box's caption.
inline constexpr char kWarningCaption[] = "Advertencia";
inline constexpr char kNoCameraText[] = "La camara no esta conectada";
inline constexpr char kNoFormatText[] = "La camara no soporta 640x480";

// The About box; its second line also names the release.
inline constexpr char kAboutCaption[] = "Quilbrand 2";
inline constexpr char kAboutText[] =
    "Quilbrand team, 2007\nhttps://quilbrand.example.org/ - version " QUIL_VERSION;

// The camera view's title (Linux also gives it to the tray icon's tip).
inline constexpr char kMainTitle[] = "Quilbrand2";
// The options window's title, and its three buttons' words, which a window
// whose picture is missing draws in their frames (left to right).
inline constexpr char kOptionsTitle[] = "MOPTIONS";
inline constexpr const char* kOptionButtonWords[] = {"OK", "CANCEL", "EXIT"};

// The corner view's notices: the head's modes, and a click that the window
// under the pointer would ignore.
inline constexpr char kPausedNotice[] = "En pausa";
inline constexpr char kScrollingNotice[] = "Desplazando";
inline constexpr char kRefusedWindowNotice[] = "Ventana de administrador: no se puede pulsar";

// The on-screen keyboard's keys for the scroll mode and the pause.
inline constexpr char kScrollKeyText[] = "Desplazar";
inline constexpr char kPauseKeyText[] = "Pausa";

// The manual the tray's "Manual" item opens, in the program's folder.
inline constexpr char kManualFile[] = "manual.pdf";

// The pointing test's window: its title, the line over the targets, the
// results' heading and figures, and the button that closes it.
inline constexpr char kPointingTitle[] = "Quilbrand pointing test";
inline constexpr char kPointingHint[] =
    "Click the lit circle. Shake your head or press Escape to leave.";
inline constexpr char kPointingResultsHeading[] = "Pointing test";
inline constexpr char kPointingThroughput[] = "Throughput: %.2f bits/s";
inline constexpr char kPointingMovementTime[] = "Movement time: %.0f ms";
inline constexpr char kPointingErrorRate[] = "Error rate: %.1f %%";
inline constexpr char kPointingTableHeading[] =
    "Distance   Width   Effective width   Effective index   Throughput";
inline constexpr char kPointingTableRow[] =
    "%5.0f px   %4.0f px   %9.1f px   %9.2f bits   %6.2f bits/s";
inline constexpr char kPointingClose[] = "Close";

}  // namespace quil
