#include "Hold.h"

#include <algorithm>

Hold theHold;

RestoreObj::~RestoreObj() = default;

Hold::Hold() = default;

Hold::~Hold() {
    for (RestoreObj* r : open_) delete r;
    for (Step& s : undo_) Free(s);
    for (Step& s : redo_) Free(s);
}

void Hold::Free(Step& s) {
    for (RestoreObj* r : s.records) delete r;
    s.records.clear();
}

void Hold::Begin() {
    marks_.push_back(open_.size());
    ++stamp_;
}

int Hold::Holding() const { return !marks_.empty() && suspended_ == 0 && restoring_ == 0; }

void Hold::Put(RestoreObj* rob) {
    if (!rob) return;
    if (!Holding()) {
        delete rob;
        return;
    }
    open_.push_back(rob);
}

void Hold::Accept(const char* name) {
    if (marks_.empty()) return;
    marks_.pop_back();
    ++stamp_;
    if (!marks_.empty()) return;  // an inner hold joins the outer one
    Step step;
    step.name = name ? name : "";
    step.records.swap(open_);
    for (RestoreObj* r : step.records) r->EndHold();
    if (step.records.empty()) return;
    for (Step& s : redo_) Free(s);
    redo_.clear();
    undo_.push_back(std::move(step));
    while (static_cast<int>(undo_.size()) > levels_) {
        Free(undo_.front());
        undo_.erase(undo_.begin());
    }
}

void Hold::Cancel() {
    if (marks_.empty()) return;
    std::size_t mark = marks_.back();
    marks_.pop_back();
    ++restoring_;
    while (open_.size() > mark) {
        RestoreObj* r = open_.back();
        open_.pop_back();
        r->Restore(FALSE);
        delete r;
    }
    --restoring_;
    ++stamp_;
}

bool Hold::Undo() {
    if (undo_.empty() || !marks_.empty()) return false;
    Step step = std::move(undo_.back());
    undo_.pop_back();
    ++restoring_;
    for (auto it = step.records.rbegin(); it != step.records.rend(); ++it) (*it)->Restore(TRUE);
    --restoring_;
    ++stamp_;
    redo_.push_back(std::move(step));
    return true;
}

bool Hold::Redo() {
    if (redo_.empty() || !marks_.empty()) return false;
    Step step = std::move(redo_.back());
    redo_.pop_back();
    ++restoring_;
    for (RestoreObj* r : step.records) r->Redo();
    --restoring_;
    ++stamp_;
    undo_.push_back(std::move(step));
    return true;
}

TSTR Hold::UndoName() const { return undo_.empty() ? TSTR() : undo_.back().name; }
TSTR Hold::RedoName() const { return redo_.empty() ? TSTR() : redo_.back().name; }

void Hold::SetUndoLevels(int levels) {
    levels_ = std::max(1, levels);
    while (static_cast<int>(undo_.size()) > levels_) {
        Free(undo_.front());
        undo_.erase(undo_.begin());
    }
}

void Hold::ClearUndo() {
    for (Step& s : undo_) Free(s);
    for (Step& s : redo_) Free(s);
    undo_.clear();
    redo_.clear();
    ++stamp_;
}

void Hold::ForgetSubject(const void* subject) {
    if (!subject) return;
    auto drop = [subject](std::vector<RestoreObj*>& records) {
        auto keep = std::stable_partition(records.begin(), records.end(),
                                          [subject](RestoreObj* r) { return r->Subject() != subject; });
        for (auto it = keep; it != records.end(); ++it) delete *it;
        records.erase(keep, records.end());
    };
    // Marks index into the open records; recount them around the removals.
    if (!open_.empty()) {
        std::vector<std::size_t> removedBefore(open_.size() + 1, 0);
        std::size_t removed = 0;
        for (std::size_t i = 0; i < open_.size(); ++i) {
            removedBefore[i] = removed;
            if (open_[i]->Subject() == subject) ++removed;
        }
        removedBefore[open_.size()] = removed;
        for (std::size_t& m : marks_) m -= removedBefore[m];
        drop(open_);
    }
    for (Step& s : undo_) drop(s.records);
    for (Step& s : redo_) drop(s.records);
}
