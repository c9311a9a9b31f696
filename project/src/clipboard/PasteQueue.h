#pragma once

#include <QString>
#include <optional>

// The arithmetic of the paste position, kept apart from the clipboard so that every walk through
// the queue can be checked on its own. p is the position, n the size of the history in use.
class PasteQueue {
public:
    struct Step {
        int index;    // the entry to paste
        int position; // the position afterwards
    };

    static bool is_known_order(const QString& order);

    // Where a new entry goes; nullopt for an unknown order. position is the one already raised
    // for a backward automatic capture.
    static std::optional<int> insertion_index(const QString& order, bool automatic, int position,
                                              int size);

    // A history over its limit after inserting at inserted_at drops its oldest entry: the front,
    // or the end when the new entry itself went in at the front. The position follows the entry
    // it pointed at, so it never points past the shortened history.
    struct Drop {
        int index;    // the entry to drop
        int position; // the position afterwards
    };
    static Drop drop_oldest(const QString& order, int inserted_at, int position, int size);

    // The entry a paste takes and where the position goes; nullopt when nothing is pasted.
    static std::optional<Step> paste_step(const QString& order, bool mime_history, bool automatic,
                                          bool locked, int p, int n);

    static int go_back(const QString& order, int p, int n);
    static int go_forward(const QString& order, int p, int n);
    static int remaining(const QString& order, int p, int n);
};
