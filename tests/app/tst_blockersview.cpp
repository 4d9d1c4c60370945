// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ScreenHarness.h"

#include <QtQml/qqmlextensionplugin.h>

Q_IMPORT_QML_PLUGIN(QuorelPlugin)

using namespace Quorel;

namespace {

// QTest types strings into widgets only.
void type(QWindow* window, const char* text) {
    for (const char* c = text; *c != 0; ++c) {
        QTest::keyClick(window, *c);
    }
}

// An open menu's entry: menus live in the window's overlay, outside the view's tree.
QQuickItem* menuEntry(QQuickWindow* window, const QString& text) {
    for (QQuickItem* item : allItems(window->contentItem())) {
        if (item->inherits("QQuickMenuItem") && item->isVisible() &&
            item->property("text").toString() == text) {
            return item;
        }
    }
    return nullptr;
}

BlockedApp blockedApp(const QString& name, std::optional<qint64> limitMinutes = std::nullopt) {
    return BlockedApp{QUuid::createUuid(), name, true, limitMinutes};
}

}  // namespace

// The real Blockers screen, loaded offscreen against a manager on fakes.
class TestBlockersView : public ScreenTest {
    Q_OBJECT

public:
    TestBlockersView() : ScreenTest(QStringLiteral("BlockersView.qml")) {}

private slots:
    void strictRunDisablesEveryEditingControl_data() {
        QTest::addColumn<bool>("running");
        QTest::addColumn<bool>("strict");

        QTest::newRow("idle, strict armed") << false << true;
        QTest::newRow("running") << true << false;
        QTest::newRow("running strict") << true << true;
    }

    void strictRunDisablesEveryEditingControl() {
        QFETCH(bool, running);
        QFETCH(bool, strict);
        m->manager->setBlockedApps({blockedApp(QStringLiteral("Slack"), 30)});
        m->manager->setBlockedSites(
            {BlockedSite{QUuid::createUuid(), QStringLiteral("x.org"), true}});
        m->manager->setStrictMode(strict);
        if (running) {
            m->manager->toggleStartPause();
        }

        for (const QString& name :
             {QStringLiteral("Block YouTube Shorts"), QStringLiteral("Block Instagram Reels"),
              QStringLiteral("Block 18+ Websites (24/7)"), QStringLiteral("Add App"),
              QStringLiteral("Add"), QStringLiteral("Slack"),
              QStringLiteral("Daily allowance for Slack"), QStringLiteral("Delete Slack"),
              QStringLiteral("x.org"), QStringLiteral("Delete x.org")}) {
            QQuickItem* control = m->item(name);
            QVERIFY2(control != nullptr, qPrintable(name));
            QVERIFY2(control->isEnabled() == !(running && strict), qPrintable(name));
        }
        QCOMPARE(addSiteButton()->isEnabled(), !(running && strict));
        QVERIFY(m->item(QStringLiteral("Test Browser Access"))->isEnabled());
        m->screenshot(QStringLiteral("blockers-locked"));
    }

    void addButtonAddsOnTopAndAlwaysEmptiesTheField() {
        m->manager->setBlockedApps({blockedApp(QStringLiteral("Steam"))});
        QQuickItem* field = m->item(QStringLiteral("App name (e.g. Discord)"));
        QVERIFY(field != nullptr);
        field->forceActiveFocus();
        type(m->view.get(), " Discord");
        QTest::keyClick(m->view.get(), Qt::Key_Return);
        QCOMPARE(m->manager->blockedApps().size(), 1);

        m->click(m->item(QStringLiteral("Add"), QAccessible::Button));
        QCOMPARE(m->manager->blockedApps().first().name, QStringLiteral("Discord"));
        QCOMPARE(field->property("text").toString(), QString());
        QCOMPARE(m->windowState().newAppName(), QString());

        field->forceActiveFocus();
        type(m->view.get(), "steam");
        m->click(m->item(QStringLiteral("Add"), QAccessible::Button));
        QCOMPARE(m->manager->blockedApps().size(), 2);
        QCOMPARE(field->property("text").toString(), QString());
    }

    void allowancePickerStoresMinutesAndFocusOnlyRemovesThem() {
        m->manager->setBlockedApps({blockedApp(QStringLiteral("Slack"))});
        QAccessibleInterface* row = m->find(QStringLiteral("Slack"), QAccessible::CheckBox);
        QQuickItem* picker = m->item(QStringLiteral("Daily allowance for Slack"));
        QVERIFY(row != nullptr);
        QVERIFY(picker != nullptr);
        QCOMPARE(picker->property("currentText").toString(), QStringLiteral("Focus Only"));
        QCOMPARE(row->text(QAccessible::Description), QString());

        picker->forceActiveFocus();
        QTest::keyClick(m->view.get(), Qt::Key_Down);
        QTest::keyClick(m->view.get(), Qt::Key_Down);
        QCOMPARE(m->manager->blockedApps().first().dailyLimitMinutes, 15);
        QCOMPARE(row->text(QAccessible::Description), QStringLiteral("0m / 15m today"));

        QTest::keyClick(m->view.get(), Qt::Key_Home);
        QCOMPARE(m->manager->blockedApps().first().dailyLimitMinutes, std::nullopt);
        QCOMPARE(row->text(QAccessible::Description), QString());
        QCOMPARE(picker->property("currentText").toString(), QStringLiteral("Focus Only"));
    }

