#pragma once
#include <cstddef>
#include <string>
#include <vector>

#include "document/SongEdit.h"
#include "document/SongSnapshot.h"

// The song's states one after another, each step named by what made it. Undo and redo move
// through them; a new step after an undo drops the steps that were undone. The state that was
// last saved is remembered, so the modified flag can follow the history.
class UndoHistory {
public:
    // Forgets every step: state is now the only one (not marked saved).
    void Reset(SongSnapshot state);
    // Adds a step ending in state. Nothing is added (false) when state equals the current one.
    // A joining step may instead take the place of the last step's state (see StepMerge); a
    // joined step that ends where it began is no step any more.
    bool Push(std::string name, SongSnapshot state, StepMerge merge = StepMerge::Own);

    bool CanUndo() const { return m_index > 0; }
    bool CanRedo() const { return m_index + 1 < m_states.size(); }
    // The name of the step Undo / Redo would take back / do again; empty when none.
    const std::string& UndoName() const;
    const std::string& RedoName() const;
    // Moves one step and returns the state to show; nullptr when there is none.
    const SongSnapshot* Undo();
    const SongSnapshot* Redo();

    const SongSnapshot& Current() const { return m_states[m_index].state; }
    void MarkSaved()
    {
        m_saved = m_index;
        m_joinable = false;
    }
    // The song as saved: the current state is the one last saved.
    bool AtSavedState() const { return m_saved == m_index; }
    size_t StepCount() const { return m_states.empty() ? 0 : m_states.size() - 1; }
    // Memory the states take.
    size_t StoredBytes() const;

private:
    struct Entry {
        std::string name; // of the step that led here; empty for the first state
        SongSnapshot state;
    };
    static constexpr size_t kNotSaved = static_cast<size_t>(-1);
    std::vector<Entry> m_states{Entry{}};
    size_t m_index = 0;
    size_t m_saved = 0;
    // The last step may grow by the next joining edit of its name.
    bool m_joinable = false;
};
