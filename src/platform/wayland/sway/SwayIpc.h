// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// sway's IPC framing: "i3-ipc", a 32-bit payload length and a 32-bit type (both in the host's
// byte order: the socket is local), then the JSON payload. Replies carry the type of their
// request; events carry it with the high bit set.

#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include <cstdint>
#include <optional>

namespace Quorel::SwayIpc {

enum MessageType : std::uint32_t {
    RunCommand = 0,
    Subscribe = 2,
    GetTree = 4,
};

constexpr std::uint32_t eventBit = 0x80000000u;
constexpr std::uint32_t workspaceEvent = eventBit | 0u;
constexpr std::uint32_t windowEvent = eventBit | 3u;

// The whole tree of a busy desktop is a few hundred kilobytes; more than this is no sway.
constexpr std::uint32_t maxPayload = 16u * 1024u * 1024u;

struct Frame {
    std::uint32_t type = 0;
    QByteArray payload;
};

QByteArray encode(std::uint32_t type, const QByteArray& payload);

enum class Take { Frame, NeedMore, Broken };

// Takes the first whole frame off the front of buffer. Broken: not our peer (wrong magic, or a
// length past maxPayload); the connection should be dropped.
Take takeFrame(QByteArray& buffer, Frame& frame);

// The command that moves every window of an application out of sight: the windows of the
// process (0: any) with the app_id (native) or X11 class (XWayland). Empty when that names
// nothing sway can select safely.
QByteArray hideCommand(qint64 pid, bool xwayland, const QString& id);

}  // namespace Quorel::SwayIpc
