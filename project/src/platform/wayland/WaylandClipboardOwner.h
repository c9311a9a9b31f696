#pragma once

#include "platform/ClipboardOwner.h"

#include <QHash>
#include <QStringList>

#include <memory>

class QMimeData;
class WaylandConnection;
struct zwlr_data_control_device_v1;
struct zwlr_data_control_offer_v1;
struct zwlr_data_control_source_v1;

// Serves the clipboard over the compositor's data-control protocol, which lets a program that
// has no focused window own and watch the clipboard. It follows the selection for the reader:
// every offer comes with its list of formats, and the newest stays until the next replaces it.
// Another program's selection is reported as a copy; ours is not.
class WaylandClipboardOwner : public ClipboardOwner {
    Q_OBJECT
public:
    WaylandClipboardOwner(WaylandConnection& wayland, QObject* parent = nullptr);
    ~WaylandClipboardOwner() override;

    // False (error says why) when the compositor has no data-control.
    bool start(QString* error);

    Result serve(QMimeData* entry) override;
    bool serving() const override { return m_source != nullptr; }
    bool hand_over(int timeout_ms) override;
    // Waits, handling only our Wayland events, until a program has asked for what we serve now
    // (the paste has read it) or timeout_ms have passed; false when none asked.
    bool wait_for_answer(int timeout_ms);

    // The selection another program offers now, and its formats as it listed them.
    zwlr_data_control_offer_v1* current_offer() const { return m_current.offer; }
    const QStringList& current_formats() const { return m_current.formats; }

    // The formats entry goes out under: text in every encoding programs ask for, Qt's own
    // formats left out, the password manager's mark kept.
    static QStringList served_formats(const QMimeData& entry);

    // The listeners' entry points.
    void offer_listed(zwlr_data_control_offer_v1* offer, const char* format);
    void data_offered(zwlr_data_control_offer_v1* offer);
    void selection_changed(zwlr_data_control_offer_v1* offer);
    void primary_offered(zwlr_data_control_offer_v1* offer);
    void device_finished();
    void send_requested(zwlr_data_control_source_v1* source, const char* format, int fd);
    void source_cancelled(zwlr_data_control_source_v1* source);

signals:
    // A program asked us for the clipboard's content (a paste reached it).
    void answered();

private:
    QByteArray bytes_for(const QString& format);
    void drop_current();

    WaylandConnection& m_wayland;
    zwlr_data_control_device_v1* m_device = nullptr;
    zwlr_data_control_source_v1* m_source = nullptr;
    std::unique_ptr<QMimeData> m_entry;
    QHash<QString, QByteArray> m_cache;
    // An offer and its formats as far as they are looked at.
    struct Listed {
        zwlr_data_control_offer_v1* offer = nullptr;
        QStringList formats;
        int dropped = 0; // names past the cut, not looked at
    };
    // Offers announced but not yet made the selection, with the formats they listed so far.
    QHash<zwlr_data_control_offer_v1*, Listed> m_announced;
    Listed m_current;
    bool m_answered = false;
};
