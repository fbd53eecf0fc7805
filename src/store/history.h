// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The command history: every change to the database belongs to a step, and a step can be
// undone and redone. A step holds exactly what it changed (records, positions, texts), so
// undoing it gives back the database as it was before, byte for byte once saved, and
// redoing it the database as it was after. Saving does not end the history; it lasts
// while the database is open, bounded in steps and in memory.
//
// Commands open a named step around their work (HistoryStep). A change made while no step
// is open starts an unnamed one, which lasts until Seal (the window seals it once the event
// that made the change is over), so no change escapes the history.

#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "store/changes.h"

namespace vireo {

class Database;

class CommandHistory {
public:
    static constexpr std::size_t kMaxSteps = 1000;
    static constexpr std::size_t kMaxBytes = std::size_t{64} << 20;
    // The name of a step that no command named.
    static constexpr std::string_view kUnnamedStep = "Change";

    explicit CommandHistory(Database& db) : m_db(db) {}
    CommandHistory(const CommandHistory&) = delete;
    CommandHistory& operator=(const CommandHistory&) = delete;

    // Off by default (the command line has no use for it); the window turns it on.
    void SetEnabled(bool on);
    bool Enabled() const { return m_enabled; }
    void SetLimits(std::size_t steps, std::size_t bytes);

    // Opens a step; a step opened while another is open joins it.
    void Begin(std::string_view label);
    // Renames the open step (a command knows how many items it moved only at its end).
    void SetLabel(std::string_view label);
    // Closes the step Begin opened; the outermost keeps it when it changed anything.
    void End();
    // Takes back what the open outermost step changed and forgets it (a dialog that was
    // cancelled after the command had begun).
    void Cancel();
    // Closes an unnamed step that changes opened by themselves.
    void Seal();
    bool StepOpen() const { return m_open != nullptr; }

    bool CanUndo() const { return !m_undo.empty() && !ExplicitOpen(); }
    bool CanRedo() const { return !m_redo.empty() && !ExplicitOpen(); }
    std::string UndoLabel() const { return m_undo.empty() ? std::string() : m_undo.back().label; }
    std::string RedoLabel() const { return m_redo.empty() ? std::string() : m_redo.back().label; }
    bool Undo();
    bool Redo();
    void Clear();

    std::size_t UndoSteps() const { return m_undo.size(); }
    std::size_t RedoSteps() const { return m_redo.size(); }
    std::size_t Bytes() const { return m_bytes; }

    // Told whenever what Undo and Redo would do changed.
    std::function<void()> changed;
    // Told when a change opened an unnamed step, so that it can be sealed soon.
    std::function<void()> unnamedStepOpened;

    // For the database: a change is about to be made while no step is open.
    void BeginUnnamed();

private:
    struct Step {
        std::string label;
        StoreChanges changes;
        std::size_t bytes = 0;
    };

    bool ExplicitOpen() const { return m_open && !m_unnamed; }
    void Open(std::string_view label, bool unnamed);
    void Close();
    void Trim();
    void Notify() {
        if (changed)
            changed();
    }

    Database& m_db;
    bool m_enabled = false;
    std::size_t m_maxSteps = kMaxSteps;
    std::size_t m_maxBytes = kMaxBytes;
    std::deque<Step> m_undo;
    std::vector<Step> m_redo;
    std::unique_ptr<Step> m_open;
    int m_depth = 0;
    bool m_unnamed = false;
    std::size_t m_bytes = 0;
};

// A named step for the lifetime of the object.
class HistoryStep {
public:
    HistoryStep(Database& db, std::string_view label);
    ~HistoryStep();
    HistoryStep(const HistoryStep&) = delete;
    HistoryStep& operator=(const HistoryStep&) = delete;
    void SetLabel(std::string_view label);
    void Cancel();

private:
    CommandHistory& m_history;
    bool m_done = false;
};

} // namespace vireo
