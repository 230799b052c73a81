#include "document/SongEdit.h"

#include <utility>

#include "document/SongDocument.h"

SongEdit::SongEdit(SongDocument& document, std::string name, StepMerge merge, bool outermost)
    : m_document(&document), m_name(std::move(name)), m_merge(merge), m_outermost(outermost)
{
}

SongEdit::SongEdit(SongEdit&& other) noexcept
    : m_document(std::exchange(other.m_document, nullptr)), m_name(std::move(other.m_name)), m_merge(other.m_merge),
      m_outermost(other.m_outermost)
{
}

SongEdit::~SongEdit()
{
    Abort();
}

KaraokeSong& SongEdit::Song()
{
    return m_document->EditedSong();
}

bool SongEdit::Commit()
{
    SongDocument* document = std::exchange(m_document, nullptr);
    if (!document || !m_outermost) return false;
    return document->EndEdit(m_name, m_merge, true);
}

void SongEdit::Abort()
{
    SongDocument* document = std::exchange(m_document, nullptr);
    if (document && m_outermost) document->EndEdit(m_name, m_merge, false);
}
