// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "WorkspaceCore.h"

#include "xdg/DesktopEntries.h"

#include <QCoreApplication>
#include <QStringBuilder>

#include <algorithm>
#include <utility>

namespace Quorel {

namespace {

// Facts kept for hiding an application later; a session has far fewer applications.
constexpr qsizetype maxRemembered = 1024;

QStringView stemOf(const QString& desktopId) {
    QStringView stem(desktopId);
    return stem.endsWith(u".desktop") ? stem.chopped(8) : stem;
}

bool isRegular(const WindowFacts& window) {
    return (window.type == WindowType::Normal || window.type == WindowType::Dialog) &&
           !window.skipTaskbar;
}

// The file name of an executable, as the user would type it; "" when unknown.
QString programName(const QString& executable) {
    QString name = executable.mid(executable.lastIndexOf(u'/') + 1);
    if (name.endsWith(u" (deleted)")) {  // replaced by an upgrade while it runs
        name.chop(10);
    }
    return name;
}

// Every name but the display name, each once, ignoring case.
QStringList otherNamesOf(const QString& name, QStringList candidates) {
    QStringList names;
    for (QString& candidate : candidates) {
        const auto same = [&candidate](const QString& n) {
            return n.compare(candidate, Qt::CaseInsensitive) == 0;
        };
        if (!candidate.isEmpty() && !same(name) &&
            std::none_of(names.cbegin(), names.cend(), same)) {
            names.append(std::move(candidate));
        }
    }
    return names;
}

}  // namespace

WorkspaceCore::WorkspaceCore(DesktopEntries& entries, qint64 ownPid, QString ownId)
    : m_entries(entries),
      m_ownPid(ownPid > 0 ? ownPid : QCoreApplication::applicationPid()),
      m_ownId(std::move(ownId)) {}

QString WorkspaceCore::keyOf(const WindowFacts& window) {
    const QString& application =
        !window.windowClass.isEmpty() ? window.windowClass : window.desktopId;
    if (application.isEmpty()) {
        // A window can shed its class, not its process: then the process is the application.
        return window.pid > 0 ? u"pid:" % QString::number(window.pid) : QString();
    }
    if (window.pid > 0) {
        return u"pid:" % QString::number(window.pid) % u':' % application;
    }
    return u"class:" % application;
}

bool WorkspaceCore::isHideable(const WindowFacts& window) {
    return window.type != WindowType::DesktopShell;
}

bool WorkspaceCore::isThisProgram(const WindowFacts& window) const {
    if (window.pid > 0) {
        return window.pid == m_ownPid;
    }
    const auto ours = [this](QStringView id) {
        return !id.isEmpty() && id.compare(m_ownId, Qt::CaseInsensitive) == 0;
    };
    return ours(window.windowClass) || ours(stemOf(window.desktopId));
}

std::optional<RunningApplication> WorkspaceCore::applicationOf(const WindowFacts& window) {
    QString key = keyOf(window);
    if (key.isEmpty() || window.type == WindowType::DesktopShell) {
        return std::nullopt;
    }
    // The desktop's own match to an entry, when it has one, is tried as the instance.
    const QString instance =
        window.desktopId.isEmpty() ? window.instance : stemOf(window.desktopId).toString();
    const QString windowClass = !window.windowClass.isEmpty() ? window.windowClass : instance;
    const std::optional<ResolvedApplication> resolved =
        m_entries.resolve(windowClass, instance, window.pid);
    const bool hasEntry = resolved && !resolved->desktopId.isEmpty();

    RunningApplication application;
    application.name = resolved ? resolved->name : QString();
    application.identity = hasEntry                      ? resolved->desktopId
                           : !window.desktopId.isEmpty() ? window.desktopId
                           : !windowClass.isEmpty()      ? windowClass
                                                         : application.name;
    application.key = key;
    application.isRegular = isRegular(window);
    application.isThisProgram = isThisProgram(window);
    application.windowClass = windowClass;
    application.executable = resolved ? resolved->executable : QString();
    application.pid = window.pid;
    application.isWebBrowser = resolved && resolved->webBrowser;
    // Our own windows: the desktop entry's name when one matches, whatever Qt set as class.
    if (application.isThisProgram && !hasEntry) {
        application.name = QStringLiteral("Quorel");
    }
    // A renamed menu entry must not hide the application from its block list entry.
    application.otherNames = otherNamesOf(
        application.name,
        (resolved ? resolved->otherNames : QStringList()) +
            QStringList{windowClass, window.instance, programName(application.executable)});

    if (m_seen.size() >= maxRemembered && !m_seen.contains(key)) {
        m_seen.clear();
    }
    m_seen.insert(std::move(key), window);
    return application;
}

QList<RunningApplication> WorkspaceCore::applicationsOf(const QList<WindowFacts>& windows) {
    QList<RunningApplication> applications;
    for (const WindowFacts& window : windows) {
        if (window.type == WindowType::DesktopShell) {
            continue;
        }
        const QString key = keyOf(window);
        const auto known =
            std::find_if(applications.begin(), applications.end(),
                         [&key](const RunningApplication& a) { return a.key == key; });
        if (known != applications.end()) {
            known->isRegular = known->isRegular || isRegular(window);
        } else if (std::optional<RunningApplication> application = applicationOf(window)) {
            applications.append(std::move(*application));
        }
    }
    return applications;
}

QList<WindowFacts> WorkspaceCore::windowsToHide(const QString& key,
                                                const QList<WindowFacts>& windows) const {
    QList<WindowFacts> out;
    if (key.isEmpty()) {
        return out;
    }
    for (const WindowFacts& window : windows) {
        if (isHideable(window) && !isThisProgram(window) && keyOf(window) == key) {
            out.append(window);
        }
    }
    return out;
}

const WindowFacts* WorkspaceCore::lastSeen(const QString& key) const {
    const auto it = m_seen.constFind(key);
    return it == m_seen.cend() ? nullptr : &*it;
}

QList<RunningApplication> WorkspaceCore::installedApplications() {
    const QString ownEntry = m_ownId + u".desktop";
    QList<RunningApplication> applications;
    for (const DesktopEntry& entry : m_entries.entries()) {
        // Our own entry, by its id or, packaged under another id, by its name.
        if (isShownInMenus(entry) && entry.id != ownEntry && entry.name != u"Quorel") {
            RunningApplication application;
            application.name = entry.name;
            application.identity = entry.id;
            application.executable = entry.program;
            application.otherNames = entry.otherNames;
            application.isWebBrowser = entry.webBrowser;
            applications.append(std::move(application));
        }
    }
    return applications;
}

void WorkspaceCore::takeFront(const std::optional<WindowFacts>& window,
                              const std::function<QList<WindowFacts>()>& others) {
    m_frontmost = window ? applicationOf(*window) : std::nullopt;
    if (!m_frontmost) {
        return;  // nothing in front is no news: window managers pass through it on a switch
    }
    const QString& key = m_frontmost->key;
    if (!m_frontmost->isRegular && others) {
        const QList<WindowFacts> windows = others();
        m_frontmost->isRegular = std::any_of(
            windows.cbegin(), windows.cend(),
            [&key](const WindowFacts& other) { return isRegular(other) && keyOf(other) == key; });
    }
    if (key == m_frontKey) {
        return;
    }
    m_frontKey = key;
    const bool queued = std::any_of(m_activations.cbegin(), m_activations.cend(),
                                    [&key](const RunningApplication& a) { return a.key == key; });
    if (!queued) {
        m_activations.append(*m_frontmost);
    }
}

void WorkspaceCore::takeShown(const WindowFacts& window) {
    const QString key = keyOf(window);
    if (key.isEmpty() ||
        std::any_of(m_shown.cbegin(), m_shown.cend(),
                    [&key](const RunningApplication& a) { return a.key == key; })) {
        return;
    }
    if (std::optional<RunningApplication> application = applicationOf(window)) {
        m_shown.append(std::move(*application));
    }
}

void WorkspaceCore::hidden(const QString& key) {
    if (!key.isEmpty() && key == m_frontKey) {
        m_frontKey.clear();
    }
}

void WorkspaceCore::forgetFront() {
    m_frontmost.reset();
    m_frontKey.clear();
    m_activations.clear();
    m_shown.clear();
}

void WorkspaceCore::setActivationHandler(std::function<void(const RunningApplication&)> handler) {
    m_activationHandler = std::move(handler);
}

void WorkspaceCore::channelRestored() {
    if (const auto handler = m_restoredHandler) {
        handler();
    }
}

void WorkspaceCore::deliverActivations() {
    const QList<RunningApplication> activations = std::exchange(m_activations, {});
    QList<RunningApplication> shown = std::exchange(m_shown, {});
    // Copies: a handler may replace itself.
    if (const auto handler = m_activationHandler) {
        for (const RunningApplication& application : activations) {
            handler(application);
        }
    }
    shown.removeIf([&activations](const RunningApplication& application) {
        return std::any_of(
            activations.cbegin(), activations.cend(),
            [&application](const RunningApplication& a) { return a.key == application.key; });
    });
    if (const auto handler = m_shownHandler) {
        for (const RunningApplication& application : shown) {
            handler(application);
        }
    }
}

}  // namespace Quorel
