// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "HostManifests.h"

#include "BrowserLinkProtocol.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QStandardPaths>

namespace Quorel {

namespace {

struct Browser {
    const char* configFolder;  // relative to the config home, or to home for Firefox
    const char* hostsFolder;   // relative to the config folder
    QStringList programs;
    bool firefox = false;
};

QList<Browser> browsers() {
    return {
        {"chromium",
         "NativeMessagingHosts",
         {QStringLiteral("chromium"), QStringLiteral("chromium-browser")}},
        {"google-chrome",
         "NativeMessagingHosts",
         {QStringLiteral("google-chrome"), QStringLiteral("google-chrome-stable")}},
        {"BraveSoftware/Brave-Browser",
         "NativeMessagingHosts",
         {QStringLiteral("brave-browser"), QStringLiteral("brave")}},
        {"microsoft-edge",
         "NativeMessagingHosts",
         {QStringLiteral("microsoft-edge"), QStringLiteral("microsoft-edge-stable")}},
        {"vivaldi",
         "NativeMessagingHosts",
         {QStringLiteral("vivaldi"), QStringLiteral("vivaldi-stable")}},
        {"opera", "NativeMessagingHosts", {QStringLiteral("opera")}},
        {".mozilla",
         "native-messaging-hosts",
         {QStringLiteral("firefox"), QStringLiteral("firefox-esr")},
         true},
        {".librewolf", "native-messaging-hosts", {QStringLiteral("librewolf")}, true},
    };
}

bool alreadyWritten(const QString& path, const QByteArray& content) {
    QFile file(path);
    // A manifest is a few hundred bytes: anything much larger is not ours to compare in full.
    return file.open(QIODevice::ReadOnly) && file.size() == content.size() &&
           file.read(content.size() + 1) == content;
}

}  // namespace

HostManifests::Environment HostManifests::systemEnvironment() {
    const QString home = QDir::homePath();
    QString configHome = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (configHome.isEmpty()) {
        configHome = home + QStringLiteral("/.config");
    }
    return {home, configHome, [](const QString& program) {
                return !QStandardPaths::findExecutable(program).isEmpty();
            }};
}

QByteArray HostManifests::manifest(const QString& hostPath, bool firefox) {
    QJsonObject object{
        {QStringLiteral("name"), QString(browserHostName)},
        {QStringLiteral("description"), QStringLiteral("Quorel browser link")},
        {QStringLiteral("path"), hostPath},
        {QStringLiteral("type"), QStringLiteral("stdio")},
    };
    if (firefox) {
        object.insert(QStringLiteral("allowed_extensions"), QJsonArray{QString(geckoExtensionId)});
    } else {
        object.insert(
            QStringLiteral("allowed_origins"),
            QJsonArray{QStringLiteral("chrome-extension://%1/").arg(chromiumExtensionId)});
    }
    return QJsonDocument(object).toJson(QJsonDocument::Indented);
}

QStringList HostManifests::install(const QString& hostPath, const Environment& environment) {
    QStringList written;
    for (const Browser& browser : browsers()) {
        const QString base = browser.firefox ? environment.home : environment.configHome;
        const QString configFolder = base + u'/' + QLatin1String(browser.configFolder);
        bool present = QFileInfo::exists(configFolder);
        for (const QString& program : browser.programs) {
            present = present || (environment.onPath && environment.onPath(program));
        }
        if (!present) {
            continue;
        }
        const QString folder = configFolder + u'/' + QLatin1String(browser.hostsFolder);
        const QString path = folder + u'/' + browserHostName + QStringLiteral(".json");
        const QByteArray content = manifest(hostPath, browser.firefox);
        if (alreadyWritten(path, content)) {
            written.append(path);
            continue;
        }
        QSaveFile file(path);
        if (!QDir().mkpath(folder) || !file.open(QIODevice::WriteOnly) ||
            file.write(content) != content.size() || !file.commit()) {
            qWarning("Quorel: cannot write the browser link's host manifest %s: %s",
                     qUtf8Printable(path), qUtf8Printable(file.errorString()));
            continue;
        }
        written.append(path);
    }
    return written;
}

}  // namespace Quorel
