// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QMap>
#include <QString>
#include <QStringList>
#include <QXmlStreamReader>

namespace Quorel {

// The methods and signals of one interface in introspection XML, a line for each
// and for each argument: "method Windows", "method Windows out 0 aa{sv}"; argument names aside,
// as introspection may put the outs first.
inline QStringList dbusMembers(const QString& xml, const QString& interface) {
    QStringList out;
    QXmlStreamReader reader(xml);
    bool ours = false;
    QString member;
    QMap<QString, int> arguments;  // per direction, of the member so far
    while (!reader.atEnd()) {
        if (!reader.readNextStartElement()) {
            if (reader.isEndElement() && reader.name() == u"interface") {
                ours = false;
            }
            continue;
        }
        const QXmlStreamAttributes a = reader.attributes();
        if (reader.name() == u"interface") {
            ours = a.value(QLatin1String("name")) == interface;
        } else if (ours && (reader.name() == u"method" || reader.name() == u"signal")) {
            member = reader.name() + u' ' + a.value(QLatin1String("name"));
            arguments.clear();
            out.append(member);
        } else if (ours && reader.name() == u"arg") {
            QString direction = a.value(QLatin1String("direction")).toString();
            if (direction.isEmpty()) {
                direction = QStringLiteral("out");
            }
            out.append(member + u' ' + direction + u' ' + QString::number(arguments[direction]++) +
                       u' ' + a.value(QLatin1String("type")));
        }
    }
    out.sort();
    return out;
}

}  // namespace Quorel
