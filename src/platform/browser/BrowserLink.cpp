#include "BrowserLink.h"

namespace Quorel {

BrowserLink::BrowserLink(std::unique_ptr<BrowserScripting> extension,
                         std::unique_ptr<BrowserScripting> devtools)
    : m_extension(std::move(extension)), m_devtools(std::move(devtools)) {}

template <typename Call>
BrowserAnswer BrowserLink::ask(Call call) {
    BrowserAnswer answer{BrowserAnswer::Status::Refused, {}};
    for (BrowserScripting* backend : {m_extension.get(), m_devtools.get()}) {
        if (backend != nullptr) {
            answer = call(*backend);
            if (answer.status != BrowserAnswer::Status::Refused) {
                break;
            }
        }
    }
    return answer;
}

BrowserAnswer BrowserLink::readFrontTab(const QString& browser) {
    return ask([&](BrowserScripting& backend) { return backend.readFrontTab(browser); });
}

BrowserAnswer BrowserLink::redirectFrontTab(const QString& browser, const QString& url) {
    return ask([&](BrowserScripting& backend) { return backend.redirectFrontTab(browser, url); });
}

}  // namespace Quorel
