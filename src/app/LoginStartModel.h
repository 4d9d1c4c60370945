// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "ManagerModel.h"
#include "ports/LoginStart.h"

#include <QtQml/qqmlregistration.h>

namespace Quorel {

// Starting at login, for the Settings switch and the Focus screen's one-time offer. The answer
// is read from the desktop when the model is made and whenever Quorel comes to the front, so a
// change made in the desktop's own settings shows; nothing polls.
class LoginStartModel : public ManagerModel {
    Q_OBJECT
    QML_ELEMENT

    // A desktop to ask; without one the controls stay hidden.
    Q_PROPERTY(bool available READ available CONSTANT)
    // Written by the switch. A change that fails leaves it at what the desktop says.
    Q_PROPERTY(bool loginStartEnabled READ loginStartEnabled WRITE setLoginStartEnabled NOTIFY
                   loginStartChanged)
    // Why the last change failed, in a sentence for the user; empty after a success.
    Q_PROPERTY(QString problem READ problem NOTIFY problemChanged)
    // The Focus screen's offer: a new install that has not answered and does not start at
    // login already.
    Q_PROPERTY(bool offerShown READ offerShown NOTIFY offerChanged)

public:
    explicit LoginStartModel(QObject* parent = nullptr);

    // The desktop every model asks from then on; nullptr for none. Set before the views load;
    // it must outlive them.
    static void setService(LoginStart* service);

    bool available() const { return m_service != nullptr; }
    bool loginStartEnabled() const { return m_enabled; }
    void setLoginStartEnabled(bool enabled);
    QString problem() const { return m_problem; }
    bool offerShown() const;

    // Reads the desktop's answer again.
    Q_INVOKABLE void refresh();
    // The offer's two answers; either one ends the offer for good, once it is carried out.
    Q_INVOKABLE void acceptOffer();
    Q_INVOKABLE void declineOffer();

signals:
    void loginStartChanged();
    void problemChanged();
    void offerChanged();

protected:
    void follow(FocusManager* manager) override;
    void managerReplaced() override;

private:
    void setProblem(const QString& problem);

    LoginStart* const m_service;
    bool m_enabled = false;
    QString m_problem;
};

}  // namespace Quorel
