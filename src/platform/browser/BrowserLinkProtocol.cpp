// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "BrowserLinkProtocol.h"

#include <QStandardPaths>

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace Quorel {

namespace {

constexpr qsizetype headerSize = sizeof(std::uint32_t);

}  // namespace

QByteArray encodeFrame(QByteArrayView payload) {
    if (payload.isEmpty() || payload.size() > maxFrameSize) {
        return {};
    }
    const auto length = static_cast<std::uint32_t>(payload.size());
    QByteArray frame(headerSize, Qt::Uninitialized);
    std::memcpy(frame.data(), &length, sizeof length);
    frame.append(payload);
    return frame;
}

void FrameDecoder::append(QByteArrayView bytes) {
    if (m_toSkip > 0) {
        const qsizetype dropped =
            static_cast<qsizetype>(std::min<quint64>(m_toSkip, static_cast<quint64>(bytes.size())));
        m_toSkip -= static_cast<quint64>(dropped);
        bytes = bytes.sliced(dropped);
    }
    m_buffer.append(bytes);
    skipOversized();
}

void FrameDecoder::skipOversized() {
    while (m_toSkip == 0 && m_buffer.size() >= headerSize) {
        std::uint32_t length = 0;
        std::memcpy(&length, m_buffer.constData(), sizeof length);
        if (length != 0 && length <= static_cast<std::uint32_t>(m_maxSize)) {
            return;
        }
        ++m_skipped;
        const quint64 inBuffer = static_cast<quint64>(m_buffer.size() - headerSize);
        const quint64 here = std::min<quint64>(length, inBuffer);
        m_buffer.remove(0, headerSize + static_cast<qsizetype>(here));
        m_toSkip = length - here;
    }
    // After a large frame went through, its room is not kept.
    if (m_buffer.isEmpty() && m_buffer.capacity() > 64 * 1024) {
        m_buffer.squeeze();
    }
}

std::optional<QByteArray> FrameDecoder::next() {
    if (m_toSkip > 0 || m_buffer.size() < headerSize) {
        return std::nullopt;
    }
    std::uint32_t length = 0;
    std::memcpy(&length, m_buffer.constData(), sizeof length);
    const qsizetype end = headerSize + static_cast<qsizetype>(length);
    if (m_buffer.size() < end) {
        return std::nullopt;
    }
    QByteArray payload = m_buffer.mid(headerSize, end - headerSize);
    m_buffer.remove(0, end);
    skipOversized();
    return payload;
}

QString browserLinkSocketPath() {
    const QString chosen = qEnvironmentVariable("QUOREL_BROWSER_SOCKET");
    if (!chosen.isEmpty()) {
        return chosen;
    }
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) +
           QStringLiteral("/quorel/browser-link");
}

}  // namespace Quorel
