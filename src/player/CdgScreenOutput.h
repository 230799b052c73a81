#pragma once
#include <cstdint>
#include <functional>

#include "player/CdgRect.h"

class CdgScreen;

// Something that shows the renderer's screen: a viewer widget, a snapshot image. The renderer
// does all the arithmetic (scaling to the client area, clipping to the visible area, scroll
// offsets, border strips, suppression) and tells each presenter only what to copy and what to
// fill, in the presenter's own pixels. Presenters read the frame and colour table when told.
class CdgScreenOutput {
public:
    CdgScreenOutput() = default;
    virtual ~CdgScreenOutput();
    CdgScreenOutput(const CdgScreenOutput&) = delete;
    CdgScreenOutput& operator=(const CdgScreenOutput&) = delete;

    // The area the whole 300 x 216 screen maps to: left L, top T, right L + W, bottom T + H.
    virtual CdgRect ClientArea() const = 0;
    // Copy the source rectangle of the renderer's current frame (frame pixels, shown through
    // its colour table) to the destination rectangle, stretched to fit.
    virtual void Blit(const CdgScreen& renderer, const CdgRect& source, const CdgRect& destination) = 0;
    // Fill the destination with one colour of the table (its index and its colour value).
    virtual void Fill(const CdgRect& destination, int index, uint32_t colour) = 0;

    // The renderer this presenter is attached to (set by AttachWindow, cleared by DetachWindows).
    CdgScreen* Renderer() const { return m_renderer; }

private:
    friend class CdgScreen;
    CdgScreen* m_renderer = nullptr;
    // Set by the renderer while attached: takes this presenter off its list.
    std::function<void(CdgScreenOutput*)> m_leave;
};
