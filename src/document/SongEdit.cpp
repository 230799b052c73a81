#include "document/SongEdit.h"

#include <utility>

SongEdit::SongEdit(KaraokeSong& song, Close close) : m_song(&song), m_close(std::move(close)) {}

SongEdit::SongEdit(SongEdit&& other) noexcept
    : m_song(other.m_song), m_close(std::move(other.m_close)), m_open(std::exchange(other.m_open, false))
{
}

SongEdit::~SongEdit()
{
    Abort();
}

bool SongEdit::End(bool commit)
{
    if (!std::exchange(m_open, false) || !m_close) return false;
    return m_close(commit);
}

bool SongEdit::Commit()
{
    return End(true);
}

void SongEdit::Abort()
{
    End(false);
}
