#include "kappa/CCSynchronizer.h"

#include "kappa/BufferAccessor.h"

#include <algorithm>

namespace Quorva::TEV_EDITION {

namespace {

// The controller's value can go out as a control change: the MIDI struct
// holding it is bound to an output port.
bool CanSend(const CTevValue& controllerValue) { return controllerValue.GetRootMidiOut() != nullptr; }

bool Contains(const CTevValueList& values, const CTevValue* value)
{
    return value && std::find(values.begin(), values.end(), value) != values.end();
}

} // namespace

CCCSynchronizer::CCCSynchronizer()
{
    const CBufferAccessor& accessor = CBufferAccessor::Instance();
    int32_t entry = kFirstSoundParameterEntry;
    for (const SSoundParameter& parameter : kEditionData.soundParameters) {
        if (CTevValue* value = accessor.GetValue(entry))
            m_pairs.push_back({value, parameter.controller, parameter.halfResolution});
        ++entry;
    }
}

template <class Match>
const CCCSynchronizer::SPair* CCCSynchronizer::FindPair(Match match) const
{
    auto pair = std::find_if(m_pairs.begin(), m_pairs.end(), match);
    return pair == m_pairs.end() ? nullptr : &*pair;
}

bool CCCSynchronizer::OnValuesChanged(const CTevValueList& values)
{
    CBufferAccessor& accessor = CBufferAccessor::Instance();
    CTevBufferManager* manager = accessor.GetBufferManager();
    bool matched = false;
    // Read once for the whole list.
    const int32_t channel = accessor.GetReceiveChannel();
    for (CTevValue* value : values) {
        const SPair* pair = FindPair([value](const SPair& candidate) { return candidate.parameter == value; });
        if (!pair)
            continue;
        matched = true;
        CTevValue* controller = accessor.GetControllerValue(channel, pair->controller);
        if (!controller)
            continue;
        if (pair->halfResolution) {
            // Only mirrored: the parameter goes out as its own data set.
            controller->SetInteger(value->GetInteger() / 2);
            continue;
        }
        controller->SetInteger(value->GetInteger());
        // Without a port for the channel model the control change could not
        // go out, so the parameter keeps its data set.
        if (manager && CanSend(*controller)) {
            manager->MarkChanged(controller);
            manager->ExcludeFromTransmit(value);
        }
    }
    return matched;
}

bool CCCSynchronizer::OnValuesReceived(const CTevValueList& values)
{
    CBufferAccessor& accessor = CBufferAccessor::Instance();
    CTevBufferManager* manager = accessor.GetBufferManager();
    const int32_t channel = accessor.GetReceiveChannel();
    bool matched = false;
    for (CTevValue* value : values) {
        const SPair* pair = FindPair([&](const SPair& candidate) {
            return accessor.GetControllerValue(channel, candidate.controller) == value;
        });
        if (!pair)
            continue;
        // A controller below 32 resets its partner 32 above and lists it as
        // changed too; that reset is not a value the device sent for the
        // partner's own parameter.
        if (pair->controller >= 32 && pair->controller < 64
            && Contains(values, accessor.GetControllerValue(channel, pair->controller - 32)))
            continue;
        matched = true;
        const CTevValueSpec* spec = pair->parameter->GetSpec();
        int32_t received = value->GetInteger();
        if (pair->halfResolution)
            received *= 2;
        if (spec) {
            const int32_t low = std::min(spec->GetMinimum(), spec->GetMaximum());
            const int32_t high = std::max(spec->GetMinimum(), spec->GetMaximum());
            received = std::clamp(received, low, high);
        }
        pair->parameter->SetInteger(received);
        if (manager)
            manager->MarkChanged(pair->parameter);
    }
    return matched;
}

} // namespace Quorva::TEV_EDITION
