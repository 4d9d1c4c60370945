// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ScreenHarness.h"
#include "ShieldPanelController.h"
#include "ShieldWindowHints.h"

#include <QtQml/qqmlextensionplugin.h>
#include <QGuiApplication>
#include <QQuickView>
#include <QScreen>

Q_IMPORT_QML_PLUGIN(QuorelPlugin)

using namespace Quorel;
using namespace std::chrono_literals;

namespace {

class RecordingHints : public ShieldWindowHints {
public:
    void beforeShow(QWindow& window) override { calls.append({"before", window.isVisible()}); }
    void afterShow(QWindow& window) override { calls.append({"after", window.isVisible()}); }
    QList<std::pair<QByteArray, bool>> calls;  // which, and whether the window was shown then
};

QQuickItem* itemWithText(QQuickWindow* window, const char* className, const QString& text) {
    for (QQuickItem* item : allItems(window->contentItem())) {
        if (item->inherits(className) && item->isVisible() &&
            item->property("text").toString() == text) {
            return item;
        }
    }
    return nullptr;
}

// Moves the panel away from where the shield put it, so a show that gets through is seen
// re-centring it; where it went, once the window has settled there.
QPoint moveAside(QWindow* panel) {
    const QPoint before = panel->position();
    panel->setPosition(before - QPoint(100, 50));
    if (!QTest::qWaitFor([&] { return panel->position() != before; })) {
        return before;
    }
    return panel->position();
}

// Where the panel is once the moves asked of the window so far have landed.
QPoint settledPosition(QWindow* panel) {
    QCoreApplication::processEvents();
    return panel->position();
}

QPoint centredOnPrimaryScreen(QSize size) {
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    return {area.x() + (area.width() - size.width()) / 2,
            area.y() + (area.height() - size.height()) / 2};
}

}  // namespace

