// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "LoopbackPeer.h"

#include <QByteArray>
#include <QFile>
#include <QList>

#include <linux/inet_diag.h>
#include <linux/netlink.h>
#include <linux/sock_diag.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace Quorel {

namespace {

// Both ends of a connection as this side sees them: ours (the listener's address) and the peer's.
struct Ends {
    int family = AF_UNSPEC;
    sockaddr_storage ours{};
    sockaddr_storage peer{};
};

std::optional<Ends> endsOf(int fd) {
    Ends ends;
    socklen_t oursSize = sizeof ends.ours;
    socklen_t peerSize = sizeof ends.peer;
    if (::getsockname(fd, reinterpret_cast<sockaddr*>(&ends.ours), &oursSize) != 0 ||
        ::getpeername(fd, reinterpret_cast<sockaddr*>(&ends.peer), &peerSize) != 0 ||
        ends.ours.ss_family != ends.peer.ss_family) {
        return std::nullopt;
    }
    ends.family = ends.ours.ss_family;
    if (ends.family != AF_INET && ends.family != AF_INET6) {
        return std::nullopt;
    }
    return ends;
}

// The address bytes (network order) and the port (network order) of an IPv4 or IPv6 end.
QByteArray addressOf(const sockaddr_storage& end) {
    if (end.ss_family == AF_INET) {
        const auto& in = reinterpret_cast<const sockaddr_in&>(end);
        return {reinterpret_cast<const char*>(&in.sin_addr), sizeof in.sin_addr};
    }
    const auto& in6 = reinterpret_cast<const sockaddr_in6&>(end);
    return {reinterpret_cast<const char*>(&in6.sin6_addr), sizeof in6.sin6_addr};
}

__be16 portOf(const sockaddr_storage& end) {
    return end.ss_family == AF_INET ? reinterpret_cast<const sockaddr_in&>(end).sin_port
                                    : reinterpret_cast<const sockaddr_in6&>(end).sin6_port;
}

// NLMSG_HDRLEN, without the macro's C cast.
constexpr size_t netlinkHeaderLength =
    (sizeof(nlmsghdr) + NLMSG_ALIGNTO - 1) & ~size_t{NLMSG_ALIGNTO - 1};

struct DiagAnswer {
    bool asked = false;  // false: netlink could not be used, and another way should be tried
    std::optional<uid_t> owner;
};

DiagAnswer askSockDiag(const Ends& ends) {
    struct {
        nlmsghdr header;
        inet_diag_req_v2 request;
    } message{};
    message.header.nlmsg_len = sizeof message;
    message.header.nlmsg_type = SOCK_DIAG_BY_FAMILY;
    message.header.nlmsg_flags = NLM_F_REQUEST;  // one socket by its ends, not a dump
    message.request.sdiag_family = static_cast<__u8>(ends.family);
    message.request.sdiag_protocol = IPPROTO_TCP;
    message.request.idiag_states = ~0U;
    // The peer's socket: its own end is "source", ours its "destination".
    inet_diag_sockid& id = message.request.id;
    id.idiag_sport = portOf(ends.peer);
    id.idiag_dport = portOf(ends.ours);
    const QByteArray source = addressOf(ends.peer);
    const QByteArray destination = addressOf(ends.ours);
    std::memcpy(id.idiag_src, source.constData(), static_cast<size_t>(source.size()));
    std::memcpy(id.idiag_dst, destination.constData(), static_cast<size_t>(destination.size()));
    id.idiag_cookie[0] = INET_DIAG_NOCOOKIE;
    id.idiag_cookie[1] = INET_DIAG_NOCOOKIE;

    const int link = ::socket(AF_NETLINK, SOCK_DGRAM | SOCK_CLOEXEC, NETLINK_SOCK_DIAG);
    if (link < 0) {
        return {};
    }
    sockaddr_nl kernel{};
    kernel.nl_family = AF_NETLINK;
    DiagAnswer answer;
    alignas(nlmsghdr) char reply[1024];
    ssize_t received = -1;
    if (::sendto(link, &message, sizeof message, 0, reinterpret_cast<sockaddr*>(&kernel),
                 sizeof kernel) == static_cast<ssize_t>(sizeof message)) {
        do {
            received = ::recv(link, reply, sizeof reply, 0);
        } while (received < 0 && errno == EINTR);
    }
    ::close(link);
    if (received < static_cast<ssize_t>(sizeof(nlmsghdr))) {
        return answer;
    }
    nlmsghdr header;
    std::memcpy(&header, reply, sizeof header);
    const auto payload = static_cast<size_t>(received) - netlinkHeaderLength;
    if (header.nlmsg_type == NLMSG_ERROR && payload >= sizeof(nlmsgerr)) {
        nlmsgerr error;
        std::memcpy(&error, reply + netlinkHeaderLength, sizeof error);
        // Not found is an answer; anything else says sock_diag is of no use here.
        answer.asked = error.error == -ENOENT;
    } else if (header.nlmsg_type == SOCK_DIAG_BY_FAMILY && payload >= sizeof(inet_diag_msg)) {
        inet_diag_msg found;
        std::memcpy(&found, reply + netlinkHeaderLength, sizeof found);
        answer.asked = true;
        answer.owner = found.idiag_uid;
    }
    return answer;
}

// An end as the kernel writes it in /proc/net/tcp: the address in 32-bit words as the machine
// holds them, then the port, in upper-case hexadecimal.
QByteArray procNetEnd(const sockaddr_storage& end) {
    const QByteArray address = addressOf(end);
    QByteArray out;
    for (qsizetype at = 0; at < address.size(); at += 4) {
        quint32 word = 0;
        std::memcpy(&word, address.constData() + at, sizeof word);
        out.append(QByteArray::number(word, 16).rightJustified(8, '0'));
    }
    out.append(':').append(QByteArray::number(ntohs(portOf(end)), 16).rightJustified(4, '0'));
    return out.toUpper();
}

std::optional<uid_t> scanProcNet(const Ends& ends) {
    QFile table(ends.family == AF_INET ? QStringLiteral("/proc/net/tcp")
                                       : QStringLiteral("/proc/net/tcp6"));
    if (!table.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    const QByteArray peer = procNetEnd(ends.peer);
    const QByteArray ours = procNetEnd(ends.ours);
    // In one go: the kernel walks its socket tables again for every read.
    const QList<QByteArray> lines = table.readAll().split('\n');
    for (const QByteArray& line : lines) {
        // sl local_address rem_address st tx:rx tr:when retrnsmt uid ...
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() > 7 && fields[1] == peer && fields[2] == ours) {
            bool ok = false;
            const uint uid = fields[7].toUInt(&ok);
            return ok ? std::optional<uid_t>(uid) : std::nullopt;
        }
    }
    return std::nullopt;
}

}  // namespace

std::optional<uid_t> loopbackPeerOwner(int fd, SocketTable table) {
    const std::optional<Ends> ends = endsOf(fd);
    if (!ends) {
        return std::nullopt;
    }
    return table == SocketTable::SockDiag ? askSockDiag(*ends).owner : scanProcNet(*ends);
}

std::optional<uid_t> loopbackPeerOwner(int fd) {
    const std::optional<Ends> ends = endsOf(fd);
    if (!ends) {
        return std::nullopt;
    }
    const DiagAnswer diag = askSockDiag(*ends);
    return diag.asked ? diag.owner : scanProcNet(*ends);
}

}  // namespace Quorel
