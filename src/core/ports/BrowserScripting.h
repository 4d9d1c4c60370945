#pragma once

#include <QString>

#include <functional>

namespace Quorel {

struct BrowserAnswer {
    enum class Status { Ok, Refused, Failed };
    Status status = Status::Failed;
    QString address;  // the front tab's address when status is Ok
};

// Reaches the front tab of a running web browser.
class BrowserScripting {
public:
    virtual ~BrowserScripting() = default;

    // Reads the front tab's address of the named browser; done runs once, on the main thread.
    virtual void readFrontTab(const QString& browser, std::function<void(BrowserAnswer)> done) = 0;

    // Loads url in the front tab of the named browser; done runs once, on the main thread.
    virtual void redirectFrontTab(const QString& browser, const QString& url,
                                  std::function<void(BrowserAnswer)> done) = 0;
};

}  // namespace Quorel
