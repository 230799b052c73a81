#pragma once
#include <vector>

#include "player/CdgScreenOutput.h"
#include "player/CdgScreen.h"

// Remembers every copy and fill the renderer asks of it.
class RecordingPresenter : public CdgScreenOutput {
public:
    struct Call {
        bool blit = false;
        CdgRect source;      // blits only
        CdgRect destination;
        int index = -1;      // fills only
        bool operator==(const Call&) const = default;
    };

    explicit RecordingPresenter(CdgRect area = {0, 0, 300, 216}) : m_area(area) {}

    CdgRect ClientArea() const override { return m_area; }
    void Blit(const CdgScreen&, const CdgRect& source, const CdgRect& destination) override
    {
        calls.push_back({true, source, destination, -1});
    }
    void Fill(const CdgRect& destination, int index, uint32_t) override
    {
        calls.push_back({false, {}, destination, index});
    }

    static Call BlitCall(CdgRect source, CdgRect destination) { return {true, source, destination, -1}; }
    static Call FillCall(CdgRect destination, int index) { return {false, {}, destination, index}; }

    std::vector<Call> calls;

private:
    CdgRect m_area;
};
