// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// Loads one of the main window's screens offscreen against a manager on fakes, and finds its
// controls the way a screen reader does: by accessible name.

#include "ControlAccessible.h"
#include "Fakes.h"
#include "MainWindowState.h"

#include <QAccessible>
#include <QDir>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQmlExpression>
#include <QQuickItem>
#include <QQuickView>
#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace Quorel {

// Every item drawn under root, depth first (delegates are not root's QObject children).
inline QList<QQuickItem*> allItems(QQuickItem* root) {
    QList<QQuickItem*> items;
    for (QQuickItem* child : root->childItems()) {
        items.append(child);
        items.append(allItems(child));
    }
    return items;
}

// How many texts under root show needle, failing the test for any that would read it as markup
// (a name from outside must never load an image or style the screen).
inline int plainTextsShowing(QQuickItem* root, const QString& needle) {
    int shown = 0;
    for (QQuickItem* item : allItems(root)) {
        if (item->inherits("QQuickText") && item->property("text").toString().contains(needle)) {
            if (item->property("textFormat").toInt() != Qt::PlainText) {
                qWarning("markup allowed in: %s", qPrintable(item->property("text").toString()));
                return -1;
            }
            ++shown;
        }
    }
    return shown;
}

inline QRectF sceneRect(QQuickItem* item) {
    return item->mapRectToScene(QRectF(0, 0, item->width(), item->height()));
}

class ScreenHarness {
public:
    // A detail column of the smallest main window: 820 wide less the sidebar.
    static constexpr QSize detailColumn{595, 640};

    ScreenHarness() : manager(desktop.makeManager()) {}

    // Loads qrc:/qt/qml/Quorel/qml/<file>; the caller checks the result with QVERIFY2.
    QString load(const QString& file, QSize size = detailColumn) {
        ControlAccessible::install();  // as the app does at start
        engine = std::make_unique<QQmlEngine>();
        engine->addImportPath(QStringLiteral("qrc:/qt/qml"));
        view = std::make_unique<QQuickView>(engine.get(), nullptr);
        view->setResizeMode(QQuickView::SizeRootObjectToView);
        view->resize(size);
        view->setColor(QColor(0x12, 0x15, 0x1A));
        view->setSource(QUrl(QStringLiteral("qrc:/qt/qml/Quorel/qml/") + file));
        if (view->status() != QQuickView::Ready) {
            return view->errors().value(0).toString();
        }
        view->show();
        if (!QTest::qWaitForWindowExposed(view.get())) {
            return QStringLiteral("window not exposed");
        }
        return {};
    }

    // The first node with this accessible name, depth first, optionally of one role.
    QAccessibleInterface* find(const QString& name,
                               std::optional<QAccessible::Role> role = std::nullopt) const {
        return find(QAccessible::queryAccessibleInterface(view.get()), name, role);
    }

    QQuickItem* item(const QString& name,
                     std::optional<QAccessible::Role> role = std::nullopt) const {
        QAccessibleInterface* node = find(name, role);
        return node != nullptr ? qobject_cast<QQuickItem*>(node->object()) : nullptr;
    }

    // Shown on screen: the item and every parent visible.
    bool shows(const QString& name) const {
        QQuickItem* found = item(name);
        return found != nullptr && found->isVisible();
    }

    // A colour of the views' Theme, as the views see it.
    QColor themeColor(const char* name) const {
        QQmlExpression expression(qmlContext(view->rootObject()), view->rootObject(),
                                  QStringLiteral("Theme.") + QLatin1String(name));
        return expression.evaluate().value<QColor>();
    }

    // Lets the layouts catch up with the last changes: they settle before the next frame.
    void settle() const {
        QSignalSpy swapped(view.get(), &QQuickWindow::frameSwapped);
        view->update();
        swapped.wait(1000);
    }

    // A real mouse click on the item's centre, so a disabled control swallows it as it would;
    // a control below the fold is scrolled in first, as a user would.
    void click(QQuickItem* target) const {
        for (QQuickItem* page = target->parentItem(); page != nullptr; page = page->parentItem()) {
            if (page->metaObject()->indexOfMethod("reveal(QVariant)") >= 0) {
                QMetaObject::invokeMethod(page, "reveal",
                                          Q_ARG(QVariant, QVariant::fromValue(target)));
                break;
            }
        }
        settle();
        const QPointF centre =
            target->mapToScene(QPointF(target->width() / 2, target->height() / 2));
        QTest::mouseClick(view.get(), Qt::LeftButton, {}, centre.toPoint());
    }

    // With QUOREL_SCREENSHOTS set to a folder, saves what the window shows there.
    void screenshot(const QString& name) const {
        const QString folder = qEnvironmentVariable("QUOREL_SCREENSHOTS");
        if (folder.isEmpty()) {
            return;
        }
        QDir().mkpath(folder);
        QTest::qWait(800);  // let the ring's animation and the scroll bar's fade settle
        view->grabWindow().save(folder + QLatin1Char('/') + name + QStringLiteral(".png"));
    }

    FakeDesktop desktop;
    std::unique_ptr<FocusManager> manager;

    // The selected screen and the add forms, as the window keeps them beside the manager.
    MainWindowState& windowState() { return MainWindowState::of(*manager); }
    std::unique_ptr<QQmlEngine> engine;
    std::unique_ptr<QQuickView> view;

private:
    static QAccessibleInterface* find(QAccessibleInterface* node, const QString& name,
                                      std::optional<QAccessible::Role> role) {
        if (node == nullptr) {
            return nullptr;
        }
        if (node->text(QAccessible::Name) == name && (!role || node->role() == *role)) {
            return node;
        }
        for (int i = 0; i < node->childCount(); ++i) {
            if (QAccessibleInterface* found = find(node->child(i), name, role)) {
                return found;
            }
        }
        return nullptr;
    }
};

// The fixture of one screen's tests: before every test, a fresh manager on fakes with the screen
// loaded against it.
class ScreenTest : public QObject {
    Q_OBJECT

public:
    explicit ScreenTest(QString file) : m_file(std::move(file)) {}

protected:
    std::unique_ptr<ScreenHarness> m;

private slots:
    void initTestCase() {
        QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
        QAccessible::setActive(true);
    }

    void init() {
        m = std::make_unique<ScreenHarness>();
        const QString error = m->load(m_file);
        QVERIFY2(error.isEmpty(), qPrintable(error));
    }

    void cleanup() { m.reset(); }

private:
    QString m_file;
};

}  // namespace Quorel