    void usageLineTurnsRedOnceTheAllowanceIsUsed_data() {
        QTest::addColumn<qint64>("usedSeconds");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("red");

        QTest::newRow("a second short") << qint64(299) << QStringLiteral("4m / 5m today") << false;
        QTest::newRow("used up") << qint64(300) << QStringLiteral("5m / 5m today") << true;
    }

    void usageLineTurnsRedOnceTheAllowanceIsUsed() {
        QFETCH(qint64, usedSeconds);
        QFETCH(QString, text);
        QFETCH(bool, red);
        m->manager->setBlockedApps({blockedApp(QStringLiteral("Slack"), 5)});
        // Usage arrives after the list, as the tracker's seconds do.
        m->manager->setTrackedAppSeconds({{QStringLiteral("Slack"), usedSeconds}});

        QAccessibleInterface* row = m->find(QStringLiteral("Slack"), QAccessible::CheckBox);
        QVERIFY(row != nullptr);
        QCOMPARE(row->text(QAccessible::Description), text);
        QCOMPARE(row->object()->property("captionColor").value<QColor>(),
                 m->themeColor(red ? "red" : "secondaryText"));
    }

    void addAppMenuOffersTheAppsOfTheMomentItOpens() {
        m->desktop.workspace.installed = {QStringLiteral("Zulip"), QStringLiteral("Firefox")};
        m->desktop.workspace.running = {app(QStringLiteral("XTerm"))};

        m->click(m->item(QStringLiteral("Add App"), QAccessible::Button));
        QTRY_VERIFY(menuEntry(m->view.get(), QStringLiteral("Installed Apps")) != nullptr);
        QVERIFY(menuEntry(m->view.get(), QStringLiteral("Choose from Applications...")));
        QVERIFY(menuEntry(m->view.get(), QStringLiteral("Running Apps")));
        m->click(menuEntry(m->view.get(), QStringLiteral("Installed Apps")));
        QTRY_VERIFY(menuEntry(m->view.get(), QStringLiteral("Zulip")) != nullptr);
        QVERIFY(sceneRect(menuEntry(m->view.get(), QStringLiteral("Firefox"))).top() <
                sceneRect(menuEntry(m->view.get(), QStringLiteral("Zulip"))).top());
        m->screenshot(QStringLiteral("blockers-add-menu"));
        m->click(menuEntry(m->view.get(), QStringLiteral("Zulip")));
        QCOMPARE(m->manager->blockedApps().first().name, QStringLiteral("Zulip"));
        m->desktop.workspace.installed.clear();

        m->click(m->item(QStringLiteral("Add App"), QAccessible::Button));
        QTRY_VERIFY(menuEntry(m->view.get(), QStringLiteral("Running Apps")) != nullptr);
        m->click(menuEntry(m->view.get(), QStringLiteral("Running Apps")));
        QTRY_VERIFY(menuEntry(m->view.get(), QStringLiteral("XTerm")) != nullptr);
        QCOMPARE(menuEntry(m->view.get(), QStringLiteral("Firefox")), nullptr);
        QTest::keyClick(m->view.get(), Qt::Key_Escape);
        QTest::keyClick(m->view.get(), Qt::Key_Escape);

        m->desktop.chooser.chosen = {QStringLiteral("Maps")};
        m->click(m->item(QStringLiteral("Add App"), QAccessible::Button));
        QTRY_VERIFY(menuEntry(m->view.get(), QStringLiteral("Choose from Applications...")));
        m->click(menuEntry(m->view.get(), QStringLiteral("Choose from Applications...")));
        QTRY_COMPARE(m->desktop.chooser.opened, 1);
        QCOMPARE(m->manager->blockedApps().first().name, QStringLiteral("Maps"));
    }

    void limitationNoteOnlyWhenTheDesktopHasOne_data() {
        QTest::addColumn<QString>("limitation");

        QTest::newRow("sees everything") << QString();
        QTest::newRow("XWayland only") << QStringLiteral(
            "Only apps running through XWayland can be seen and hidden in this session.");
    }

