// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <sys/types.h>

#include <optional>

namespace Quorel {

// Where the kernel is asked who made a socket.
enum class SocketTable {
    SockDiag,  // one exact lookup over sock_diag netlink
    ProcNet,   // a scan of /proc/net/tcp or tcp6
};

// The user account that made the other end of the accepted loopback TCP connection fd, found
// by the connection's addresses and ports. nullopt when the kernel knows no such socket (the
// peer closed it already) or cannot be asked.
std::optional<uid_t> loopbackPeerOwner(int fd, SocketTable table);
// The same through sock_diag, and through /proc/net only where sock_diag cannot be used (a
// kernel without it, a sandbox that forbids netlink).
std::optional<uid_t> loopbackPeerOwner(int fd);

}  // namespace Quorel
