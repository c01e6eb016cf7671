// Turns the script's struct types and struct instances into the trees of
// root, node and leaf structs with their values, and makes the MIDI
// structs.
#include "core/TevBufferManager.h"

#include "core/TevHelpers.h"
#include "core/TevTextOut.h"
#include "midi/TevMidiStruct.h"

#include <algorithm>
#include <limits>

namespace {

// The last pair with the tag, or null.
CTevPair* FindLastPair(CTevElementDefinition& element, const std::string& tag)
{
    CTevPair* found = nullptr;
    for (CTevPair& pair : element.pairs) {
        if (pair.first == tag)
            found = &pair;
    }
    return found;
}

// The span that a struct without "size" gets: from the lowest begin to the
// highest end of its children (or values). For children in script order
// starting at 0 this is the end of the last one minus the begin of the
// first; children out of order can't make it negative.
template <class Items, class RangeOf>
int32_t SpanOf(const Items& items, RangeOf rangeOf)
{
    if (items.empty())
        return 0;
    int32_t lowest = std::numeric_limits<int32_t>::max();
    int32_t highest = std::numeric_limits<int32_t>::min();
    for (const auto& item : items) {
        const CTevAddressRange range = rangeOf(item);
        lowest = std::min(lowest, range.begin);
        highest = std::max(highest, range.end);
    }
    const int64_t span = static_cast<int64_t>(highest) - lowest;
    return static_cast<int32_t>(std::clamp<int64_t>(span, 0, std::numeric_limits<int32_t>::max()));
}

int32_t DefaultSizeOf(const CTevStruct& structure)
{
    if (const CTevStructList* children = structure.GetChildStructs())
        return SpanOf(*children, [](const std::unique_ptr<CTevStruct>& child) { return child->GetRange(); });
    if (const std::vector<CTevValue>* values = structure.GetValues())
        return SpanOf(*values, [](const CTevValue& value) { return value.GetRange(); });
    return 0;
}

} // namespace

bool CTevBufferManager::CreateFromDefinitions(CTevViewManager* viewManager, CTevResourceManager* resourceManager)
{
    m_viewManager = viewManager;
    m_resourceManager = resourceManager;
    if (!CreateRootStructs() || !CreateMidiStructs())
        return false;
    m_structTypeDefinitions.clear();
    m_rootStructDefinitions.clear();
    m_midiStructDefinitions.clear();
    return true;
}

bool CTevBufferManager::CreateRootStructs()
{
    CTevTextOut& errors = Errors();
    for (const auto& definition : m_rootStructDefinitions) {
        CTevStructList created;
        if (!ConvertStructType(kRootKind, *definition, created, 0)) {
            errors.Printf("Unable to convert root struct definition %s to root struct.\n", definition->type.c_str());
            return false;
        }
        const size_t first = m_rootStructs.size();
        for (auto& root : created)
            m_rootStructs.push_back(std::move(root));
        for (size_t i = first; i < m_rootStructs.size(); ++i) {
            CTevStruct& root = *m_rootStructs[i];
            if (!root.Bind(nullptr)) {
                errors.Printf("Unable to create root struct %s.\n", root.GetName().c_str());
                return false;
            }
            root.ResetToDefaults();
        }
    }
    return true;
}

bool CTevBufferManager::CreateMidiStructs()
{
    CTevTextOut& errors = Errors();
    for (const auto& definition : m_midiStructDefinitions) {
        auto created = std::make_unique<CTevMidiStruct>();
        CTevMidiStruct& midiStruct = *created;
        m_midiStructs.push_back(std::move(created));
        CTevElementDefinition pairs = *definition;
        if (!midiStruct.ReadDefinition(pairs, m_specRegistries)) {
            errors.Printf("Unable to convert MIDI struct definition %s to MIDI struct.\n", definition->type.c_str());
            return false;
        }
        if (!midiStruct.Bind(nullptr)) {
            errors.Printf("Unable to create MIDI struct %s.\n", midiStruct.GetName().c_str());
            return false;
        }
        if (!pairs.pairs.empty()) {
            pairs.ReportLeftovers(errors, "Midi %s unknown tags. : ", midiStruct.GetName());
            return false;
        }
    }
    return true;
}

