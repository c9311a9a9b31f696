#include "WinTaskbarButton.h"

#include <QApplication>
#include <QWidget>
#include <QtDebug>

#include <windows.h>

#include <shobjidl.h>

WinTaskbarButton::~WinTaskbarButton() {
    if (m_list)
        static_cast<ITaskbarList3*>(m_list)->Release();
}

void WinTaskbarButton::set_progress_visible(bool visible) {
    m_visible = visible;
    show();
}

void WinTaskbarButton::set_progress_value(int percent) {
    m_value = qBound(0, percent, 100);
    show();
}

void WinTaskbarButton::set_paused(bool paused) {
    m_paused = paused;
    show();
}

void WinTaskbarButton::show() {
    if (!m_tried) {
        m_tried = true;
        ITaskbarList3* list = nullptr;
        if (SUCCEEDED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER,
                                       IID_ITaskbarList3, reinterpret_cast<void**>(&list))) &&
            SUCCEEDED(list->HrInit())) {
            m_list = list;
        } else {
            if (list)
                list->Release();
            qDebug("TaskbarButton: no ITaskbarList3; the state is only kept");
        }
    }
    auto* list = static_cast<ITaskbarList3*>(m_list);
    if (!list || !qobject_cast<QApplication*>(QCoreApplication::instance()))
        return;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->windowType() != Qt::Window || !widget->isVisible())
            continue;
        HWND window = reinterpret_cast<HWND>(widget->winId());
        if (!m_visible) {
            list->SetProgressState(window, TBPF_NOPROGRESS);
            continue;
        }
        list->SetProgressState(window, m_paused ? TBPF_PAUSED : TBPF_NORMAL);
        list->SetProgressValue(window, ULONGLONG(m_value), 100);
    }
}
