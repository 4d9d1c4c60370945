#include "KWinWindows.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringBuilder>

#include <cmath>

namespace Quorel {

namespace {

std::optional<KWinWindow> windowFrom(const QJsonValue& value) {
    if (!value.isObject()) {
        return std::nullopt;
    }
    const QJsonObject object = value.toObject();
    KWinWindow window;
    window.id = object.value(u"id").toString();
    if (window.id.isEmpty()) {
        return std::nullopt;
    }
    window.appId = object.value(u"appId").toString();
    window.resourceClass = object.value(u"resourceClass").toString();
    window.resourceName = object.value(u"resourceName").toString();
    window.caption = object.value(u"caption").toString();
    const double pid = object.value(u"pid").toDouble();
    // A process id is a positive int; anything else is as good as none.
    if (pid >= 1 && pid <= 2147483647.0 && std::floor(pid) == pid) {
        window.pid = static_cast<qint64>(pid);
    }
    const bool normal = object.value(u"normal").toBool();
    window.ordinary = normal || object.value(u"dialog").toBool();
    window.regular = normal && !object.value(u"skipTaskbar").toBool();
    window.shell = object.value(u"shell").toBool();
    window.minimized = object.value(u"minimized").toBool();
    return window;
}

QJsonDocument parseBounded(const QByteArray& json) {
    if (json.size() > maxKWinReportBytes) {
        return {};
    }
    return QJsonDocument::fromJson(json);
}

}  // namespace

QString KWinWindow::key() const {
    if (pid != 0) {
        return u"pid:" % QString::number(pid) % u':' % resourceClass;
    }
    if (resourceClass.isEmpty()) {
        return {};
    }
    return u"class:" % resourceClass;
}

std::optional<KWinWindow> parseKWinWindow(const QByteArray& json) {
    const QJsonDocument document = parseBounded(json);
    return document.isObject() ? windowFrom(document.object()) : std::nullopt;
}

QList<KWinWindow> parseKWinWindowList(const QByteArray& json) {
    QList<KWinWindow> windows;
    const QJsonDocument document = parseBounded(json);
    if (!document.isArray()) {
        return windows;
    }
    for (const QJsonValue& value : document.array()) {
        if (std::optional<KWinWindow> window = windowFrom(value)) {
            windows.append(std::move(*window));
        }
    }
    return windows;
}

QByteArray kwinHideTargets(const QStringList& keys) {
    QJsonArray targets;
    for (const QString& key : keys) {
        QJsonObject target;
        if (key.startsWith(u"pid:")) {
            const qsizetype colon = key.indexOf(u':', 4);
            bool ok = false;
            const qint64 pid = colon > 4 ? key.mid(4, colon - 4).toLongLong(&ok) : 0;
            if (!ok || pid <= 0) {
                continue;
            }
            target.insert(u"pid", static_cast<double>(pid));
            target.insert(u"resourceClass", key.mid(colon + 1));
        } else if (key.startsWith(u"class:") && key.size() > 6) {
            target.insert(u"pid", 0);
            target.insert(u"resourceClass", key.mid(6));
        } else {
            continue;
        }
        targets.append(target);
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
