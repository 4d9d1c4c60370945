// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

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
inline constexpr QLatin1StringView chromiumExtensionId{"eiadijnobmbadaafjdiacpbbdmdjhomp"};

// The release of the messages below. The extension names its own in its first message and the
// app answers with this one; an extension that names another (or none: the first release) is
// told so and not read, so that neither side misreads the other.
//   extension -> app: {"type":"extension","version":N}, then {"type":"front","url","title",
//                     "status","tabId","windowId","focused","privateWindows"} on every change,
//                     with "hold" when the extension holds that navigation until it is judged,
//                     {"type":"done","id","ok"} after each navigate, and
//                     {"type":"applied","ok","rules"} after each rules message (how many browser
//                     rules are in force)
//   host -> app:      {"type":"hello","family","browserPid","caller"} before anything else
//   app -> extension: {"type":"welcome","version":N}; {"type":"navigate","id","tabId","url"}, or
//                     with "blockedSite" instead of "url" for the extension's own blocked page
//                     (a navigation held in that tab goes there); {"type":"release","hold"} lets
//                     a held navigation go on;
//                     {"type":"rules","sites":[host],"sitesUntil":ms,"adultSites":[host],
//                     "shorts":bool,"reels":bool} after the welcome and on every change: the
//                     extension enforces them in the browser itself, for top frames and frames,
//                     until the next rules message, also while the app or the host is gone. A
//                     host (lower-case ASCII, IDN in punycode) covers itself and every name
//                     below it and goes to the extension's blocked page (?site=<host>); "sites"
//                     lift by themselves at "sitesUntil" (wall-clock ms since the epoch);
//                     "shorts" sends youtube.com's /shorts and "reels" instagram.com's /reel and
//                     /reels (any letter case, however many slashes before) to the home page
inline constexpr int browserLinkVersion = 4;

// Browsers cap what they send a host at a few MiB and what they take from it at 1 MiB; an
// address report is far smaller, so anything beyond 1 MiB is a broken or hostile peer.
inline constexpr qsizetype maxFrameSize = 1024 * 1024;

// A frame is a 32-bit length in this machine's byte order, then that many bytes of UTF-8 JSON;
// the same framing runs between the host and the app. Empty when the payload is too big or empty.
QByteArray encodeFrame(QByteArrayView payload);

// Cuts a byte stream into frames. A frame of more than the cap is skipped, its length telling
// where the next one starts, so one oversized message costs that message and not the link.
class FrameDecoder {
public:
    explicit FrameDecoder(qsizetype maxSize = maxFrameSize) : m_maxSize(maxSize) {}

    // Takes more bytes. Callers feed bounded chunks and take the frames out after each, so the
    // buffer never holds more than a chunk and one frame.
    void append(QByteArrayView bytes);
    // The next whole frame's payload, if one has arrived.
    std::optional<QByteArray> next();
    // How many frames were skipped for their size (or for being empty) so far.
    qint64 skipped() const { return m_skipped; }

private:
    void skipOversized();

    QByteArray m_buffer;
    qsizetype m_maxSize;
    quint64 m_toSkip = 0;  // bytes of an oversized frame still to come
    qint64 m_skipped = 0;
};

// $QUOREL_BROWSER_SOCKET, else browser-link in the user's runtime folder's quorel folder.
QString browserLinkSocketPath();

}  // namespace Quorel
