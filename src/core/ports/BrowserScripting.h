#pragma once

#include <QString>

namespace Quorel {

struct BrowserAnswer {
    enum class Status { Ok, Refused, Failed };
    Status status = Status::Failed;
    QString address;  // the front tab's address when status is Ok
};

// Reaches the front tab of a running web browser. Called only on the browser worker thread, one
// call at a time; each call may block, but must give up after a few seconds. Refused means that
// nothing reaches this browser at all (no extension connected, no debugging port).
class BrowserScripting {
public:
    virtual ~BrowserScripting() = default;

    // The front tab's address of the named browser (its display name, e.g. "Firefox ESR").
    virtual BrowserAnswer readFrontTab(const QString& browser) = 0;

    // Loads url in the front tab of the named browser.
    virtual BrowserAnswer redirectFrontTab(const QString& browser, const QString& url) = 0;
};

}  // namespace Quorel
