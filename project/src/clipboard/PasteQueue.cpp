#include "clipboard/PasteQueue.h"

#include <algorithm>

namespace {
const QString forward = QStringLiteral("forward");
const QString backward = QStringLiteral("backward");
} // namespace

bool PasteQueue::is_known_order(const QString& order) {
    return order == forward || order == backward;
}

std::optional<int> PasteQueue::insertion_index(const QString& order, bool automatic, int position,
                                               int size) {
    if (order == forward)
        return size;
    if (order != backward)
        return std::nullopt;
    const int index = automatic ? position : 0;
    // A position set from outside may lie past the end; the end is the nearest place then.
    return std::clamp(index, 0, size);
}

PasteQueue::Drop PasteQueue::drop_oldest(const QString& order, int inserted_at, int position,
                                         int size) {
    Drop drop{inserted_at == 0 ? size - 1 : 0, position};
    // Entries above the dropped one move down by one. In backward order the position is the
    // next entry going down, so dropping that entry itself also lowers it.
    const bool backward_order = order == backward;
    if (drop.index < position || (backward_order && drop.index == position))
        --drop.position;
    const int last = size - 2; // the last index once the entry is gone
    drop.position = std::clamp(drop.position, -1, backward_order ? last : last + 1);
    return drop;
}

std::optional<PasteQueue::Step> PasteQueue::paste_step(const QString& order, bool mime_history,
                                                       bool automatic, bool locked, int p, int n) {
    if (p < 0)
        p = 0;
    if (n == 0 || !is_known_order(order))
        return std::nullopt;
    const bool moving = automatic && !locked;

    if (order == forward) {
        bool clamped = false;
        if (p > n - 1 && !locked) {
            p = n - 1;
            clamped = true;
        }
        // A locked position past the end still reads the last entry.
        const int index = std::min(p, n - 1);
        if (moving && !(mime_history && clamped))
            ++p;
        return Step{index, p};
    }

    if (p > n - 1)
        p = n - 1;
    const int index = p;
    if (moving)
        --p;
    return Step{index, p};
}

int PasteQueue::go_back(const QString& order, int p, int n) {
    if (order == forward)
        return p < 0 ? 0 : std::min(p, n - 1) - 1;
    if (p >= n - 1)
        return n - 1;
    if (p == -1)
        return 1;
    return p + 1;
}

int PasteQueue::go_forward(const QString& order, int p, int n) {
    if (order == forward)
        return p < n - 1 ? p + 1 : n - 1;
    return std::max(p, 0) - 1;
}

int PasteQueue::remaining(const QString& order, int p, int n) {
    // Clamped: a position past either end must not show a negative or oversized count.
    if (order == forward)
        return n == 0 ? 0 : std::clamp(n - p, 0, n);
    return std::clamp(p + 1, 0, n);
}
