#include "platform/ClipboardOwner.h"

#include <QMetaObject>

void ClipboardOwner::report_copy_later() {
    if (m_copy_pending)
        return; // one report reads the newest content anyway
    m_copy_pending = true;
    QMetaObject::invokeMethod(this, &ClipboardOwner::report_pending_copy, Qt::QueuedConnection);
}

void ClipboardOwner::report_pending_copy() {
    if (!m_copy_pending)
        return;
    m_copy_pending = false;
    emit copied();
}
