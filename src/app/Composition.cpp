// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "Composition.h"

#include "AmbientAudioPlayer.h"
#include "BridgeProtocol.h"
#include "FileDialogApplicationChooser.h"
#include "FilePreferencesStore.h"
#include "NullAdapters.h"
#include "ShieldPanelController.h"
#include "SystemClock.h"
#include "WindowCompositor.h"
#include "X11ShieldWindowHints.h"
#include "audio/CanberraSystemSound.h"
#include "audio/PulseAmbientOutput.h"
#include "audio/SdlAmbientOutput.h"
#include "browser/BrowserLink.h"
#include "browser/BrowserLinkProtocol.h"
#include "browser/CdpBrowserScripting.h"
#include "browser/ExtensionBrowserLink.h"
#include "browser/HostManifests.h"
#include "presence/DBusScreenLock.h"
#include "presence/DesktopPresence.h"
#include "wayland/SessionDetection.h"
#include "wayland/gnome/GnomeShellWorkspace.h"
#include "wayland/gnome/MutterIdleMonitor.h"
#include "wayland/idle/WaylandIdleNotify.h"
#include "wayland/kwin/KWinWorkspace.h"
#include "wayland/sway/SwayWorkspace.h"
#include "x11/X11Activation.h"
#include "x11/X11Compositing.h"
#include "x11/X11IdleTime.h"
#include "x11/X11Workspace.h"
#include "xdg/DesktopEntries.h"
#include "xdg/XdgAutostart.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcessEnvironment>
#include <QWindow>
#include <QtGlobal>

namespace Quorel {

// A helper beside this binary (the build tree), else in lib/quorel of the prefix this binary is
// installed in (bin/../lib/quorel): helpers no one runs by hand stay off PATH. Empty if neither.
QString helperProgramPath(const QString& name) {
    const QString folder = QCoreApplication::applicationDirPath();
    const QStringList candidates{
        folder + u'/' + name, QDir::cleanPath(folder + QStringLiteral("/../lib/quorel/") + name)};
    for (const QString& candidate : candidates) {
        if (QFileInfo(candidate).isExecutable()) {
            return candidate;
        }
    }
    return {};
}

Adapters::Adapters() = default;
Adapters::Adapters(Adapters&&) noexcept = default;
Adapters::~Adapters() = default;

namespace {

// The desktop's own channel where we have one; else X11, which on Wayland sees only the
// XWayland windows and says so on the Blockers screen. The choice is logged once.
std::unique_ptr<Workspace> makeWorkspace(DesktopEntries& entries) {
    const DesktopSession session =
        detectSession(SessionVariables::from(QProcessEnvironment::systemEnvironment()));
    std::unique_ptr<Workspace> native;
    const char* channel = "";
    switch (session) {
        case DesktopSession::Sway:
            native = SwayWorkspace::create(entries);
            channel = "sway's IPC socket";
            break;
        case DesktopSession::GnomeShell:
            native = GnomeShellWorkspace::create(entries);
            channel = "Quorel's GNOME Shell extension";
            break;
        case DesktopSession::KWin:
            native = KWinWorkspace::create(entries);
            channel = "a KWin script of Quorel's";
            break;
        case DesktopSession::X11:
        case DesktopSession::OtherWayland:
            break;
    }
    if (native) {
        qInfo("Quorel: %s session; applications through %s.", qUtf8Printable(sessionName(session)),
              channel);
        return native;
    }
    if (auto x11 = X11Workspace::create(entries)) {
        qInfo("Quorel: %s session; applications through X11%s.",
              qUtf8Printable(sessionName(session)),
              session == DesktopSession::X11 ? "" : " (XWayland windows only)");
        return x11;
    }
    qWarning(
        "Quorel: %s session; no X11 display to read the frontmost application from; "
        "screen time will not be counted.",
        qUtf8Printable(sessionName(session)));
    return std::make_unique<NullWorkspace>();
}

std::unique_ptr<SystemSound> makeSystemSound() {
    if (auto canberra = CanberraSystemSound::create()) {
        return canberra;
    }
    return std::make_unique<NullSystemSound>();
}

// The X server's answers, from a connection of our own (Qt's is not ours to send requests on).
class X11WindowCompositor final : public WindowCompositor {
public:
    explicit X11WindowCompositor(std::unique_ptr<X11Compositing> x) : m_x(std::move(x)) {}

    DesktopCompositing capabilities() override {
        const bool active = m_x->compositorActive();
        return {active, active && m_x->blurBehindSupported()};
    }

