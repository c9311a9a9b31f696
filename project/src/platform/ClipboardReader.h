#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Reads the clipboard from the program that owns it, one format per request, each request a
// round trip to that program. A read never outlasts its time limit, gives up when the owner goes
// away, and gives up at once when the process is asked to end, so neither a slow owner nor a
// hung one can keep the program from quitting. An offer and the reads that follow it are one
// capture, with one deadline and one size cap for all its formats together.
class ClipboardReader {
public:
    struct Offer {
        bool ok = false;     // false: the owner did not answer (error says why)
        QStringList formats; // MIME names; empty when nobody owns the clipboard
        QString error;
    };
    struct Data {
        bool ok = false;
        QByteArray bytes; // "text/plain" always comes as UTF-8
        QString error;
    };

    virtual ~ClipboardReader() = default;

    // What the current owner offers, without the protocol's own targets and with every text
    // encoding given once as "text/plain".
    virtual Offer offer() = 0;
    // One format of the offer read last.
    virtual Data fetch(const QString& format) = 0;
};
