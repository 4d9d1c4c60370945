// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "KWinWindows.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringBuilder>

#include <cmath>

namespace Quorel {

namespace {

std::optional<WindowFacts> windowFrom(const QJsonValue& value) {
    if (!value.isObject()) {
        return std::nullopt;
    }
    const QJsonObject object = value.toObject();
    WindowFacts window;
    window.id = object.value(u"id").toString();
    if (window.id.isEmpty()) {
        return std::nullopt;
    }
    // X11 windows too: KWin reads their class into resourceClass.
    window.windowClass = object.value(u"resourceClass").toString();
    window.instance = object.value(u"resourceName").toString();
    window.desktopId = object.value(u"appId").toString();
    const double pid = object.value(u"pid").toDouble();
    // A process id is a positive int; anything else is as good as none.
    if (pid >= 1 && pid <= 2147483647.0 && std::floor(pid) == pid) {
        window.pid = static_cast<qint64>(pid);
    }
    window.type = object.value(u"shell").toBool()    ? WindowType::DesktopShell
                  : object.value(u"normal").toBool() ? WindowType::Normal
                  : object.value(u"dialog").toBool() ? WindowType::Dialog
                                                     : WindowType::Auxiliary;
    window.skipTaskbar = object.value(u"skipTaskbar").toBool();
    return window;
}

QJsonDocument parseBounded(const QByteArray& json) {
    if (json.size() > maxKWinReportBytes) {
        return {};
    }
    return QJsonDocument::fromJson(json);
}

}  // namespace

std::optional<WindowFacts> parseKWinWindow(const QByteArray& json) {
    const QJsonDocument document = parseBounded(json);
    return document.isObject() ? windowFrom(document.object()) : std::nullopt;
}

QList<WindowFacts> parseKWinWindowList(const QByteArray& json) {
    QList<WindowFacts> windows;
    const QJsonDocument document = parseBounded(json);
    if (!document.isArray()) {
        return windows;
    }
    for (const QJsonValue& value : document.array()) {
        if (std::optional<WindowFacts> window = windowFrom(value)) {
            windows.append(std::move(*window));
        }
    }
    return windows;
}

QByteArray kwinHideTargets(const QStringList& windowIds) {
    QJsonArray targets;
    for (const QString& id : windowIds) {
        targets.append(id);
    }
    QByteArray json = QJsonDocument(targets).toJson(QJsonDocument::Compact);
    // Valid JSON, but line terminators to a script engine older than ES2019.
    json.replace("\xe2\x80\xa8", "\\u2028").replace("\xe2\x80\xa9", "\\u2029");
    return json;
}

QString fillKWinScript(QString text, const QList<std::pair<QString, QString>>& values) {
    for (const auto& [name, value] : values) {
        text.replace(u'@' % name % u'@', value);
    }
    return text;
}

}  // namespace Quorel