    void setBlurBehind(QWindow& window, bool enabled) override {
        m_x->setBlurBehind(static_cast<std::uint32_t>(window.winId()), enabled);
    }

private:
    std::unique_ptr<X11Compositing> m_x;
};

// Wayland compositors always blend; none of them takes a blur request from us.
class WaylandWindowCompositor final : public WindowCompositor {
public:
    DesktopCompositing capabilities() override { return {true, false}; }
    void setBlurBehind(QWindow&, bool) override {}
};

// The extension first (any browser with it installed), then the DevTools protocol (Chromium-family
// browsers started with a debugging port). The host manifests are rewritten at every start, so
// the browsers always start the host that came with this binary.
std::unique_ptr<BrowserScripting> makeBrowserLink() {
    const QString host = helperProgramPath(QStringLiteral("quorel-browser-host"));
    if (!host.isEmpty()) {
        HostManifests::install(host, HostManifests::systemEnvironment());
    } else {
        qWarning(
            "Quorel: no quorel-browser-host beside %s or in ../lib/quorel; browsers cannot "
            "reach Quorel through the extension.",
            qUtf8Printable(QCoreApplication::applicationDirPath()));
    }
    std::unique_ptr<BrowserScripting> extension =
        ExtensionBrowserLink::create(browserLinkSocketPath());
    return std::make_unique<BrowserLink>(
        std::move(extension), std::make_unique<CdpBrowserScripting>(&blockedPageForSite));
}

std::unique_ptr<ShieldWindowHints> makeShieldHints() {
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        if (auto x11 = X11ShieldHints::create()) {
            return std::make_unique<X11ShieldWindowHints>(std::move(x11));
        }
    }
    return nullptr;
}

// Chosen entries are named as the workspace names running applications, in the same locale,
// so that a blocked name matches the application it was chosen as.
std::unique_ptr<ApplicationChooser> makeApplicationChooser() {
    const QStringList locales =
        localeCandidates(messagesLocale(QProcessEnvironment::systemEnvironment()));
    return std::make_unique<FileDialogApplicationChooser>([locales](QStringView contents) {
        const std::optional<DesktopEntry> entry = parseDesktopEntry(contents, QString(), locales);
        return entry ? entry->name : QString();
    });
}

std::unique_ptr<WindowCompositor> makeWindowCompositor() {
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("xcb")) {
        if (auto x11 = X11Compositing::create()) {
            return std::make_unique<X11WindowCompositor>(std::move(x11));
        }
    } else if (platform.startsWith(QLatin1String("wayland"))) {
        return std::make_unique<WaylandWindowCompositor>();
    }
    return std::make_unique<NullWindowCompositor>();
}

// Straight to the sound server where the session has one: it queues a second ahead, where SDL
// wakes twenty times a second. SDL for a driver that someone named, and for ALSA without a server.
std::unique_ptr<AmbientOutput> makeAmbientOutput() {
    if (qEnvironmentVariableIsEmpty("SDL_AUDIODRIVER") && PulseAmbientOutput::serverExpected()) {
        return std::make_unique<PulseAmbientOutput>();
    }
    return std::make_unique<SdlAmbientOutput>();
}

// The lock from logind and the screen savers wherever they run; the time since the last input
// from the desktop's own monitor, which on Wayland only the compositor knows.
std::unique_ptr<Presence> makePresence() {
    const DesktopSession session =
        detectSession(SessionVariables::from(QProcessEnvironment::systemEnvironment()));
    std::unique_ptr<IdleMonitor> idle;
    switch (session) {
        case DesktopSession::X11:
            idle = X11IdleTime::create();
            break;
        case DesktopSession::Sway:
        case DesktopSession::KWin:
        case DesktopSession::OtherWayland:
            idle = WaylandIdleNotify::create();
            break;
        case DesktopSession::GnomeShell:
            idle = MutterIdleMonitor::create(QDBusConnection::sessionBus());
            break;
    }
    if (!idle) {
        qWarning(
            "Quorel: %s session; no idle time from this desktop, so time away from the keyboard "
            "counts as screen time unless the screen is locked.",
            qUtf8Printable(sessionName(session)));
    }
    return std::make_unique<DesktopPresence>(
        std::make_unique<DBusScreenLock>(QDBusConnection::sessionBus(),
                                         QDBusConnection::systemBus()),
        std::move(idle));
}

}  // namespace

Adapters makeAdapters() {
    Adapters adapters;
    adapters.desktopEntries = std::make_unique<DesktopEntries>();
    adapters.workspace = makeWorkspace(*adapters.desktopEntries);
    adapters.preferences =
        std::make_unique<FilePreferencesStore>(FilePreferencesStore::defaultFolder());
    adapters.clock = std::make_unique<SystemClock>();
    adapters.sound = makeSystemSound();
    adapters.browser = makeBrowserLink();
    adapters.ambient = std::make_unique<AmbientAudioPlayer>(makeAmbientOutput());
    adapters.shieldHints = makeShieldHints();
    adapters.shield = std::make_unique<ShieldPanelController>(adapters.shieldHints.get());
    adapters.chooser = makeApplicationChooser();
    adapters.presence = makePresence();
    adapters.windowCompositor = makeWindowCompositor();
    adapters.loginStart = XdgAutostart::forThisProgram();
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        adapters.x11Activation = X11Activation::create();
    }
    return adapters;
}

}  // namespace Quorel