// The floating shield, shown offscreen on a clock the test moves.
class TestShieldPanelController : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QQuickWindow::setGraphicsApi(QSGRendererInterface::Software); }

    void init() {
        m_manager = m_desktop.makeManager();
        m_now = std::chrono::steady_clock::time_point(1h);
        m_shield = std::make_unique<ShieldPanelController>(&m_hints, [this] { return m_now; });
    }

    void cleanup() {
        m_shield.reset();
        m_manager.reset();
        m_hints.calls.clear();
    }

    void firstShowFloatsACentredPanelThatTakesNoFocus() {
        QCOMPARE(m_shield->panel(), nullptr);
        m_manager->setSelectedPreset(FocusPreset::Study);

        m_shield->show(QStringLiteral("Slack"), *m_manager);

        QQuickView* panel = m_shield->panel();
        QVERIFY(panel != nullptr);
        QVERIFY(panel->isVisible());
        QCOMPARE(panel->title(), QStringLiteral("Quorel Shield"));
        QCOMPARE(panel->flags() & Qt::WindowType_Mask, Qt::Tool);
        QVERIFY(panel->flags().testFlags(Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus));
        QVERIFY(panel->property("_q_showWithoutActivating").toBool());
        QCOMPARE(panel->size(), QSize(380, 250));
        QCOMPARE(panel->position(), centredOnPrimaryScreen(panel->size()));
        // Two lines of message need more than 250: the panel grows to the card, still centred.
        QQuickItem* card = panel->rootObject()->childItems().value(0);
        QVERIFY(card != nullptr);
        QTRY_VERIFY(card->height() > 250);
        QTRY_COMPARE(panel->height(), qRound(card->height()));
        QCOMPARE(panel->width(), 380);
        QTRY_COMPARE(panel->position(), centredOnPrimaryScreen(panel->size()));
        if (const QString folder = qEnvironmentVariable("QUOREL_SCREENSHOTS"); !folder.isEmpty()) {
            panel->grabWindow().save(folder + QStringLiteral("/shield-panel.png"));
        }
        QVERIFY(itemWithText(panel, "QQuickText", QStringLiteral("Slack is Blocked")));
        QVERIFY(itemWithText(panel, "QQuickText",
                             QStringLiteral("Quorel hid Slack to protect your Study session.")));
        // The desktop hints go to the window just before it maps and once it has.
        QCOMPARE(m_hints.calls,
                 (QList<std::pair<QByteArray, bool>>{{"before", false}, {"after", true}}));
    }

    void repeatsForTheNameUpAreThrottledForOneAndAHalfSeconds_data() {
        QTest::addColumn<QString>("second");
        QTest::addColumn<std::chrono::milliseconds>("after");
        QTest::addColumn<bool>("passes");

        QTest::newRow("same name 1.0 s later") << QStringLiteral("Slack") << 1000ms << false;
        QTest::newRow("same name 1.499 s later") << QStringLiteral("Slack") << 1499ms << false;
        QTest::newRow("same name 1.5 s later") << QStringLiteral("Slack") << 1500ms << true;
        QTest::newRow("same name 1.6 s later") << QStringLiteral("Slack") << 1600ms << true;
        QTest::newRow("another name at once") << QStringLiteral("Discord") << 0ms << true;
    }

    void repeatsForTheNameUpAreThrottledForOneAndAHalfSeconds() {
        QFETCH(QString, second);
        QFETCH(std::chrono::milliseconds, after);
        QFETCH(bool, passes);
        QQuickView* panel = showLaidOut(QStringLiteral("Slack"));
        QVERIFY(panel != nullptr);
        const QPoint centre = panel->position();
        const QPoint aside = moveAside(panel);

        m_now += after;
        m_shield->show(second, *m_manager);

        QVERIFY(panel->isVisible());
        QCOMPARE(settledPosition(panel), passes ? centre : aside);
        QCOMPARE(panel->rootObject()->property("targetName").toString(),
                 passes ? second : QStringLiteral("Slack"));
    }

    void throttleCountsFromTheLastShowThatGotThrough() {
        QQuickView* panel = showLaidOut(QStringLiteral("Slack"));
        QVERIFY(panel != nullptr);
        const QPoint centre = panel->position();
        for (int beat = 1; beat <= 5; ++beat) {  // the fast guard's 0.3 s beats
            m_now += 300ms;
            const QPoint aside = moveAside(panel);
            m_shield->show(QStringLiteral("Slack"), *m_manager);
            QCOMPARE(settledPosition(panel), beat == 5 ? centre : aside);
        }
    }

    void backToWorkHidesThePanelAndAHiddenPanelIsNeverThrottled() {
        m_manager->setInterceptedTargetName(QStringLiteral("Slack"));
        m_shield->show(QStringLiteral("Slack"), *m_manager);
        QQuickView* panel = m_shield->panel();
        QVERIFY(QTest::qWaitForWindowExposed(panel));
        QQuickItem* button = itemWithText(panel, "QQuickButton", QStringLiteral("Back to Work"));
        QVERIFY(button != nullptr);

        QTest::mouseClick(
            panel, Qt::LeftButton, {},
            button->mapToScene(QPointF(button->width() / 2, button->height() / 2)).toPoint());

        QTRY_VERIFY(!panel->isVisible());
        QVERIFY(!m_manager->hasInterceptedTarget());
        m_now += 500ms;
        m_shield->show(QStringLiteral("Slack"), *m_manager);
        QVERIFY(panel->isVisible());

        // Hidden for a while, the panel and its engine are let go, and built again when needed.
        m_shield->setReleaseDelay(0ms);
        panel->hide();
        QTRY_COMPARE(m_shield->panel(), nullptr);
        m_shield->show(QStringLiteral("Slack"), *m_manager);
        QVERIFY(m_shield->panel() != nullptr && m_shield->panel()->isVisible());
    }

private:
    // A first show, once the card is laid out and the panel has grown and centred around it.
    QQuickView* showLaidOut(const QString& name) {
        m_shield->show(name, *m_manager);
        QQuickView* panel = m_shield->panel();
        const QQuickItem* card = panel->rootObject()->childItems().value(0);
        const bool settled = QTest::qWaitFor([&] {
            return card->height() > 0 && panel->height() == qRound(card->height()) &&
                   panel->position() == centredOnPrimaryScreen(panel->size());
        });
        return settled ? panel : nullptr;
    }

    FakeDesktop m_desktop;
    std::unique_ptr<FocusManager> m_manager;
    RecordingHints m_hints;
    std::chrono::steady_clock::time_point m_now;
    std::unique_ptr<ShieldPanelController> m_shield;
};

QTEST_MAIN(TestShieldPanelController)
#include "tst_shieldpanelcontroller.moc"
