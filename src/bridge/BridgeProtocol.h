#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

namespace Quorel {

class FocusManager;

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

BridgeStatusPayload bridgeStatusPayload(const FocusManager& manager);

// The path of the request line in the first bytes read (only the first 4096 count): the second
// blank-separated word, exactly as sent. "/" for a one-word line, an empty request, or bytes
// that are not UTF-8.
QString bridgeRequestPath(QByteArrayView firstRead);

// Any path starting with "/blocked" is the blocked page; everything else is the status.
BridgeRoute bridgeRoute(QStringView path);

// One compact JSON object with the eight keys.
QByteArray encodeBridgeStatus(const BridgeStatusPayload& payload);

// The whole status response: headers (with the cross-origin header) and the JSON body.
QByteArray bridgeStatusResponse(const BridgeStatusPayload& payload);

// The page embedded in the program, or empty if the resource is missing.
QByteArrayView blockedPageTemplate();

// The blocked page for a request path: the template with its "{{line}}" naming the site of the
// `site` query value (decoded, capped, HTML-escaped). An empty template gives the plain text
// "Blocked by Quorel".
QByteArray blockedPageBody(QStringView path, QByteArrayView pageTemplate);

// The whole blocked-page response: HTML headers, no cross-origin header.
QByteArray bridgeBlockedPageResponse(QStringView path,
                                     QByteArrayView pageTemplate = blockedPageTemplate());

}  // namespace Quorel
