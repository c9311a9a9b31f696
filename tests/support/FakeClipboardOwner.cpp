#include "FakeClipboardOwner.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

FakeClipboardOwner::FakeClipboardOwner(QObject* parent) : ClipboardOwner(parent) {
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this,
            &FakeClipboardOwner::clipboard_changed);
}

ClipboardOwner::Result FakeClipboardOwner::serve(QMimeData* entry) {
    m_served.append(entry->text());
    m_setting = true;
    QGuiApplication::clipboard()->setMimeData(entry);
    m_setting = false;
    m_serving = true;
    return {};
}

void FakeClipboardOwner::clipboard_changed() {
    if (m_setting)
        return;
    m_serving = false;
    if (m_reports_queued)
        report_copy_later();
    else
        emit copied();
}
