#include "UndoHistory.h"

namespace ombrel {

void UndoHistory::record(UndoEntry before) {
    undo_.push_back(std::move(before));
    if (undo_.size() > limit) undo_.pop_front();
    redo_.clear();
}

std::optional<UndoEntry> UndoHistory::popUndo() {
    if (undo_.empty()) return std::nullopt;
    UndoEntry top = std::move(undo_.back());
    undo_.pop_back();
    return top;
}

std::optional<UndoEntry> UndoHistory::popRedo() {
    if (redo_.empty()) return std::nullopt;
    UndoEntry top = std::move(redo_.back());
    redo_.pop_back();
    return top;
}

void UndoHistory::clear() {
    undo_.clear();
    redo_.clear();
}

}  // namespace ombrel