    void limitationNoteOnlyWhenTheDesktopHasOne() {
        QFETCH(QString, limitation);
        // The desktop tells once, before the screen loads.
        m = std::make_unique<ScreenHarness>();
        m->desktop.workspace.limitationText = limitation;
        m->manager = m->desktop.makeManager();
        const QString error = m->load(QStringLiteral("BlockersView.qml"));
        QVERIFY2(error.isEmpty(), qPrintable(error));

        auto* note =
            m->view->rootObject()->findChild<QQuickItem*>(QStringLiteral("workspaceLimitation"));
        QVERIFY(note != nullptr);
        QCOMPARE(note->isVisible(), !limitation.isEmpty());
        if (!limitation.isEmpty()) {
            QVERIFY(m->shows(limitation));
        }

        // A channel that comes up while Quorel runs (an extension enabled) takes the note away
        // on the next heartbeat.
        m->desktop.workspace.limitationText.clear();
        m->manager->tick();
        QVERIFY(!note->isVisible());
    }

    // Application names and domains come from outside: shown as written, never as markup.
    void namesFromOutsideAreShownAsPlainText() {
        const QString name = QStringLiteral("<img src=\"http://127.0.0.1:9/a.png\">Chat");
        const QString domain = QStringLiteral("<b>bold</b>.example");
        m->manager->setBlockedApps({blockedApp(name)});
        m->manager->setBlockedSites({BlockedSite{QUuid::createUuid(), domain, true}});
        QQuickItem* root = m->view->rootObject();
        QTRY_COMPARE(plainTextsShowing(root, name), 1);
        QCOMPARE(plainTextsShowing(root, domain), 1);
    }

    void websiteFieldAddsTrimmedLowerCaseOnTop() {
        m->manager->setBlockedSites({});
        QQuickItem* field = m->item(QStringLiteral("Domain (e.g. reddit.com)"));
        QVERIFY(field != nullptr);
        field->forceActiveFocus();
        type(m->view.get(), " News.Example ");
        m->click(addSiteButton());
        field->forceActiveFocus();
        type(m->view.get(), "news.example");
        m->click(addSiteButton());
        QCOMPARE(m->manager->blockedSites().size(), 1);
        QCOMPARE(m->manager->blockedSites().first().domain, QStringLiteral("news.example"));
        QCOMPARE(field->property("text").toString(), QString());

        m->click(m->item(QStringLiteral("news.example")));
        QVERIFY(!m->manager->blockedSites().first().isEnabled);
        m->click(m->item(QStringLiteral("Delete news.example")));
        QVERIFY(m->manager->blockedSites().isEmpty());
    }

    // The probe clears the hint at once; it comes back only if a browser cannot be reached.
    void browserAccessHintFollowsTheProbe() {
        QQuickItem* hint =
            m->view->rootObject()->findChild<QQuickItem*>(QStringLiteral("browserAccessHint"));
        QVERIFY(!hint->isVisible());
        m->manager->setBrowserAccessDenied(true);
        QVERIFY(hint->isVisible());

        RunningApplication chromium = app(QStringLiteral("Chromium-Webbrowser"));
        chromium.identity = QStringLiteral("chromium.desktop");
        m->desktop.workspace.running = {chromium};
        m->desktop.browser.hold();
        m->click(m->item(QStringLiteral("Test Browser Access")));
        QVERIFY(!hint->isVisible());
        m->desktop.browser.release();
        QTRY_VERIFY(hint->isVisible());  // nothing reaches the running browser

        // Reached, but not in private windows: one plain line says how to allow it.
        BrowserAnswer unseen{BrowserAnswer::Status::Ok, QStringLiteral("about:blank")};
        unseen.privateWindowsUnseen = true;
        m->desktop.browser.setAnswer(unseen);
        m->click(m->item(QStringLiteral("Test Browser Access")));
        QTRY_COMPARE(m->desktop.browser.reads().size(), 2);
        QTRY_VERIFY(!m->manager->browserAccessDenied());
        QVERIFY(!hint->isVisible());
        QQuickItem* notice =
            m->view->rootObject()->findChild<QQuickItem*>(QStringLiteral("browserNotice"));
        QTRY_VERIFY(notice->isVisible());
        QVERIFY(notice->property("text").toString().contains(u"\"Allow in Incognito\""));
        // And the browser's own line, read out whole.
        QTRY_VERIFY(
            m->shows(QStringLiteral("Chromium: Guarded, private windows not: turn on "
                                    "\"Allow in Incognito\" for Quorel in "
                                    "chrome://extensions")));

        QQuickItem* bridge =
            m->view->rootObject()->findChild<QQuickItem*>(QStringLiteral("bridgeProblem"));
        QVERIFY(!bridge->isVisible());
        m->manager->setBridgeProblem(QStringLiteral("<b>off</b>"));
        QVERIFY(bridge->isVisible());
        QCOMPARE(bridge->property("textFormat").toInt(), int(Qt::PlainText));
    }

private:
    QQuickItem* addSiteButton() const {
        return m->view->rootObject()->findChild<QQuickItem*>(QStringLiteral("addSiteButton"));
    }
};

QTEST_MAIN(TestBlockersView)
#include "tst_blockersview.moc"
