// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ControlAccessible.h"

#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>

#include <optional>
#include <string_view>
#include <utility>

namespace Quorel {

namespace {

// An Accessible attached object of the item: Qt makes it a child of the item it describes.
QObject* anyAccessibleAttached(const QObject* item) {
    for (QObject* child : item->children()) {
        if (child->inherits("QQuickAccessibleAttached")) {
            return child;
        }
    }
    return nullptr;
}

// The one the views' bindings write, as QML records it. Controls made while a screen reader
// listens can carry a second one that nothing binds, ahead of it among the children. While the
// first one is still being made (when Qt announces the control), there is none yet.
QObject* boundAccessibleAttached(QObject* item) {
    const QObject* any = anyAccessibleAttached(item);
    if (any == nullptr) {
        return nullptr;
    }
    return qmlAttachedPropertiesObject(
        item, qmlAttachedPropertiesFunction(nullptr, any->metaObject()), false);
}

// Whether Qt puts the item in the accessibility tree ("ignored" is the item's own, whichever
// attached object reads it).
bool isDescribed(const QObject* item) {
    const QObject* attached = anyAccessibleAttached(item);
    return attached != nullptr && !attached->property("ignored").toBool();
}

// The Quick Controls types the app builds its controls on, with the role each gives itself in
// Qt 6.4 when the view sets none.
std::optional<QAccessible::Role> ownRole(const QObject* control) {
    static constexpr std::pair<std::string_view, QAccessible::Role> known[] = {
        {"QQuickAbstractButton", QAccessible::Button},
        {"QQuickButton", QAccessible::Button},
        {"QQuickSwitch", QAccessible::CheckBox},
        {"QQuickCheckBox", QAccessible::CheckBox},
        {"QQuickRadioButton", QAccessible::RadioButton},
        {"QQuickItemDelegate", QAccessible::ListItem},
    };
    // QML types first (ActionButton_QMLTYPE_3), then the Qt type they are built on.
    for (const QMetaObject* type = control->metaObject(); type != nullptr;
         type = type->superClass()) {
        const std::string_view name = type->className();
        for (const auto& [typeName, role] : known) {
            if (name == typeName) {
                return role;
            }
        }
        if (name.starts_with("QQuick")) {
            return std::nullopt;  // some other Qt item: Qt's own interface describes it
        }
    }
    return std::nullopt;
}

QAccessibleInterface* createControlAccessible(const QString&, QObject* object) {
    auto* item = qobject_cast<QQuickItem*>(object);
    // Not whether the control is in the tree now: the first interface made for it is kept, and a
    // control hidden (so left out) when it is made shows later.
    if (item == nullptr || anyAccessibleAttached(item) == nullptr) {
        return nullptr;
    }
    const std::optional<QAccessible::Role> role = ownRole(item);
    if (!role) {
        return nullptr;
    }
    // Screen readers that listen rather than ask hear the change too.
    QObject::connect(item, &QQuickItem::enabledChanged, item, [item] {
        QAccessible::State changed;
        changed.disabled = true;
        QAccessibleStateChangeEvent event(item, changed);
        QAccessible::updateAccessibility(&event);
    });
    return new ControlAccessible(item, *role);
}

}  // namespace

void ControlAccessible::install() {
    // Factories are asked newest first: this one goes ahead of Quick's own.
    QAccessible::removeFactory(createControlAccessible);
    QAccessible::installFactory(createControlAccessible);
}

ControlAccessible::ControlAccessible(QQuickItem* control, QAccessible::Role ownRole)
    : QAccessibleObject(control), m_ownRole(ownRole) {}

QQuickItem* ControlAccessible::control() const {
    return static_cast<QQuickItem*>(object());
}

// Asked each time: the factory may run before the bound attached object exists.
QVariant ControlAccessible::attached(const char* name) const {
    const QObject* attached = boundAccessibleAttached(control());
    return attached != nullptr ? attached->property(name) : QVariant();
}

QAccessibleInterface* ControlAccessible::parent() const {
    QQuickWindow* window = control()->window();
    const QQuickItem* root = window != nullptr ? window->contentItem() : nullptr;
    // The nearest item Qt describes, as Qt's own interfaces answer.
    for (QQuickItem* up = control()->parentItem(); up != nullptr; up = up->parentItem()) {
        if (up == root) {
            return QAccessible::queryAccessibleInterface(window);
        }
        if (isDescribed(up)) {
            return QAccessible::queryAccessibleInterface(up);
        }
    }
    return nullptr;
}

// A control is a leaf, as Qt has it: its label is its name.
QAccessibleInterface* ControlAccessible::child(int) const {
    return nullptr;
}

int ControlAccessible::childCount() const {
    return 0;
}

int ControlAccessible::indexOfChild(const QAccessibleInterface*) const {
    return -1;
}

QWindow* ControlAccessible::window() const {
    return control()->window();
}

QRect ControlAccessible::rect() const {
    const QQuickItem* item = control();
    if (item->window() == nullptr || !item->isVisible() || qFuzzyIsNull(item->opacity())) {
        return {};
    }
    const QRectF scene = item->mapRectToScene(QRectF(0, 0, item->width(), item->height()));
    return {item->window()->mapToGlobal(scene.topLeft().toPoint()), scene.size().toSize()};
}

QAccessible::Role ControlAccessible::role() const {
    // The view's Accessible.role, when it sets one.
    const auto role = attached("role").value<QAccessible::Role>();
    return role != QAccessible::NoRole ? role : m_ownRole;
}

bool ControlAccessible::isToggle() const {
    return role() == QAccessible::CheckBox || role() == QAccessible::RadioButton;
}

QAccessible::State ControlAccessible::state() const {
    const QQuickItem* item = control();
    auto flag = [this](const char* name) { return attached(name).toBool(); };
    QAccessible::State state;
    state.checkable = flag("checkable");
    state.checked = flag("checked") || (isToggle() && item->property("checked").toBool());
    state.checkStateMixed = flag("checkStateMixed");
    state.pressed = flag("pressed");
    state.defaultButton = flag("defaultButton");
    state.selectable = flag("selectable");
    state.selected = flag("selected");
    state.focusable = flag("focusable") || item->activeFocusOnTab();
    state.focused = flag("focused") || item->hasActiveFocus();
    const QRect area = rect();
    if (area.isNull() || !item->window()->isVisible()) {
        state.invisible = true;
    } else if (!QRect(item->window()->mapToGlobal(QPoint()), item->window()->size())
                    .intersects(area)) {
        state.offscreen = true;
    }
    if (!item->isEnabled()) {
        state.disabled = true;
        state.focusable = false;
    }
    return state;
}

QString ControlAccessible::text(QAccessible::Text kind) const {
    switch (kind) {
        case QAccessible::Name:
            return attached("name").toString();
        case QAccessible::Description:
            return attached("description").toString();
        default:
            return {};
    }
}

void* ControlAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::ActionInterface) {
        return static_cast<QAccessibleActionInterface*>(this);
    }
    return QAccessibleObject::interface_cast(type);
}

QStringList ControlAccessible::actionNames() const {
    QStringList names;
    if (isToggle()) {
        names << toggleAction();
    }
    names << pressAction();
    if (state().focusable) {
        names << setFocusAction();
    }
    return names;
}

void ControlAccessible::doAction(const QString& actionName) {
    // A disabled control ignores a screen reader's press as it ignores a click.
    if (!control()->isEnabled()) {
        return;
    }
    if (actionName == setFocusAction()) {
        control()->forceActiveFocus();
    } else if (actionName == pressAction() || actionName == toggleAction()) {
        // The views answer Accessible.onPressAction; for a switch or a segment, a press toggles.
        if (QObject* bound = boundAccessibleAttached(control())) {
            QMetaObject::invokeMethod(bound, "pressAction");
        }
    }
}

QStringList ControlAccessible::keyBindingsForAction(const QString&) const {
    return {};
}

}  // namespace Quorel
