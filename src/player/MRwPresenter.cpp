#include "player/MRwPresenter.h"

#include "player/MRwRenderer.h"

MRwPresenter::~MRwPresenter()
{
    // A presenter that goes away first must not leave the renderer pointing at it.
    if (m_renderer != nullptr) m_renderer->DetachWindow(this);
}
