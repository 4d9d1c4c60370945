// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "Fakes.h"
#include "QuitGuard.h"

#include <QTest>

#include <functional>

using namespace Quorel;

using Setup = std::function<void(FocusManager&)>;
Q_DECLARE_METATYPE(Setup)
Q_DECLARE_METATYPE(Quorel::QuitAnswer)

class TestQuitGuard : public QObject {
    Q_OBJECT

private slots:
    void refusesOnlyARunningStrictCountdown_data() {
        QTest::addColumn<Setup>("setup");
        QTest::addColumn<QuitAnswer>("answer");

        const auto now = QuitAnswer::TerminateNow;
        const auto cancel = QuitAnswer::TerminateCancel;
        QTest::newRow("idle, strict mode on")
            << Setup([](FocusManager& m) { m.setStrictMode(true); }) << now;
        QTest::newRow("idle, strict mode off")
            << Setup([](FocusManager& m) { m.setStrictMode(false); }) << now;
        QTest::newRow("running, strict mode off") << Setup([](FocusManager& m) {
            m.setStrictMode(false);
            m.toggleStartPause();
        }) << now;
        QTest::newRow("running, strict mode on") << Setup([](FocusManager& m) {
            m.setStrictMode(true);
            m.toggleStartPause();
        }) << cancel;
        QTest::newRow("strict break") << Setup([](FocusManager& m) {
            m.setStrictMode(true);
            m.toggleStartPause();
            m.setIsBreak(true);
        }) << cancel;
        QTest::newRow("relaxed break") << Setup([](FocusManager& m) {
            m.setStrictMode(false);
            m.toggleStartPause();
            m.setIsBreak(true);
        }) << now;
        QTest::newRow("strict session over") << Setup([](FocusManager& m) {
            m.setStrictMode(true);
            m.toggleStartPause();
            m.setIsRunning(false);
        }) << now;
    }

    void refusesOnlyARunningStrictCountdown() {
        QFETCH(Setup, setup);
        FakeDesktop desktop;
        auto manager = desktop.makeManager();
        setup(*manager);

        // The guard reads the process-wide reference, as the app does.
        QCOMPARE(FocusManager::shared(), manager.get());
        QTEST(quitAnswer(FocusManager::shared()), "answer");
    }

    void allowsQuitWhenNoManagerIsLeft() {
        {
            FakeDesktop desktop;
            auto manager = desktop.makeManager();
            manager->setStrictMode(true);
            manager->toggleStartPause();
            QCOMPARE(quitAnswer(FocusManager::shared()), QuitAnswer::TerminateCancel);
        }
        QCOMPARE(quitAnswer(FocusManager::shared()), QuitAnswer::TerminateNow);
    }
};

QTEST_GUILESS_MAIN(TestQuitGuard)
#include "tst_quitguard.moc"
