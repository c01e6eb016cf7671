#pragma once
// What tells one edition from the other. The edition code is written once
// and compiled once per edition: TEV_EDITION names the edition's namespace
// under Quorva (Kappa unless the build says otherwise), and each edition
// supplies its own data (its sound parameters with their MIDI controllers
// and its constants) through the one object declared here. The layout of
// the parameter table follows from the number of sound parameters.
#include <cstdint>
#include <span>

#ifndef TEV_EDITION
#define TEV_EDITION Kappa
#endif

namespace Quorva::TEV_EDITION {

// A sound parameter that has a MIDI controller twin. A half-resolution
// parameter keeps its controller at half its own value in the channel model
// and never sends the controller: the parameter itself still travels as a
// data set at full resolution.
struct SSoundParameter {
    const char* path;
    int32_t controller;
    bool halfResolution = false;
};

struct SEditionData {
    std::span<const SSoundParameter> soundParameters;

    const char* editionTag;
    const char* familyName;
    const char* documentExtension;
    const char* scriptName;
    const char* documentTypeId;
    const char* documentTypeName;
};

// Defined by the edition's data.
extern const SEditionData kEditionData;

constexpr int32_t kUserPatchCount = 128;
constexpr int32_t kChannelCount = 16;
constexpr int32_t kControllersPerChannel = 120;

// Entries of the parameter table that both editions share.
enum : int32_t {
    kRootEntry = 0,
    kWritePatchEntry = 1,
    kInfoPatchEntry = 2,
    kTemporaryPatchEntry = 3,
    kUserAreaEntry = 4,
    kFirstUserPatchEntry = 5,
    kSetupMsbEntry = 133,
    kSetupLsbEntry = 134,
    kSetupNumEntry = 135,
    kReceiveChannelEntry = 136,
    kPatchNameEntry = 137,
    kFirstSoundParameterEntry = 138,
};

// The entries after the sound parameters: the system reset, the user-patch
// names, the controllers of the MIDI channel model and the skin.
struct SEntryLayout {
    int32_t soundParameterCount;

    constexpr int32_t SystemReset() const { return kFirstSoundParameterEntry + soundParameterCount; }
    constexpr int32_t FirstUserName() const { return SystemReset() + 1; }
    constexpr int32_t FirstController() const { return FirstUserName() + kUserPatchCount; }
    constexpr int32_t Skin() const { return FirstController() + kChannelCount * kControllersPerChannel; }
    constexpr int32_t Count() const { return Skin() + 1; }
};

inline SEntryLayout EntryLayout()
{
    return SEntryLayout{static_cast<int32_t>(kEditionData.soundParameters.size())};
}

} // namespace Quorva::TEV_EDITION
