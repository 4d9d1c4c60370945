// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

namespace Quorel {

// The per-user native-messaging host manifests that let each installed browser start
// quorel-browser-host for our extension. Written at every start, so a moved or updated app
// still points the browsers at itself; a manifest already right is left alone.
class HostManifests {
public:
    struct Environment {
        QString home;
        QString configHome;  // $XDG_CONFIG_HOME or ~/.config: where the Chromium family lives
        std::function<bool(const QString&)> onPath;  // is this program on PATH?
    };
    static Environment systemEnvironment();

    // For each browser whose config folder exists or whose program is on PATH, its manifest
    // pointing at hostPath. Returns the manifests in place afterwards; failures are logged.
    static QStringList install(const QString& hostPath, const Environment& environment);

    // The manifest that lets a browser of the Firefox family (else of the Chromium family) start
    // the host at hostPath for our extension; the package installs these system-wide.
    static QByteArray manifest(const QString& hostPath, bool firefox);
};

}  // namespace Quorel
