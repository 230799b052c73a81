#pragma once
#include <experimental/propagate_const>
#include <memory>

// Pointers that pass their owner's constness on to what they point at, so that a const song
// hands out only const lines, words and pages, however it is reached (song → line → word →
// line …). A view that holds a const song cannot change it behind the document's back.

// An owning pointer (the song's lines, words and pages).
template <class T>
using Owned = std::experimental::propagate_const<std::unique_ptr<T>>;

// A pointer to something the song owns (a line's words, a word's line). Unlike Owned it can be
// copied, as the records that hold it are.
template <class T>
class Link {
public:
    Link(T* target = nullptr) : m_target(target) {}

    T* get() { return m_target; }
    const T* get() const { return m_target; }
    T* operator->() { return m_target; }
    const T* operator->() const { return m_target; }
    T& operator*() { return *m_target; }
    const T& operator*() const { return *m_target; }
    operator T*() { return m_target; }
    operator const T*() const { return m_target; }

private:
    T* m_target;
};