bool CTevBufferManager::ConvertStructType(int32_t kind, const CTevElementDefinition& instance, CTevStructList& output,
                                          int32_t nextAddress)
{
    CTevTextOut& errors = Errors();

    // 1. The instance and its type.
    CTevElementDefinition instanceCopy = instance;
    const CTevTypeDefinition* found = FindTypeDefinition(m_structTypeDefinitions, instanceCopy);
    if (!found) {
        errors.Printf("Unable to find struct type definition. : %s\n", instanceCopy.type.c_str());
        return false;
    }
    // A type that contains itself, directly or through other types, would
    // be expanded without end.
    if (std::find(m_convertingTypes.begin(), m_convertingTypes.end(), found) != m_convertingTypes.end()) {
        errors.Printf("Struct type %s contains itself.\n", found->type.c_str());
        return false;
    }
    m_convertingTypes.push_back(found);
    struct CConvertingGuard {
        std::vector<const CTevTypeDefinition*>& types;
        ~CConvertingGuard() { types.pop_back(); }
    } converting{m_convertingTypes};

    // 2. The struct being built and a copy of the type to substitute in.
    std::unique_ptr<CTevStruct> built = CTevStruct::Create(kind);
    if (!built) {
        errors.Printf("Unable convert struct from element definitions. : %s\n", found->type.c_str());
        return false;
    }
    CTevTypeDefinition type = *found;

    // 3. An "address" given as a '$' macro makes an array when the instance
    // repeats that macro: the first pair stays, the others are the further
    // elements' addresses.
    std::string addressMacro;
    for (const CTevPair& pair : type.pairs) {
        if (pair.first == "address" && !pair.second.empty() && pair.second[0] == '$')
            addressMacro = pair.second.substr(1);
    }
    CTevPairList extraAddresses;
    if (!addressMacro.empty()) {
        bool firstSeen = false;
        for (auto it = instanceCopy.pairs.begin(); it != instanceCopy.pairs.end();) {
            if (it->first != addressMacro) {
                ++it;
            } else if (!firstSeen) {
                firstSeen = true;
                ++it;
            } else {
                auto next = std::next(it);
                extraAddresses.splice(extraAddresses.end(), instanceCopy.pairs, it);
                it = next;
            }
        }
    }

    // 4. Macros in the type's own pairs.
    if (!ResolveMacros(instanceCopy.pairs, type)) {
        errors.Printf("Unable to resolve macros. : %s\n", instanceCopy.type.c_str());
        return false;
    }

    // 5. The name; array elements carry their index.
    CTevPair* namePair = FindLastPair(type, "name");
    const std::string baseName = namePair ? namePair->second : std::string();
    if (!extraAddresses.empty()) {
        if (!namePair) {
            type.pairs.emplace_back("name", std::string());
            namePair = &type.pairs.back();
        }
        namePair->second = baseName + "[0]";
    }

    // 6. Child structs.
    for (CTevElementDefinition& child : type.children) {
        if (!ResolveMacros(instanceCopy.pairs, child)) {
            errors.Printf("Unable to resolve macros. : %s\n", instanceCopy.type.c_str());
            return false;
        }
        const CTevTypeDefinition* childType = FindTypeDefinition(m_structTypeDefinitions, child);
        if (!childType) {
            errors.Printf("Unable to find child struct type definition : %s\n", child.type.c_str());
            return false;
        }
        const int32_t childKind = childType->members.empty() ? kNodeKind : kLeafKind;
        CTevStructList* children = built->GetChildStructs();
        if (!children) {
            errors.Printf("Struct type has both structs and values. : %s\n", type.type.c_str());
            return false;
        }
        const int32_t childAddress = children->empty() ? 0 : children->back()->GetRange().end;
        if (!ConvertStructType(childKind, child, *children, childAddress)) {
            errors.Printf("Unable to convert child struct definition : %s\n", child.type.c_str());
            return false;
        }
    }

    // 7. Values.
    for (CTevElementDefinition& member : type.members) {
        if (!ResolveMacros(instanceCopy.pairs, member)) {
            errors.Printf("Unable to resolve macros. : %s\n", instanceCopy.type.c_str());
            return false;
        }
        std::vector<CTevValue>* values = built->GetValues();
        if (!values) {
            errors.Printf("Root struct or node struct can not have child values. : %s\n", type.type.c_str());
            return false;
        }
        const int32_t valueAddress = values->empty() ? 0 : values->back().GetRange().end;
        values->emplace_back();
        CTevElementDefinition pairs = member;
        if (!values->back().ReadDefinition(pairs, valueAddress, m_specRegistries)) {
            errors.Printf("Unable to convert child values from element definitions. : %s\n", member.type.c_str());
            return false;
        }
        if (!pairs.pairs.empty()) {
            pairs.ReportLeftovers(errors, "Value type contains unknown tags. : %s : ", member.type);
            return false;
        }
    }

    // 8. and 9. The struct's own attributes.
    const int32_t defaultSize = DefaultSizeOf(*built);
    {
        CTevElementDefinition pairs = type;
        if (!built->ReadDefinition(pairs, nextAddress, defaultSize, m_specRegistries)) {
            errors.Printf("Unable convert struct from element definitions. : %s\n", type.type.c_str());
            return false;
        }
        if (!pairs.pairs.empty()) {
            pairs.ReportLeftovers(errors, "Struct type contains unknown tags. : %s : ", type.type);
            return false;
        }
    }

    // 10. The struct (element 0 of an array).
    const CTevStruct* first = built.get();
    output.push_back(std::move(built));

    // 11. The further elements of an array, each at its own address.
    CTevPair* addressPair = FindLastPair(type, "address");
    int k = 1;
    for (const CTevPair& extra : extraAddresses) {
        std::unique_ptr<CTevStruct> clone = first->Clone();
        namePair->second = FormatString("%s[%d]", baseName.c_str(), k++);
        if (addressPair)
            addressPair->second = extra.second;
        CTevElementDefinition pairs = type;
        if (!clone || !clone->ReadDefinition(pairs, 0, defaultSize, m_specRegistries)) {
            errors.Printf("Unable convert struct from element definitions. : %s\n", type.type.c_str());
            return false;
        }
        if (!pairs.pairs.empty()) {
            pairs.ReportLeftovers(errors, "Struct type has unknown tags. : %s : ", type.type);
            return false;
        }
        output.push_back(std::move(clone));
    }
    return true;
}
