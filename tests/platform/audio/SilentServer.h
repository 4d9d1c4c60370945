// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// A sound server that takes connections and never answers: listening is enough, the kernel
// accepts on its behalf. The listening socket at path, or -1.

#include <QByteArray>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

inline int listenSilently(const QByteArray& path) {
    const int silent = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.constData(), sizeof address.sun_path - 1);
    if (silent < 0 || ::bind(silent, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(silent, 4) != 0) {
        if (silent >= 0) {
            ::close(silent);
        }
        return -1;
    }
    return silent;
}
