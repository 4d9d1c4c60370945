// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "BridgeFeed.h"
#include "BridgeThread.h"
#include "Fakes.h"

#include <QTest>

using namespace Quorel;

class TestBridgeFeed : public QObject {
    Q_OBJECT

private slots:
    // The bridge answers the enabled sites in list order, and follows each part as it changes.
    void bridgeFollowsTheManager() {
        FakeDesktop desktop;
        auto manager = desktop.makeManager();
        const auto site = [](const char* domain, bool enabled) {
            return BlockedSite{QUuid::createUuid(), QString::fromUtf8(domain), enabled};
        };
        manager->setBlockedSites({site("z.com", true), site("off.com", false),
                                  site("bücher.de", true), site("a.com", true)});
        manager->setBlockAdultSites(false);
        manager->setRemainingSeconds(-3);

        BridgeStatusPayload expected;
        expected.isRunning = manager->isRunning();
        expected.isBreak = manager->isBreak();
        expected.strictMode = manager->strictMode();
        expected.remainingSeconds = -3;
        expected.blockYouTubeShorts = manager->blockYouTubeShorts();
        expected.blockInstagramReels = manager->blockInstagramReels();
        expected.blockAdultSites = false;
        expected.blockedSites = {QStringLiteral("z.com"), QStringLiteral("bücher.de"),
                                 QStringLiteral("a.com")};
        QCOMPARE(bridgeStatusOf(*manager), expected);

        BridgeThread bridge;
        feedBridge(bridge, *manager);
        QCOMPARE(bridge.statusJson(), encodeBridgeStatus(expected));
        manager->setStrictMode(true);
        manager->toggleStartPause();
        manager->setBlockAdultSites(true);
        QCOMPARE(bridge.statusJson(), encodeBridgeStatus(bridgeStatusOf(*manager)));
        QVERIFY(bridge.statusJson().contains("\"isRunning\":true"));
        QVERIFY(bridge.statusJson().contains("\"strictMode\":true"));
    }
};

QTEST_GUILESS_MAIN(TestBridgeFeed)
#include "tst_bridgefeed.moc"
