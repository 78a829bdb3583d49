#include "app/PlatformChoice.h"

#include <gtest/gtest.h>

namespace {

QProcessEnvironment Environment(std::initializer_list<std::pair<const char*, const char*>> values) {
    QProcessEnvironment environment;
    for (const auto& [name, value] : values)
        environment.insert(QString::fromLatin1(name), QString::fromLatin1(value));
    return environment;
}

TEST(PlatformChoice, WaylandSessionsRunThroughXWaylandUnlessThePlatformWasChosen) {
    using PlatformChoice::PlatformFor;
    // Either sign of a Wayland session is enough; Wayland itself stays the fall-back.
    EXPECT_EQ(PlatformFor(Environment({{"WAYLAND_DISPLAY", "wayland-0"}})), "xcb;wayland");
    EXPECT_EQ(PlatformFor(Environment({{"XDG_SESSION_TYPE", "wayland"}, {"DISPLAY", ":0"}})), "xcb;wayland");
    EXPECT_EQ(PlatformFor(Environment({{"XDG_SESSION_TYPE", "Wayland"}})), "xcb;wayland");
    // The user's choice holds, whatever the session; an empty value is no choice.
    EXPECT_EQ(PlatformFor(Environment({{"WAYLAND_DISPLAY", "wayland-0"}, {"QT_QPA_PLATFORM", "wayland"}})),
              "");
    EXPECT_EQ(PlatformFor(Environment({{"WAYLAND_DISPLAY", "wayland-0"}, {"QT_QPA_PLATFORM", ""}})),
              "xcb;wayland");
    // X11 and other sessions are left to Qt.
    EXPECT_EQ(PlatformFor(Environment({{"XDG_SESSION_TYPE", "x11"}, {"DISPLAY", ":0"}})), "");
    EXPECT_EQ(PlatformFor(Environment({{"WAYLAND_DISPLAY", ""}, {"XDG_SESSION_TYPE", "tty"}})), "");
    EXPECT_EQ(PlatformFor(QProcessEnvironment()), "");
}

} // namespace
