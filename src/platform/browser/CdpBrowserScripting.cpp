// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "CdpBrowserScripting.h"

#include <QElapsedTimer>

namespace Quorel {

namespace {
using Status = BrowserAnswer::Status;
}

CdpBrowserScripting::CdpBrowserScripting(BlockedPage blockedPage, const QString& procRoot,
                                         const QString& configHome,
                                         std::chrono::milliseconds timeout)
    : m_blockedPage(std::move(blockedPage)),
      m_endpoints(procRoot, configHome),
      m_client(timeout),
      m_timeout(timeout) {}

template <typename OnPages>
BrowserAnswer CdpBrowserScripting::firstAnswer(BrowserFamily browser, OnPages onPages) {
    QElapsedTimer elapsed;
    elapsed.start();
    Status status = Status::Refused;
    // Two instances of one family are rare; a second one is tried only while time is left.
    for (const quint16 port : m_endpoints.ports(browser)) {
        if (elapsed.elapsed() > m_timeout.count()) {
            break;
        }
        const CdpPageList list = m_client.pages(port);
        if (list.status == CdpStatus::Ok) {
            if (const std::optional<BrowserAnswer> answer = onPages(port, list)) {
                return *answer;
            }
        }
        if (list.status != CdpStatus::Unreachable) {
            status = Status::Failed;  // reached, but it failed or had no page to use
        }
    }
    return {status, {}};
}

BrowserAnswer CdpBrowserScripting::readFrontTab(BrowserFamily browser) {
    return firstAnswer(browser, [](quint16, const CdpPageList& list) {
        return std::optional<BrowserAnswer>(
            BrowserAnswer{Status::Ok, list.pages.isEmpty() ? QString() : list.pages.first().url});
    });
}

BrowserAnswer CdpBrowserScripting::redirectFrontTab(BrowserFamily browser,
                                                    const BrowserRedirect& target) {
    // A page that carries itself: the bridge's port may be anybody's when it is not ours.
    const QString url = !target.address.isEmpty() || !m_blockedPage
                            ? target.address
                            : QStringLiteral("data:text/html;charset=utf-8;base64,") +
                                  QString::fromLatin1(m_blockedPage(target.blockedSite).toBase64());
    if (url.isEmpty()) {
        return {Status::Failed, {}};
    }
    return firstAnswer(browser, [&](quint16 port, const CdpPageList& list) {
        if (list.pages.isEmpty()) {
            return std::optional<BrowserAnswer>();
        }
        const bool done = m_client.navigate(port, list.pages.first(), url) == CdpStatus::Ok;
        return std::optional<BrowserAnswer>(
            BrowserAnswer{done ? Status::Ok : Status::Failed, done ? url : QString()});
    });
}

bool CdpBrowserScripting::guardsBrowser(BrowserFamily browser, qint64 pid) {
    for (const quint16 port : m_endpoints.ports(browser, pid)) {
        if (m_client.pages(port).status == CdpStatus::Ok) {
            return true;
        }
    }
    return false;
}

bool CdpBrowserScripting::reachesAnyBrowser() {
    for (const BrowserFamily family :
         {BrowserFamily::Chromium, BrowserFamily::Chrome, BrowserFamily::Brave, BrowserFamily::Edge,
          BrowserFamily::Vivaldi, BrowserFamily::Opera}) {
        for (const quint16 port : m_endpoints.ports(family)) {
            if (m_client.pages(port).status == CdpStatus::Ok) {
                return true;
            }
        }
    }
    return false;
}

}  // namespace Quorel
