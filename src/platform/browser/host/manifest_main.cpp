// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

// quorel-host-manifest: writes the host manifest that the package installs for every browser of
// a family, from the same code that writes the per-user ones at each start. Build-time only.
//   quorel-host-manifest firefox|chromium HOST_PATH OUTPUT

#include "HostManifests.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QString>

#include <cstdio>
#include <cstring>

int main(int argc, char* argv[]) {
    if (argc != 4 ||
        (std::strcmp(argv[1], "firefox") != 0 && std::strcmp(argv[1], "chromium") != 0)) {
        std::fputs("usage: quorel-host-manifest firefox|chromium HOST_PATH OUTPUT\n", stderr);
        return 2;
    }
    const QString hostPath = QString::fromLocal8Bit(argv[2]);
    // Browsers run only a host named by an absolute path in a system-wide manifest.
    if (!QDir::isAbsolutePath(hostPath)) {
        std::fprintf(stderr, "quorel-host-manifest: %s is not an absolute path\n", argv[2]);
        return 2;
    }
    const QByteArray content =
        Quorel::HostManifests::manifest(hostPath, std::strcmp(argv[1], "firefox") == 0);
    const QString output = QString::fromLocal8Bit(argv[3]);
    QSaveFile file(output);
    if (!QDir().mkpath(QFileInfo(output).absolutePath()) || !file.open(QIODevice::WriteOnly) ||
        file.write(content) != content.size() || !file.commit()) {
        std::fprintf(stderr, "quorel-host-manifest: cannot write %s: %s\n", argv[3],
                     qUtf8Printable(file.errorString()));
        return 1;
    }
    return 0;
}
