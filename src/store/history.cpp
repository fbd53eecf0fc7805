// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/history.h"

#include "store/database.h"

namespace vireo {

void CommandHistory::SetEnabled(bool on) {
    if (!on)
        Clear();
    m_enabled = on;
}

void CommandHistory::SetLimits(std::size_t steps, std::size_t bytes) {
    m_maxSteps = steps;
    m_maxBytes = bytes;
    Trim();
}

void CommandHistory::Open(std::string_view label, bool unnamed) {
    m_open = std::make_unique<Step>();
    m_open->label = std::string(label);
    m_unnamed = unnamed;
    m_db.BeginChanges(&m_open->changes);
}

void CommandHistory::Close() {
    if (!m_open)
        return;
    m_db.EndChanges();
    std::unique_ptr<Step> step = std::move(m_open);
    m_unnamed = false;
    m_depth = 0;
    if (step->changes.Empty())
        return;
    step->bytes = step->changes.Bytes();
    m_redo.clear();
    m_redo.shrink_to_fit();
    m_bytes = step->bytes;
    for (const Step& s : m_undo)
        m_bytes += s.bytes;
    m_undo.push_back(std::move(*step));
    Trim();
    Notify();
}

void CommandHistory::Trim() {
    std::size_t total = 0;
    for (const Step& s : m_undo)
        total += s.bytes;
    for (const Step& s : m_redo)
        total += s.bytes;
    // The oldest steps go first; undoing the newer ones never needs them.
    while (!m_undo.empty() && (m_undo.size() > m_maxSteps || total > m_maxBytes)) {
        total -= m_undo.front().bytes;
        m_undo.pop_front();
    }
    m_bytes = total;
}

void CommandHistory::Begin(std::string_view label) {
    if (!m_enabled)
        return;
    if (m_open && m_unnamed)
        Seal();
    if (m_open) {
        ++m_depth;
        return;
    }
    Open(label, false);
    m_depth = 1;
}

void CommandHistory::SetLabel(std::string_view label) {
    // A command run by another (a drop inside a paste) leaves the outer command's name.
    if (m_open && !m_unnamed && m_depth == 1)
        m_open->label = std::string(label);
}

void CommandHistory::End() {
    if (!m_open || m_unnamed)
        return;
    if (--m_depth > 0)
        return;
    Close();
}

void CommandHistory::Cancel() {
    if (!m_open || m_unnamed || m_depth > 1) {
        End();
        return;
    }
    m_db.EndChanges();
    std::unique_ptr<Step> step = std::move(m_open);
    m_depth = 0;
    m_db.RevertChanges(step->changes);
    Notify();
}

void CommandHistory::Seal() {
    if (m_open && m_unnamed)
        Close();
}

void CommandHistory::BeginUnnamed() {
    if (!m_enabled || m_open)
        return;
    Open(kUnnamedStep, true);
    if (unnamedStepOpened)
        unnamedStepOpened();
}

bool CommandHistory::Undo() {
    Seal();
    if (!CanUndo())
        return false;
    Step step = std::move(m_undo.back());
    m_undo.pop_back();
    m_db.RevertChanges(step.changes);
    m_redo.push_back(std::move(step));
    Notify();
    return true;
}

bool CommandHistory::Redo() {
    Seal();
    if (!CanRedo())
        return false;
    Step step = std::move(m_redo.back());
    m_redo.pop_back();
    m_db.ApplyChanges(step.changes);
    m_undo.push_back(std::move(step));
    Notify();
    return true;
}

void CommandHistory::Clear() {
    if (m_open) {
        m_db.EndChanges();
        m_open.reset();
    }
    m_depth = 0;
    m_unnamed = false;
    bool had = !m_undo.empty() || !m_redo.empty();
    m_undo.clear();
    m_redo.clear();
    m_bytes = 0;
    if (had)
        Notify();
}

HistoryStep::HistoryStep(Database& db, std::string_view label) : m_history(db.History()) {
    m_history.Begin(label);
}

HistoryStep::~HistoryStep() {
    if (!m_done)
        m_history.End();
}

void HistoryStep::SetLabel(std::string_view label) {
    m_history.SetLabel(label);
}

void HistoryStep::Cancel() {
    if (m_done)
        return;
    m_done = true;
    m_history.Cancel();
}

} // namespace vireo
