#include "CdpBrowserScripting.h"

#include <QElapsedTimer>

namespace Quorel {

namespace {
using Status = BrowserAnswer::Status;
}

CdpBrowserScripting::CdpBrowserScripting(const QString& procRoot, const QString& configHome,
                                         std::chrono::milliseconds timeout)
    : m_endpoints(procRoot, configHome), m_client(timeout), m_timeout(timeout) {}

BrowserAnswer CdpBrowserScripting::readFrontTab(const QString& browser) {
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
            return {Status::Ok, list.pages.isEmpty() ? QString() : list.pages.first().url};
        }
        if (list.status == CdpStatus::Failed) {
            status = Status::Failed;
        }
    }
    return {status, {}};
}

BrowserAnswer CdpBrowserScripting::redirectFrontTab(const QString& browser, const QString& url) {
    QElapsedTimer elapsed;
    elapsed.start();
    Status status = Status::Refused;
    for (const quint16 port : m_endpoints.ports(browserFamilyFromName(browser))) {
        if (elapsed.elapsed() > m_timeout.count()) {
            break;
        }
        const CdpPageList list = m_client.pages(port);
        if (list.status == CdpStatus::Ok && !list.pages.isEmpty()) {
            if (m_client.navigate(port, list.pages.first(), url) == CdpStatus::Ok) {
                return {Status::Ok, url};
            }
            return {Status::Failed, {}};
        }
        if (list.status != CdpStatus::Unreachable) {
            status = Status::Failed;  // reached, but no page to load it in
        }
    }
    return {status, {}};
}

}  // namespace Quorel
