#include "player/CdgScreenOutput.h"

CdgScreenOutput::~CdgScreenOutput()
{
    // A presenter that goes away first must not leave the renderer pointing at it.
    const auto leave = std::move(m_leave);
    if (m_renderer != nullptr && leave) leave(this);
}
