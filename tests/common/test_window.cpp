// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

// A plain Qt window application for the desktop tests: one window under the app id given as the
// first argument, open until killed; with --utility a second one of the utility type (Qt::Tool).
// The windows are titled "main" and "utility". Native on Wayland unless QT_QPA_PLATFORM says
// otherwise (xcb for an X11 desktop).

#include <QGuiApplication>
#include <QPainter>
#include <QRasterWindow>

namespace {

class PlainWindow : public QRasterWindow {
protected:
    void paintEvent(QPaintEvent*) override {
        QPainter(this).fillRect(QRect(QPoint(0, 0), size()), QColor(40, 90, 160));
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "wayland");
    }
    const QString appId =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("quorel-test-window");
    // On X11 the class of every window (WM_CLASS), read before the application is made.
    QCoreApplication::setApplicationName(appId);
    qputenv("RESOURCE_NAME", appId.toLocal8Bit());
    QGuiApplication app(argc, argv);
    // The xdg app id of every window: what Wayland desktops report as the desktop file name.
    QGuiApplication::setDesktopFileName(appId);
    PlainWindow window;
    window.setTitle(QStringLiteral("main"));
    window.resize(320, 200);
    window.show();
    // Not transient for the main window: a window manager that hides transients along with
    // their owner would do the adapter's work.
    PlainWindow utility;
    if (QGuiApplication::arguments().contains(QStringLiteral("--utility"))) {
        utility.setFlags(Qt::Tool);
        utility.setTitle(QStringLiteral("utility"));
        utility.resize(160, 120);
        utility.show();
    }
    return QGuiApplication::exec();
}
