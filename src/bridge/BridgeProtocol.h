// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace Quorel {

// What a browser extension reads from the bridge: the countdown and what is blocked.
struct BridgeStatusPayload {
    bool isRunning = false;
    bool isBreak = false;
    bool strictMode = false;
    qint64 remainingSeconds = 0;
    bool blockYouTubeShorts = false;
    bool blockInstagramReels = false;
    bool blockAdultSites = false;
    // Domains of the enabled entries, in list order.
    QStringList blockedSites;

    bool operator==(const BridgeStatusPayload&) const = default;
};

// The most of a request the bridge looks at: one read per connection.
inline constexpr qsizetype bridgeRequestLimit = 4096;
// The longest site name the blocked page repeats; a domain name has at most 253 characters.
inline constexpr qsizetype blockedPageSiteLimit = 253;

enum class BridgeRoute { Status, BlockedPage };

// The path of the request line in the first bytes read (only the first 4096 count): the second
// blank-separated word, exactly as sent. "/" for a one-word line, an empty request, or bytes
// that are not UTF-8.
QString bridgeRequestPath(QByteArrayView firstRead);

// Any path starting with "/blocked" is the blocked page; everything else is the status.
BridgeRoute bridgeRoute(QStringView path);

// The value of the first header called name (any letter case) among the header lines of the
// first read, trimmed; nullopt when the request has no such line.
std::optional<QByteArray> bridgeRequestHeader(QByteArrayView firstRead, QByteArrayView name);

// Whether a Host header names this machine's loopback: 127.0.0.1, [::1] or localhost, with the
// bridge's port or none. Anything else is a web page reaching us under its own name (DNS
// rebinding), which must not read the status.
bool isLoopbackHost(QByteArrayView host, quint16 port);

// Quorel's extension in Chromium-family browsers: its id follows from the public key in
// extension/manifest.json (chromiumExtensionId of the browser link).
inline constexpr QByteArrayView quorelChromiumOrigin{
    "chrome-extension://eiadijnobmbadaafjdiacpbbdmdjhomp"};

// The Origin the status may be shared with: Quorel's own extension in Chromium, never another
// extension or a web page. Firefox names an extension's pages by a random UUID per profile
// (moz-extension://UUID), which does not tell ours from another; an extension with host
// permissions, as ours has, reads the bridge there without a grant. Empty for any other origin.
QByteArray extensionOrigin(QByteArrayView origin);

// The whole answer to one request's first read, the status (encodeBridgeStatus's JSON) taken
// from statusJson() only when needed.
QByteArray bridgeResponse(QByteArrayView firstRead, quint16 port,
                          const std::function<QByteArray()>& statusJson);

// One compact JSON object with the eight keys.
QByteArray encodeBridgeStatus(const BridgeStatusPayload& payload);

// The whole status response: headers and the JSON body; the cross-origin header echoes origin
// when it is our extension's (see extensionOrigin), and is left out otherwise.
QByteArray bridgeStatusResponse(const BridgeStatusPayload& payload, QByteArrayView origin = {});
QByteArray bridgeStatusResponse(const QByteArray& statusJson, QByteArrayView origin);

// The answer to a status request under a foreign Host: 403, without the status.
QByteArray bridgeForbiddenResponse();
// The answer to any request from another user account: 403 with an empty body.
QByteArray bridgeForeignUserResponse();

// The page embedded in the program, or empty if the resource is missing.
QByteArrayView blockedPageTemplate();

// The site a blocked page may name: the `site` value when it is a host name (letters, digits,
// dots and hyphens, international names included); empty for anything else, which the page then
// does not repeat.
QString blockedPageSite(QStringView site);

// The blocked page for a request path: the template with its "{{line}}" naming the site of the
// `site` query value (decoded, checked, HTML-escaped). An empty template gives the plain text
// "Blocked by Quorel".
QByteArray blockedPageBody(QStringView path, QByteArrayView pageTemplate);
// The same page for a site given as it is (not encoded).
QByteArray blockedPageForSite(const QString& site);

// The whole blocked-page response: HTML headers, no cross-origin header.
QByteArray bridgeBlockedPageResponse(QStringView path,
                                     QByteArrayView pageTemplate = blockedPageTemplate());

}  // namespace Quorel
