#pragma once

#include "model/EditSettings.h"
#include "model/Uuid.h"

#include <cstddef>
#include <deque>
#include <optional>

namespace ombrel {

// A photo's complete settings at one point of the history.
struct UndoEntry {
    Uuid id;
    EditSettings settings;

    bool operator==(const UndoEntry&) const = default;
};

// One undo and one redo stack for all photos of the open folder. Only new
// edits are bounded: redoing may grow the undo stack past the limit again.
class UndoHistory {
public:
    static constexpr std::size_t limit = 200;

    // A new edit: the settings from before it become the newest undo step,
    // the oldest step falls off beyond the limit, and redo is no longer possible.
    void record(UndoEntry before);

    std::optional<UndoEntry> popUndo();
    std::optional<UndoEntry> popRedo();
    void pushUndo(UndoEntry entry) { undo_.push_back(std::move(entry)); }
    void pushRedo(UndoEntry entry) { redo_.push_back(std::move(entry)); }

    bool canUndo() const { return !undo_.empty(); }
    bool canRedo() const { return !redo_.empty(); }
    std::size_t undoCount() const { return undo_.size(); }
    std::size_t redoCount() const { return redo_.size(); }

    void clearRedo() { redo_.clear(); }
    void clear();

private:
    std::deque<UndoEntry> undo_;  // oldest first
    std::deque<UndoEntry> redo_;
};

}  // namespace ombrel
