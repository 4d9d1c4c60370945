#include "BrowserLinkProtocol.h"

#include <QStandardPaths>

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

bool FrameDecoder::append(QByteArrayView bytes) {
    if (m_failed) {
        return false;
    }
    m_buffer.append(bytes);
    return checkLength();
}

bool FrameDecoder::checkLength() {
    if (m_buffer.size() < headerSize) {
        return true;
    }
    std::uint32_t length = 0;
    std::memcpy(&length, m_buffer.constData(), sizeof length);
    if (length == 0 || length > static_cast<std::uint32_t>(m_maxSize)) {
        m_failed = true;
        m_buffer.clear();
        m_buffer.squeeze();
    }
    return !m_failed;
}

std::optional<QByteArray> FrameDecoder::next() {
    if (m_failed || m_buffer.size() < headerSize) {
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
    checkLength();
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
