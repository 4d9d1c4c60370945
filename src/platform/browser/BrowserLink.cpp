// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "BrowserLink.h"

namespace Quorel {

BrowserLink::BrowserLink(std::unique_ptr<BrowserScripting> extension,
                         std::unique_ptr<BrowserScripting> devtools)
    : m_extension(std::move(extension)), m_devtools(std::move(devtools)) {}

template <typename Call>
BrowserAnswer BrowserLink::ask(Call call) {
    BrowserAnswer answer{BrowserAnswer::Status::Refused, {}};
    bool otherRelease = false;
    for (BrowserScripting* backend : {m_extension.get(), m_devtools.get()}) {
        if (backend != nullptr) {
            answer = call(*backend);
            if (answer.status != BrowserAnswer::Status::Refused) {
                return answer;
            }
            otherRelease = otherRelease || answer.otherRelease;
        }
    }
    // Nothing reached it; an extension of another release is the reason worth telling.
    answer.otherRelease = otherRelease;
    return answer;
}

BrowserAnswer BrowserLink::readFrontTab(BrowserFamily browser) {
    return ask([&](BrowserScripting& backend) { return backend.readFrontTab(browser); });
}

BrowserAnswer BrowserLink::redirectFrontTab(BrowserFamily browser, const BrowserRedirect& target) {
    return ask(
        [&](BrowserScripting& backend) { return backend.redirectFrontTab(browser, target); });
}

void BrowserLink::setFrontTabChangedHandler(std::function<void()> handler) {
    if (m_extension) {
        m_extension->setFrontTabChangedHandler(std::move(handler));
    }
}

void BrowserLink::setJudging(bool judging) {
    if (m_extension) {
        m_extension->setJudging(judging);
    }
}

// Only the extension enforces rules in the browser.
void BrowserLink::setRules(const BrowserRules& rules) {
    if (m_extension) {
        m_extension->setRules(rules);
    }
}

// Only the extension holds navigations.
void BrowserLink::letFrontTabLoad(BrowserFamily browser) {
    if (m_extension) {
        m_extension->letFrontTabLoad(browser);
    }
}

bool BrowserLink::guardsBrowser(BrowserFamily browser, qint64 pid) {
    return (m_extension && m_extension->guardsBrowser(browser, pid)) ||
           (m_devtools && m_devtools->guardsBrowser(browser, pid));
}

bool BrowserLink::reachesAnyBrowser() {
    return (m_extension && m_extension->reachesAnyBrowser()) ||
           (m_devtools && m_devtools->reachesAnyBrowser());
}

}  // namespace Quorel
