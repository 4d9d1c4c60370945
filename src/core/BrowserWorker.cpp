// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "BrowserWorker.h"

namespace Quorel {

BrowserWorker::BrowserWorker() : m_context(new QObject) {
    m_thread.setObjectName(QStringLiteral("com.quorel.browser"));
    m_context->moveToThread(&m_thread);
    QObject::connect(&m_thread, &QThread::finished, m_context, &QObject::deleteLater);
    m_thread.start(QThread::LowPriority);
}

BrowserWorker::~BrowserWorker() {
    m_thread.quit();
    m_thread.wait();
}

void BrowserWorker::submit(std::function<void()> task) {
    QMetaObject::invokeMethod(m_context, std::move(task), Qt::QueuedConnection);
}

void BrowserWorker::submitAndWait(std::function<void()> task) {
    QMetaObject::invokeMethod(m_context, std::move(task), Qt::BlockingQueuedConnection);
}

}  // namespace Quorel
