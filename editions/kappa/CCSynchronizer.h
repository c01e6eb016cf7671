#pragma once
// Keeps the sound parameters that have a MIDI controller twin in step with
// the MIDI channel model, both ways. A parameter moved on the panel goes
// out as a control change on the device's receive channel instead of a
// data set; a control change from the device (or a keyboard in front of
// it) moves the parameter.
#include "core/TevBufferManager.h"
#include "kappa/Edition.h"

#include <cstdint>
#include <vector>

namespace Quorva::TEV_EDITION {

class CCCSynchronizer : public ITevBufferHandler {
public:
    struct SPair {
        CTevValue* parameter;
        int32_t controller;
        bool halfResolution;
    };

    // The pairs from the buffer accessor's resolved table, in the edition's
    // order; a parameter the script lacks makes no pair.
    CCCSynchronizer();

    // True when at least one value of the list had a pair.
    bool OnValuesChanged(const CTevValueList& values) override;
    // True when at least one value of the list was a paired controller on
    // the receive channel.
    bool OnValuesReceived(const CTevValueList& values) override;

    const std::vector<SPair>& GetPairs() const { return m_pairs; }

private:
    // The first pair that matches; null for none.
    template <class Match>
    const SPair* FindPair(Match match) const;

    std::vector<SPair> m_pairs;
};

} // namespace Quorva::TEV_EDITION
