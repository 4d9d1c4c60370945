// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "ports/BrowserScripting.h"

#include <memory>

namespace Quorel {

// The browser link as the engine sees it: the extension first, and for a browser the extension
// does not reach, the DevTools backend. Either may be missing.
class BrowserLink final : public BrowserScripting {
public:
    BrowserLink(std::unique_ptr<BrowserScripting> extension,
                std::unique_ptr<BrowserScripting> devtools);

    BrowserAnswer readFrontTab(BrowserFamily browser) override;
    BrowserAnswer redirectFrontTab(BrowserFamily browser, const BrowserRedirect& target) override;
    bool reachesAnyBrowser() override;
    void setRules(const BrowserRules& rules) override;
    bool guardsBrowser(BrowserFamily browser, qint64 pid) override;
    void setFrontTabChangedHandler(std::function<void()> handler) override;
    void setJudging(bool judging) override;
    void letFrontTabLoad(BrowserFamily browser) override;

private:
    template <typename Call>
    BrowserAnswer ask(Call call);

    std::unique_ptr<BrowserScripting> m_extension;
    std::unique_ptr<BrowserScripting> m_devtools;
};

}  // namespace Quorel
