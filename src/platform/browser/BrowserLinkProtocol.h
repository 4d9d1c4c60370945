#pragma once

// What the browser extension, its native-messaging host and the app agree on. Shared by the app
// and the host program.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

namespace Quorel {

// The host's registered name, the extension's ids in each browser family (the Chromium id
// follows from the public key in extension/manifest.json).
inline constexpr QLatin1StringView browserHostName{"app.quorel.browser_host"};
inline constexpr QLatin1StringView geckoExtensionId{"browser-link@quorel.app"};
inline constexpr QLatin1StringView chromiumExtensionId{"mimhjedhkedbfhjoaabckdmdncpaaiij"};

// Browsers cap what they send a host at a few MiB and what they take from it at 1 MiB; an
// address report is far smaller, so anything beyond 1 MiB is a broken or hostile peer.
inline constexpr qsizetype maxFrameSize = 1024 * 1024;

// A frame is a 32-bit length in this machine's byte order, then that many bytes of UTF-8 JSON;
// the same framing runs between the host and the app. Empty when the payload is too big or empty.
QByteArray encodeFrame(QByteArrayView payload);

// Cuts a byte stream into frames. A length of zero or above the cap cannot be skipped safely
// (nothing marks where the next frame starts), so the decoder fails for good and the caller
// drops the stream.
class FrameDecoder {
public:
    explicit FrameDecoder(qsizetype maxSize = maxFrameSize) : m_maxSize(maxSize) {}

    // Takes more bytes; false once the stream is broken. Callers feed bounded chunks and take
    // the frames out after each, so the buffer never holds more than a chunk and one frame.
    bool append(QByteArrayView bytes);
    // The next whole frame's payload, if one has arrived.
    std::optional<QByteArray> next();
    bool failed() const { return m_failed; }

private:
    bool checkLength();

    QByteArray m_buffer;
    qsizetype m_maxSize;
    bool m_failed = false;
};

// $QUOREL_BROWSER_SOCKET, else browser-link in the user's runtime folder's quorel folder.
QString browserLinkSocketPath();

}  // namespace Quorel
