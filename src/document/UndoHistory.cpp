#include "document/UndoHistory.h"

#include <utility>

namespace {
const std::string kNoStep;
}

void UndoHistory::Reset(SongSnapshot state)
{
    m_states.clear();
    m_states.push_back({std::string(), std::move(state)});
    m_index = 0;
    m_saved = kNotSaved;
    m_joinable = false;
}

bool UndoHistory::Push(std::string name, SongSnapshot state, StepMerge merge)
{
    if (state == Current()) return false;
    // The saved state is never rewritten: a change after it is a step of its own.
    if (merge == StepMerge::Join && m_joinable && m_index > 0 && m_index + 1 == m_states.size() &&
        m_saved != m_index && m_states[m_index].name == name) {
        if (state == m_states[m_index - 1].state) {
            m_states.pop_back();
            --m_index;
            m_joinable = false;
        } else {
            m_states[m_index].state = std::move(state);
        }
        return true;
    }
    m_states.resize(m_index + 1);
    // The saved state was among the steps just dropped: no state of the history is saved now.
    if (m_saved != kNotSaved && m_saved > m_index) m_saved = kNotSaved;
    m_states.push_back({std::move(name), std::move(state)});
    ++m_index;
    m_joinable = merge != StepMerge::Own;
    return true;
}

const std::string& UndoHistory::UndoName() const
{
    return CanUndo() ? m_states[m_index].name : kNoStep;
}

const std::string& UndoHistory::RedoName() const
{
    return CanRedo() ? m_states[m_index + 1].name : kNoStep;
}

const SongSnapshot* UndoHistory::Undo()
{
    if (!CanUndo()) return nullptr;
    m_joinable = false;
    return &m_states[--m_index].state;
}

const SongSnapshot* UndoHistory::Redo()
{
    if (!CanRedo()) return nullptr;
    m_joinable = false;
    return &m_states[++m_index].state;
}

size_t UndoHistory::StoredBytes() const
{
    size_t bytes = m_states.capacity() * sizeof(Entry);
    for (const Entry& e : m_states) bytes += e.state.StoredBytes() + e.name.capacity();
    return bytes;
}
