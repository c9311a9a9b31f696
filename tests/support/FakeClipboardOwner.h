#pragma once

#include "platform/ClipboardOwner.h"

#include <QStringList>

// Serves entries through Qt's in-process clipboard (offscreen), so a test reads what a program
// would paste, and reports every other clipboard change as a copy. Remembers what it served.
class FakeClipboardOwner : public ClipboardOwner {
    Q_OBJECT
public:
    explicit FakeClipboardOwner(QObject* parent = nullptr);

    Result serve(QMimeData* entry) override;
    bool serving() const override { return m_serving; }
    bool hand_over(int) override {
        ++m_hand_overs;
        return false;
    }
    int hand_overs() const { return m_hand_overs; }

    // The text of each entry served, in order.
    QStringList served_texts() const { return m_served; }
    void clear() { m_served.clear(); }
    void report_owner_gone() { emit owner_gone(); }
    // Copies are reported from the event loop, as the X11 owner reports them.
    void set_reports_queued(bool queued) { m_reports_queued = queued; }

private:
    void clipboard_changed();

    QStringList m_served;
    bool m_serving = false;
    bool m_setting = false;
    int m_hand_overs = 0;
    bool m_reports_queued = false;
};
