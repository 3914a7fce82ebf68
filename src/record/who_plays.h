#pragma once

#include <optional>

#include "record/recorder.h"

// Who plays from the next round on: a child of the record, or a guest (not recorded). The
// program's business, not the record's: the choice is made on 「だれがあそぶ？」 and handed to the
// recorder, which gathers that child's rounds.
class WhoPlays {
public:
    explicit WhoPlays(Recorder& recorder) : m_recorder(recorder) {}

    // A child, or nullopt for a guest.
    void choose(std::optional<qint64> childId) {
        m_recorder.setChild(childId);
        m_chosen = true;
    }
    std::optional<qint64> child() const { return m_recorder.child(); }
    // Nobody has been chosen yet, or the child chosen was removed, while children exist.
    bool mustAsk(bool childrenExist) const { return !m_chosen && childrenExist; }
    // A child removed from the record plays no more: who plays is asked again.
    void childRemoved(qint64 childId) {
        if (m_recorder.child() == childId) {
            m_recorder.setChild(std::nullopt);
            m_chosen = false;
        }
    }

private:
    Recorder& m_recorder;
    bool m_chosen = false;
};
