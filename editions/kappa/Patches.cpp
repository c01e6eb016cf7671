#include "kappa/Patches.h"

#include "core/TevHelpers.h"
#include "core/TevManager.h"
#include "kappa/BufferAccessor.h"
#include "kappa/PatchBank.h"
#include "midi/TevMessage.h"
#include "midi/TevMidiOut.h"

#include <algorithm>

namespace Quorva::TEV_EDITION {

namespace {

// Error codes left for the shell ("MIDI devices aren't set up correctly.").
constexpr int32_t kNotConnectedCode = 3;

// How many data bytes a report of the current patch carries at least:
// bank select MSB, LSB and program number.
constexpr int32_t kProgramBytes = 3;

// The three setup values that hold the current program; null when the
// script lacks any of them.
bool GetProgramValues(CTevValue* (&values)[3])
{
    const CBufferAccessor& accessor = CBufferAccessor::Instance();
    values[0] = accessor.GetValue(kSetupMsbEntry);
    values[1] = accessor.GetValue(kSetupLsbEntry);
    values[2] = accessor.GetValue(kSetupNumEntry);
    return values[0] && values[1] && values[2];
}

} // namespace

int32_t CountLeafBuffers(const CTevBuffer& buffer)
{
    const auto* structure = dynamic_cast<const CTevStruct*>(&buffer);
    const CTevStructList* children = structure ? structure->GetChildStructs() : nullptr;
    if (!children)
        return 1;
    int32_t count = 0;
    for (const auto& child : *children)
        count += CountLeafBuffers(*child);
    return count;
}

// ---------------------------------------------------------------------------
// CReader
// ---------------------------------------------------------------------------

CReader::CReader(CTevTextOut* errorSink) : CTevMidiReader(errorSink) {}

bool CReader::OnDataSet(const CTevDravikMessage& message) { return OnReceive(message); }

bool CReader::OnReceive(const CTevDravikMessage& message)
{
    CBufferAccessor& accessor = CBufferAccessor::Instance();
    const CTevStruct* info = accessor.GetStruct(kInfoPatchEntry);
    if (info) {
        const CTevAddressRange range = info->GetAbsoluteRange();
        if (range.Contains(TevFoldAddressBytes(message.GetSegmentBytes(CTevDravikMessage::AddressSegment)))) {
            const std::span<const uint8_t> data = message.GetSegmentBytes(CTevDravikMessage::DataSegment);
            // Shorter than the report area, or than the three program bytes
            // it must hold: not a report this program can read.
            CTevValue* program[3];
            CTevBufferManager* manager = accessor.GetBufferManager();
            if (static_cast<int32_t>(data.size()) < std::max(kProgramBytes, range.GetSize())
                || !GetProgramValues(program) || !manager)
                return false;
            manager->SetIntegerValues({{program[0], data[0]}, {program[1], data[1]}, {program[2], data[2]}});
            manager->DispatchChanges();
            manager->ClearChanges();
            return true;
        }
    }
    return IsWaiting() && CTevMidiReader::OnDataSet(message);
}

bool CReader::Read(int32_t flags)
{
    if ((flags & kReadTemporaryPatch) != 0 && !ReadTemporaryPatch())
        return false;
    if ((flags & kReadUserPatches) != 0)
        return ReadUserPatch(-1);
    return true;
}

bool CReader::ReadTemporaryPatch() { return ReadTree(CBufferAccessor::Instance().GetStruct(kTemporaryPatchEntry)); }

bool CReader::ReadUserPatch(int32_t index)
{
    if (index == -1)
        return ReadRange(&CBufferAccessor::GetUserPatchStruct, kUserPatchCount, 0);
    return ReadTree(CBufferAccessor::Instance().GetUserPatchStruct(index));
}

bool CReader::ReadRange(CTevStruct* (CBufferAccessor::*getter)(int32_t) const, int32_t count, int32_t first)
{
    const CBufferAccessor& accessor = CBufferAccessor::Instance();
    for (int32_t index = first; index < count; ++index) {
        const CTevStruct* structure = (accessor.*getter)(index);
        if (structure && !ReadTree(structure))
            return false;
    }
    return true;
}

bool CReader::ReadTree(const CTevBuffer* buffer)
{
    if (!buffer)
        return false;
    const auto* structure = dynamic_cast<const CTevStruct*>(buffer);
    if (const CTevStructList* children = structure ? structure->GetChildStructs() : nullptr) {
        for (const auto& child : *children)
            if (!ReadTree(child.get()))
                return false;
        return true;
    }
    if (m_progressBar)
        m_progressBar->SetPos(m_progressBar->GetPos() + 1);
    const CTevAddressRange range = buffer->GetAbsoluteRange();
    return Read(range.begin, range.GetSize());
}

// ---------------------------------------------------------------------------
// CWriter
// ---------------------------------------------------------------------------

bool CWriter::WritePatch(int32_t index)
{
    CBufferAccessor& accessor = CBufferAccessor::Instance();
    const CTevProgramId program = accessor.GetEntityManager().GetProgramId(UserPatch(index));
    const CTevStruct* target = accessor.GetStruct(kWritePatchEntry);
    if (!program.IsValid() || !target)
        return false;
    const std::vector<uint8_t> data{static_cast<uint8_t>(program.GetMsb()), static_cast<uint8_t>(program.GetLsb()),
                                    static_cast<uint8_t>(program.GetProgram())};
    if (!Write(target->GetAbsoluteRange().begin, data))
        return false;
    if (CReader* reader = accessor.GetReader())
        reader->ReadUserPatch(index);
    CEntitySelector::Select(UserPatch(index));
    return true;
}

// ---------------------------------------------------------------------------
// CEntitySelector
// ---------------------------------------------------------------------------

std::string CEntitySelector::CEntityItemPrinter::Print(
    const CTevEntitySelectionPopupMenuUtility::IMenuItemSource& source)
{
    return FormatString("%3d: ", source.GetEntityId().GetNumber() + 1) + source.GetName();
}

CTevEntityId CEntitySelector::GetCurrentEntityId()
{
    CTevValue* program[3];
    if (!GetProgramValues(program))
        return CTevEntityId();
    return CBufferAccessor::Instance().GetEntityManager().GetEntityId(
        CTevProgramId(program[0]->GetInteger(), program[1]->GetInteger(), program[2]->GetInteger()));
}

bool CEntitySelector::Select(const CTevEntityId& entityId)
{
    CBufferAccessor& accessor = CBufferAccessor::Instance();
    const CTevProgramId id = accessor.GetEntityManager().GetProgramId(entityId);
    CTevValue* program[3];
    CTevBufferManager* manager = accessor.GetBufferManager();
    if (!id.IsValid() || !GetProgramValues(program) || !manager)
        return false;
    manager->SetIntegerValues({{program[0], id.GetMsb()}, {program[1], id.GetLsb()}, {program[2], id.GetProgram()}});
    const CTevRootStruct* root = accessor.GetRootStruct();
    if (ITevMidiOut* output = root ? root->GetMidiOut() : nullptr) {
        // One data set of the three program bytes; the device changes its
        // patch on it. The values themselves are not sent again, but the
        // hex dumps show the message.
        output->SendDataSet(program[0]->GetAbsoluteRange().begin,
                            {static_cast<uint8_t>(id.GetMsb()), static_cast<uint8_t>(id.GetLsb()),
                             static_cast<uint8_t>(id.GetProgram())});
        for (CTevValue* value : program)
            manager->ExcludeFromTransmit(value);
        manager->TransmitChanges();
    }
    manager->DispatchChanges();
    manager->ClearChanges();
    return true;
}

bool CEntitySelector::Step(bool up)
{
    const CTevEntityId current = GetCurrentEntityId();
    return Select(CTevEntityId(current.GetGroupA(), current.GetGroupB(), current.GetGroupC(),
                               current.GetNumber() + (up ? 1 : -1)));
}

bool CEntitySelector::SelectFromPopup()
{
    CBufferAccessor& accessor = CBufferAccessor::Instance();
    CTevPopupMenu* popup = CTevManager::Instance().GetPopupMenu();
    if (!popup)
        return false;

    using Utility = CTevEntitySelectionPopupMenuUtility;
    Utility::Builder builder;
    auto entities = std::make_unique<Utility::CEntityItemCreator>(std::make_unique<CEntityItemPrinter>());
    const Utility::CEntityItemCreator& entityItems = *entities;
    builder.AddCreator(std::move(entities));
    builder.AddCreator(std::make_unique<Utility::CDivisionItemCreator>(32, 1));

    CTevPopupMenuItem root;
    {
        CTevBusyGuard busy;
        Utility::CIterator patches(accessor.GetEntityManager(), AllUserPatches());
        buildPopupMenu(builder, root, patches);
    }
    CollapseSingleSubmenus(root);

    const int32_t chosen =
        popup->TrackItemsAtIndex(root.GetChildren(), entityItems.IndexOf(GetCurrentEntityId()), nullptr);
    if (chosen < 0)
        return false;
    CTevBusyGuard busy;
    return Select(entityItems.GetEntityId(chosen));
}

// ---------------------------------------------------------------------------
// CDomain
// ---------------------------------------------------------------------------

bool CDomain::SystemReset()
{
    CBufferAccessor& accessor = CBufferAccessor::Instance();
    CTevValue* reset = accessor.GetSystemReset();
    CTevBufferManager* manager = accessor.GetBufferManager();
    if (!reset || !manager)
        return false;
    manager->SetIntegerValues({{reset, 0}});
    manager->TransmitChanges();
    manager->DispatchChanges();
    manager->ClearChanges();
    return true;
}

bool CDomain::CRead::Execute(const std::string&)
{
    CTevBusyGuard busy;
    CBufferAccessor& accessor = CBufferAccessor::Instance();
    if (!accessor.IsMidiConnected()) {
        CTevManager::Instance().SetStatusCode(kNotConnectedCode);
        return false;
    }
    return accessor.ReadFromDevice();
}

bool CDomain::CWrite::Execute(const std::string&)
{
    // Without devices nothing could be stored: say so, as Read does, rather
    // than wait for a re-read that cannot come and show a patch as current
    // that the device never stored.
    CBufferAccessor& accessor = CBufferAccessor::Instance();
    if (!accessor.IsMidiConnected()) {
        CTevManager::Instance().SetStatusCode(kNotConnectedCode);
        return false;
    }
    return accessor.RunDeviceOperation([&accessor] {
        CDialogFactory* factory = accessor.GetDialogFactory();
        std::unique_ptr<CWriteEntityDialog> dialog = factory ? factory->CreateWriteEntityDialog() : nullptr;
        if (dialog)
            dialog->Run();
        return true;
    });
}

bool CDomain::CSelectPatch::Execute(const std::string&) { return CEntitySelector::SelectFromPopup(); }

bool CDomain::CIncrementPatch::Execute(const std::string&) { return CEntitySelector::Step(true); }

bool CDomain::CDecrementPatch::Execute(const std::string&) { return CEntitySelector::Step(false); }

} // namespace Quorva::TEV_EDITION
