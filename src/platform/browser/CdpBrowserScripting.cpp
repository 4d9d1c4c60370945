#include "CdpBrowserScripting.h"

#include <QElapsedTimer>

namespace Quorel {

namespace {
using Status = BrowserAnswer::Status;
}

CdpBrowserScripting::CdpBrowserScripting(const QString& procRoot, const QString& configHome,
                                         std::chrono::milliseconds timeout)
    : m_endpoints(procRoot, configHome), m_client(timeout), m_timeout(timeout) {}

template <typename OnPages>
BrowserAnswer CdpBrowserScripting::firstAnswer(const QString& browser, OnPages onPages) {
    QElapsedTimer elapsed;
    elapsed.start();
    Status status = Status::Refused;
    // Two instances of one family are rare; a second one is tried only while time is left.
    for (const quint16 port : m_endpoints.ports(browserFamilyFromName(browser))) {
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

BrowserAnswer CdpBrowserScripting::readFrontTab(const QString& browser) {
    return firstAnswer(browser, [](quint16, const CdpPageList& list) {
        return std::optional<BrowserAnswer>(
            BrowserAnswer{Status::Ok, list.pages.isEmpty() ? QString() : list.pages.first().url});
    });
}

BrowserAnswer CdpBrowserScripting::redirectFrontTab(const QString& browser, const QString& url) {
    return firstAnswer(browser, [&](quint16 port, const CdpPageList& list) {
        if (list.pages.isEmpty()) {
            return std::optional<BrowserAnswer>();
        }
        const bool done = m_client.navigate(port, list.pages.first(), url) == CdpStatus::Ok;
        return std::optional<BrowserAnswer>(
            BrowserAnswer{done ? Status::Ok : Status::Failed, done ? url : QString()});
    });
}

}  // namespace Quorel
