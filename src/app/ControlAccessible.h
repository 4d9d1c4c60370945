// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QAccessibleObject>

class QQuickItem;

namespace Quorel {

// Why this exists: Qt 6.4's accessible interface for Quick items never reports a disabled item,
// so a screen reader offers "Strict Locked" and "Reset" as buttons to press during a strict
// session. This one stands in for every Quick Controls button (the app's buttons, switches,
// segments and sidebar rows), reads what Qt reads from their Accessible attached properties,
// and adds the disabled state. Later Qt versions do this themselves.
class ControlAccessible final : public QAccessibleObject, public QAccessibleActionInterface {
public:
    // Makes it stand in for every such control created from now on. Call after the application
    // object exists; calling again is harmless.
    static void install();

    ControlAccessible(QQuickItem* control, QAccessible::Role ownRole);

    QAccessibleInterface* parent() const override;
    QAccessibleInterface* child(int index) const override;
    int childCount() const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QWindow* window() const override;
    QRect rect() const override;
    QAccessible::Role role() const override;
    QAccessible::State state() const override;
    QString text(QAccessible::Text kind) const override;
    void* interface_cast(QAccessible::InterfaceType type) override;

    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;
    QStringList keyBindingsForAction(const QString& actionName) const override;

private:
    QQuickItem* control() const;
    // A property of the Accessible attached object the view binds; invalid while there is none.
    QVariant attached(const char* name) const;
    bool isToggle() const;

    QAccessible::Role m_ownRole;
};

}  // namespace Quorel
