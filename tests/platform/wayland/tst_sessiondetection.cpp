// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "wayland/SessionDetection.h"

#include <QTest>

using namespace Quorel;

Q_DECLARE_METATYPE(Quorel::DesktopSession)

class TestSessionDetection : public QObject {
    Q_OBJECT

private slots:
    void picksTheDesktopFromTheSessionVariables_data() {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("desktop");
        QTest::addColumn<QString>("display");
        QTest::addColumn<QString>("swaySocket");
        QTest::addColumn<DesktopSession>("expected");

        const auto add = [](const char* name, QStringView type, QStringView desktop,
                            QStringView display, QStringView socket, DesktopSession expected) {
            QTest::newRow(name) << type.toString() << desktop.toString() << display.toString()
                                << socket.toString() << expected;
        };
        add("x11 plasma", u"x11", u"KDE", u"", u"", DesktopSession::X11);
        add("x11 says so though a compositor is named", u"x11", u"GNOME", u"wayland-0", u"",
            DesktopSession::X11);
        add("nothing set", u"", u"", u"", u"", DesktopSession::X11);
        add("tty with a desktop name only", u"tty", u"KDE", u"", u"", DesktopSession::X11);
        add("plasma", u"wayland", u"KDE", u"wayland-0", u"", DesktopSession::KWin);
        add("plasma in other case", u"Wayland", u"kde", u"wayland-0", u"", DesktopSession::KWin);
        add("gnome", u"wayland", u"GNOME", u"wayland-0", u"", DesktopSession::GnomeShell);
        add("ubuntu's gnome", u"wayland", u"ubuntu:GNOME", u"wayland-0", u"",
            DesktopSession::GnomeShell);
        add("gnome classic", u"wayland", u"GNOME-Classic:GNOME", u"wayland-0", u"",
            DesktopSession::GnomeShell);
        add("sway by its socket", u"wayland", u"", u"wayland-0", u"/run/user/1000/sway-ipc.sock",
            DesktopSession::Sway);
        add("sway by name, socket missing", u"wayland", u"sway", u"wayland-0", u"",
            DesktopSession::Sway);
        add("sway nested in gnome", u"wayland", u"GNOME", u"wayland-0",
            u"/run/user/1000/sway-ipc.sock", DesktopSession::Sway);
        add("no session type, compositor named", u"", u"KDE", u"wayland-0", u"",
            DesktopSession::KWin);
        add("unknown wayland desktop", u"wayland", u"Hyprland", u"wayland-0", u"",
            DesktopSession::OtherWayland);
        add("empty list entries", u"wayland", u"::", u"wayland-0", u"",
            DesktopSession::OtherWayland);
        add("a name that only starts like KDE", u"wayland", u"KDEish", u"wayland-0", u"",
            DesktopSession::OtherWayland);
    }

    void picksTheDesktopFromTheSessionVariables() {
        QFETCH(QString, type);
        QFETCH(QString, desktop);
        QFETCH(QString, display);
        QFETCH(QString, swaySocket);
        QFETCH(DesktopSession, expected);
        QCOMPARE(detectSession({type, desktop, display, swaySocket}), expected);
    }
};

QTEST_GUILESS_MAIN(TestSessionDetection)
#include "tst_sessiondetection.moc"
