// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "SwayIpc.h"

#include <QRegularExpression>
#include <QStringList>

#include <cstring>

namespace Quorel::SwayIpc {

namespace {

constexpr char magic[] = {'i', '3', '-', 'i', 'p', 'c'};
constexpr qsizetype headerSize = sizeof(magic) + 2 * sizeof(std::uint32_t);

}  // namespace

QByteArray encode(std::uint32_t type, const QByteArray& payload) {
    const auto length = static_cast<std::uint32_t>(payload.size());
    QByteArray frame(magic, sizeof(magic));
    frame.append(reinterpret_cast<const char*>(&length), sizeof(length));
    frame.append(reinterpret_cast<const char*>(&type), sizeof(type));
    frame.append(payload);
    return frame;
}

Take takeFrame(QByteArray& buffer, Frame& frame) {
    const qsizetype known = std::min<qsizetype>(buffer.size(), sizeof(magic));
    if (std::memcmp(buffer.constData(), magic, static_cast<std::size_t>(known)) != 0) {
        return Take::Broken;
    }
    if (buffer.size() < headerSize) {
        return Take::NeedMore;
    }
    std::uint32_t length = 0;
    std::memcpy(&length, buffer.constData() + sizeof(magic), sizeof(length));
    if (length > maxPayload) {
        return Take::Broken;
    }
    if (buffer.size() - headerSize < static_cast<qsizetype>(length)) {
        return Take::NeedMore;
    }
    std::memcpy(&frame.type, buffer.constData() + sizeof(magic) + sizeof(length),
                sizeof(frame.type));
    frame.payload = buffer.mid(headerSize, length);
    buffer.remove(0, headerSize + length);
    return Take::Frame;
}

// Keys read "pid:<n>:<app|x11>:<id>" or "<app|x11>:<id>"; the id is the rest, colons and all.
// sway reads a criterion's quoted value up to the next double quote, without escapes, then as
// a regular expression: the id is matched literally, and an id that a quote would cut short
// falls back on the process alone.
QByteArray hideCommand(qint64 pid, bool xwayland, const QString& id) {
    pid = std::max<qint64>(pid, 0);
    const QString field = xwayland ? QStringLiteral("class") : QStringLiteral("app_id");
    const bool quotable =
        !id.isEmpty() && !id.contains(u'"') && std::none_of(id.cbegin(), id.cend(), [](QChar c) {
            return c.category() == QChar::Other_Control;
        });
    QStringList criteria;
    if (pid > 0) {
        criteria << QStringLiteral("pid=") + QString::number(pid);
    }
    if (quotable) {
        criteria << field + QStringLiteral("=\"^") + QRegularExpression::escape(id) +
                        QStringLiteral("$\"");
    } else if (pid > 0 && !id.isEmpty()) {
        // Still only this kind of window of the process.
        criteria << QStringLiteral("shell=\"") +
                        (field == u"class" ? QStringLiteral("xwayland")
                                           : QStringLiteral("xdg_shell")) +
                        u'"';
    }
    if (criteria.isEmpty() || (pid == 0 && !quotable)) {
        return {};
    }
    return (u'[' + criteria.join(u' ') + QStringLiteral("] move scratchpad")).toUtf8();
}

}  // namespace Quorel::SwayIpc
