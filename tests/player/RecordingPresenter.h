#pragma once
#include <vector>

#include "player/CdgScreenOutput.h"
#include "player/CdgScreen.h"

// Remembers every copy and fill the renderer asks of it.
class RecordingPresenter : public CdgScreenOutput {
public:
    struct Call {
        bool blit = false;
        MRwRect source;      // blits only
        MRwRect destination;
        int index = -1;      // fills only
        bool operator==(const Call&) const = default;
    };

    explicit RecordingPresenter(MRwRect area = {0, 0, 300, 216}) : m_area(area) {}

    MRwRect ClientArea() const override { return m_area; }
    void Blit(const CdgScreen&, const MRwRect& source, const MRwRect& destination) override
    {
        calls.push_back({true, source, destination, -1});
    }
    void Fill(const MRwRect& destination, int index, uint32_t) override
    {
        calls.push_back({false, {}, destination, index});
    }

    static Call BlitCall(MRwRect source, MRwRect destination) { return {true, source, destination, -1}; }
    static Call FillCall(MRwRect destination, int index) { return {false, {}, destination, index}; }

    std::vector<Call> calls;

private:
    MRwRect m_area;
};
