#pragma once

#include "platform/ClipboardReader.h"

#include <QList>
#include <QMap>
#include <QPair>

// Reads the in-process clipboard as an owner on X11 would serve it (an image as image/png), or
// an offer a test scripts, and counts every request.
class FakeClipboardReader : public ClipboardReader {
public:
    Offer offer() override;
    Data fetch(const QString& format) override;

    // The next offers come from this owner instead of the clipboard, until clear_script().
    void script(const QList<QPair<QString, QByteArray>>& formats) {
        m_script = formats;
        m_scripted = true;
    }
    // An owner that never answers.
    void set_hung(bool hung) { m_hung = hung; }
    // The owner offers format but never answers a request for it.
    void fail(const QString& format) { m_failing.append(format); }
    void clear_script() {
        m_scripted = false;
        m_script.clear();
        m_failing.clear();
    }

    QMap<QString, int> fetches() const { return m_fetches; }

private:
    QList<QPair<QString, QByteArray>> m_script;
    bool m_scripted = false;
    bool m_hung = false;
    QStringList m_failing;
    QMap<QString, int> m_fetches;
};
