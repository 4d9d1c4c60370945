// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "AppShell.h"
#include "Fakes.h"

#include <QtQml/qqmlextensionplugin.h>
#include <QAccessible>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QSignalSpy>
#include <QTest>

#include <memory>

Q_IMPORT_QML_PLUGIN(QuorelPlugin)

using namespace Quorel;

namespace {

// Walks the accessibility tree, as a screen reader or a UI test would.
QAccessibleInterface* findButton(QAccessibleInterface* node, const QString& name) {
    if (node == nullptr) {
        return nullptr;
    }
    if (node->role() == QAccessible::Button && node->text(QAccessible::Name) == name) {
        return node;
    }
    for (int i = 0; i < node->childCount(); ++i) {
        if (QAccessibleInterface* found = findButton(node->child(i), name)) {
            return found;
        }
    }
    return nullptr;
}

// Qt 6.4 does not put a Quick item's enabled flag into its accessible state; read the control.
bool isEnabled(QAccessibleInterface* button) {
    return button->object()->property("enabled").toBool();
}

// A real mouse click on the button's centre, so a disabled button swallows it as it would.
void click(QQuickView& view, QAccessibleInterface* button) {
    const auto* item = qobject_cast<QQuickItem*>(button->object());
    const QPointF centre = item->mapToScene(QPointF(item->width() / 2, item->height() / 2));
    QTest::mouseClick(&view, Qt::LeftButton, {}, centre.toPoint());
}

}  // namespace

// The real control window, loaded offscreen against a manager on fakes.
class TestTrayContentView : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
        QAccessible::setActive(true);
    }

    void init() {
        m_desktop = std::make_unique<FakeDesktop>();
        m_manager = m_desktop->makeManager();
        m_engine = std::make_unique<QQmlEngine>();
        m_engine->addImportPath(QStringLiteral("qrc:/qt/qml"));
        m_view = std::make_unique<QQuickView>(m_engine.get(), nullptr);
        m_view->setSource(QUrl(QStringLiteral("qrc:/qt/qml/Quorel/qml/TrayContentView.qml")));
        QVERIFY2(m_view->status() == QQuickView::Ready,
                 qPrintable(m_view->errors().value(0).toString()));
        m_view->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_view.get()));
    }

    void cleanup() {
        m_view.reset();
        m_engine.reset();
        m_manager.reset();
        m_desktop.reset();
    }

    void fixedWidthAndFullHeight() {
        QCOMPARE(m_view->rootObject()->width(), 270.0);
        QVERIFY(m_view->rootObject()->height() > 300);
    }

    void strictRunLocksEveryAction() {
        QAccessibleInterface* window = QAccessible::queryAccessibleInterface(m_view.get());
        QAccessibleInterface* primary = findButton(window, QStringLiteral("Start Focus"));
        QVERIFY(primary != nullptr);
        QVERIFY(isEnabled(primary));

        m_manager->setStrictMode(true);
        m_manager->toggleStartPause();

        QCOMPARE(primary->text(QAccessible::Name), QStringLiteral("Locked"));
        QVERIFY(!isEnabled(primary));
        for (const QString& name : {QStringLiteral("Reset"), QStringLiteral("Quit")}) {
            QAccessibleInterface* button = findButton(window, name);
            QVERIFY2(button != nullptr, qPrintable(name));
            QVERIFY2(!isEnabled(button), qPrintable(name));
        }
        QAccessibleInterface* open = findButton(window, QStringLiteral("Open Quorel"));
        QVERIFY(open != nullptr);
        QVERIFY(isEnabled(open));
    }

    void footerButtonsReachTheShell_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QByteArray>("signal");

        QTest::newRow("Open Quorel") << "Open Quorel" << QByteArray(SIGNAL(mainWindowRequested()));
        QTest::newRow("Quit") << "Quit" << QByteArray(SIGNAL(quitRequested()));
    }

    void footerButtonsReachTheShell() {
        QFETCH(QString, button);
        QFETCH(QByteArray, signal);
        QSignalSpy requested(AppShell::of(*m_engine), signal.constData());
        QAccessibleInterface* window = QAccessible::queryAccessibleInterface(m_view.get());
        QAccessibleInterface* target = findButton(window, button);
        QVERIFY(target != nullptr);

        click(*m_view, target);

        QCOMPARE(requested.count(), 1);
    }

    void startButtonStartsTheCountdown() {
        QAccessibleInterface* window = QAccessible::queryAccessibleInterface(m_view.get());
        m_manager->setStrictMode(false);
        QAccessibleInterface* primary = findButton(window, QStringLiteral("Start Focus"));
        QVERIFY(primary != nullptr);

        click(*m_view, primary);

        QVERIFY(m_manager->isRunning());
        QCOMPARE(primary->text(QAccessible::Name), QStringLiteral("Pause"));
    }

private:
    std::unique_ptr<FakeDesktop> m_desktop;
    std::unique_ptr<FocusManager> m_manager;
    std::unique_ptr<QQmlEngine> m_engine;
    std::unique_ptr<QQuickView> m_view;
};

QTEST_MAIN(TestTrayContentView)
#include "tst_traycontentview.moc"
