#pragma once

#include <QByteArray>
#include <QProcessEnvironment>

// Which Qt platform plug-in the program asks for. A Wayland client can neither place its own window
// (the caption drag with edge snapping) nor keep it above the others, so in a Wayland session the
// program runs through XWayland, unless the user chose a platform with QT_QPA_PLATFORM.
namespace PlatformChoice {

// The QT_QPA_PLATFORM value to set for that environment; empty to leave the choice to Qt. The value
// names Wayland as the fall-back, so that a session without XWayland still gets a window.
QByteArray PlatformFor(const QProcessEnvironment& environment);

// Applies PlatformFor to this process; must run before the application object exists.
void Apply();

} // namespace PlatformChoice
