#include "controls/TevControl.h"

#include "core/TevArchive.h"
#include "core/TevHelpers.h"
#include "core/TevManager.h"
#include "core/TevResources.h"
#include "core/TevTextOut.h"
#include "core/TevValue.h"

#include <algorithm>

namespace {

bool IsIntegerType(int32_t type)
{
    return type >= CTevValueSpec::kInt1x7 && type <= CTevValueSpec::kInt4x4;
}

} // namespace

// ---------------------------------------------------------------------------
// CTevControl
// ---------------------------------------------------------------------------

void CTevControl::SetCapture(bool capture)
{
    CTevView::SetCapture(capture);
    if (m_parent)
        m_parent->SetCapture(capture);
}

CTevPoint CTevControl::ClientToScreen(const CTevPoint& point) const
{
    return m_parent ? m_parent->ClientToScreen(point) : point;
}

bool CTevControl::ReadAttributes(CTevPairList& attributes)
{
    if (!CTevView::ReadAttributes(attributes))
        return false;
    for (auto it = attributes.begin(); it != attributes.end();) {
        if (it->first == "valueRef") {
            m_valueRefs.emplace_back(it->second);
            it = attributes.erase(it);
        } else {
            ++it;
        }
    }
    return true;
}

bool CTevControl::Create(CTevView* parent)
{
    // The parent is stored only once the view is created: until then the
    // control's messages name it alone.
    if (!CTevView::Create(parent)) {
        ErrorLog().Printf("Unable to create control %s.\n", m_name.c_str());
        return false;
    }
    m_parent = parent;
    return true;
}

void CTevControl::Invalidate(const CTevRect* rect)
{
    if (m_parent)
        m_parent->Invalidate(rect ? rect : &m_rect);
}

bool CTevControl::OnValuesChanged(const CTevValueList& values)
{
    if (!CTevView::OnValuesChanged(values))
        return false;
    Update();
    return true;
}

bool CTevControl::Open()
{
    // The message of a failure is enough: the control shows what it has.
    ResolveValueRefs();
    Invalidate(nullptr);
    m_open = true;
    Update();
    return true;
}

bool CTevControl::Close()
{
    CancelCapture();
    m_open = false;
    return true;
}

void CTevControl::Dump(CTevTextOut& out) const
{
    out.Indent(4);
    CTevView::Dump(out);
    out.Printf("\n");
    out.Indent(-4);
}

void CTevControl::DumpName(CTevTextOut& out) const
{
    out.Indent(4);
    CTevView::DumpName(out);
    out.Indent(-4);
}

bool CTevControl::Serialize(CTevArchive& archive)
{
    return CTevView::Serialize(archive) && archive.SerializeObjectRef(m_parent);
}

bool CTevControl::SendValueIndex(CTevValue* value, int32_t index)
{
    if (!value || value->GetIndex() == index)
        return false;
    CTevManager& manager = CTevManager::Instance();
    manager.SetValueByIndex(value, index);
    manager.TransmitChanges();
    manager.DispatchChanges();
    manager.ClearChanges();
    return true;
}

void CTevControl::SendIntegerValue(CTevValue* value, int32_t integer)
{
    if (!value)
        return;
    CTevManager& manager = CTevManager::Instance();
    manager.SetIntegerValue(value, integer);
    manager.TransmitChanges();
    manager.DispatchChanges();
    manager.ClearChanges();
}

CTevResourceManager& CTevControl::Resources()
{
    CTevManager& manager = CTevManager::Instance();
    if (CTevResourceManager* resources = manager.m_viewManager.GetResourceManager())
        return *resources;
    return manager.m_resourceManager;
}

CTevStateBitmap* CTevControl::FindBitmapRef(const std::string& name, const char* kind, const char* end) const
{
    CTevStateBitmap* bitmap = Resources().m_bitmaps.FindByName(name);
    if (!bitmap)
        ErrorLog().Printf("Unable to find bitmap for %s. : %s : %s%s\n", kind, GetPath().c_str(), name.c_str(), end);
    return bitmap;
}

bool CTevControl::AcquireBitmap(CTevStateBitmap* bitmap, const char* kind) const
{
    if (bitmap && bitmap->Acquire())
        return true;
    ErrorLog().Printf("Unable to create bitmap for %s. : %s\n", kind, GetPath().c_str());
    return false;
}

int32_t CTevControl::ClampState(const CTevStateBitmap& bitmap, int64_t state)
{
    return static_cast<int32_t>(std::clamp<int64_t>(state, 0, std::max(bitmap.GetStateCount(), 1) - 1));
}

std::string CTevControl::TableEntry(const CTevStringTable& table, int64_t index)
{
    const int32_t count = table.GetCount();
    if (count <= 0)
        return std::string();
    return table.GetAt(static_cast<int32_t>(std::clamp<int64_t>(index, 0, count - 1)));
}

std::string CTevControl::OffsetNumberText(int32_t integer, int32_t offset, const std::string& unit)
{
    return FormatString("%d%s", static_cast<int>(int64_t(integer) + offset), unit.c_str());
}

// ---------------------------------------------------------------------------
// CTevDragControl
// ---------------------------------------------------------------------------

CTevDragControl::~CTevDragControl() = default;

bool CTevDragControl::ReadAttributes(CTevPairList& attributes)
{
    if (!CTevControl::ReadAttributes(attributes))
        return false;

    m_keyOperator = CreateKeyOperator();
    if (m_keyOperator && !m_keyOperator->ReadAttributes(attributes)) {
        ErrorLog().Printf("Unable to convert key operator for drag control. : %s\n", GetPath().c_str());
        m_keyOperator.reset();
        return false;
    }

    m_tipBarOperator = CreateTipBarOperator();
    if (m_tipBarOperator) {
        switch (m_tipBarOperator->ReadAttributes(attributes)) {
        case CTevTipBarOperator::kKeep:
            break;
        case CTevTipBarOperator::kNotWanted:
            m_tipBarOperator.reset();
            break;
        default:
            ErrorLog().Printf("Unable to convert tip bar operator for drag control. : %s\n", GetPath().c_str());
            m_tipBarOperator.reset();
            return false;
        }
    }
    return true;
}

bool CTevDragControl::Create(CTevView* parent)
{
    if (!CTevControl::Create(parent)) {
        ErrorLog().Printf("Unable to create drag control. : %s\n", GetPath().c_str());
        return false;
    }
    if (m_keyOperator && !m_keyOperator->Create()) {
        ErrorLog().Printf("Unable to create key operator for drag control. : %s\n", GetPath().c_str());
        return false;
    }
    if (m_tipBarOperator && !m_tipBarOperator->Create()) {
        ErrorLog().Printf("Unable to create tip bar operator for drag control. : %s\n", GetPath().c_str());
        return false;
    }
    return true;
}

bool CTevDragControl::OnMouse(CTevMouseInfo& mouse)
{
    if (CTevView::OnMouse(mouse))
        return true;
    if (!m_capture && !m_rect.Contains(mouse.GetPoint()))
        return false;
    if (m_keyOperator)
        m_keyOperator->OnMouse(mouse);

    switch (mouse.kind) {
    case CTevMouseInfo::kButtonDown:
    case CTevMouseInfo::kDoubleClick:
        if (!IsActive())
            SetActive(true);
        SetCapture(true);
        BeginDrag(mouse);
        return true;
    case CTevMouseInfo::kMove:
        if (!m_capture)
            return false;
        Drag(mouse);
        return true;
    case CTevMouseInfo::kButtonUp:
        if (!m_capture)
            return false;
        SetCapture(false);
        EndDrag(mouse);
        return true;
    default:
        return false;
    }
}

bool CTevDragControl::OnKey(const CTevKeyInfo& key)
{
    if (CTevView::OnKey(key))
        return true;
    return m_keyOperator ? m_keyOperator->OnKey(key) : false;
}

bool CTevDragControl::OnTick(int tick)
{
    if (CTevView::OnTick(tick))
        return true;
    return m_keyOperator ? m_keyOperator->OnTick(tick) : false;
}

bool CTevDragControl::OnValuesChanged(const CTevValueList& values)
{
    if (!CTevControl::OnValuesChanged(values))
        return false;
    if (m_tipBarOperator)
        m_tipBarOperator->showValueOnTipBar();
    return true;
}

bool CTevDragControl::Close()
{
    // The drag ends before the control stops being active, which would
    // only drop the capture.
    CancelCapture();
    if (IsActive())
        SetActive(false);
    return CTevControl::Close();
}

void CTevDragControl::SetActive(bool active)
{
    CTevView::SetActive(active);
    if (!active && m_capture)
        SetCapture(false);
    if (m_keyOperator)
        m_keyOperator->SetActive(active);
    if (m_tipBarOperator)
        m_tipBarOperator->SetActive(active);
}

void CTevDragControl::SetRect(const CTevRect& rect)
{
    CTevControl::SetRect(rect);
    Update();
}

bool CTevDragControl::Serialize(CTevArchive& archive)
{
    if (!CTevControl::Serialize(archive))
        return false;
    bool hasKeyOperator = m_keyOperator != nullptr;
    bool hasTipBarOperator = m_tipBarOperator != nullptr;
    if (!archive.SerializeBool(hasKeyOperator) || !archive.SerializeBool(hasTipBarOperator))
        return false;
    if (archive.IsLoading() && archive.IsValuePass()) {
        // An operator that the archive does not hold must not stay either,
        // or it would read the next object's data as its own.
        m_keyOperator = hasKeyOperator ? CreateKeyOperator() : nullptr;
        m_tipBarOperator = hasTipBarOperator ? CreateTipBarOperator() : nullptr;
        if ((hasKeyOperator && !m_keyOperator) || (hasTipBarOperator && !m_tipBarOperator))
            return false;
    }
    if (m_keyOperator && !m_keyOperator->Serialize(archive))
        return false;
    if (m_tipBarOperator && !m_tipBarOperator->Serialize(archive))
        return false;
    return true;
}

std::unique_ptr<CTevKeyOperator> CTevDragControl::CreateKeyOperator()
{
    return nullptr;
}

std::unique_ptr<CTevTipBarOperator> CTevDragControl::CreateTipBarOperator()
{
    return nullptr;
}

void CTevDragControl::setValueIndex(int32_t index)
{
    SendValueIndex(GetValue(-1), index);
}

int32_t CTevDragControl::ValueStepCount() const
{
    const CTevValue* value = GetValue(-1);
    return value && value->GetSpec() ? value->GetSpec()->GetCount() : 0;
}

bool CTevDragControl::CheckSteppedIntegerValue(const char* kind) const
{
    const CTevValue* value = GetValue(-1);
    if (!value) {
        ErrorLog().Printf("Value references are necessary for %s. : %s.\n", kind, GetPath().c_str());
        return false;
    }
    if (!value->GetSpec() || !IsIntegerType(value->GetSpec()->GetType())) {
        ErrorLog().Printf("Referred value must be integer for %s. : %s\n", kind, GetPath().c_str());
        return false;
    }
    if (value->GetSpec()->GetCount() <= 1) {
        ErrorLog().Printf("Referred value range must be greater than 1 for %s. : %s\n", kind, GetPath().c_str());
        return false;
    }
    return true;
}

bool CTevDragControl::PressSetsDefault(const CTevMouseInfo& mouse)
{
    if (mouse.modifiers != CTevMouseInfo::kCtrl)
        return false;
    const CTevValue* value = GetValue(-1);
    if (value && value->GetSpec()) {
        const int32_t index = value->GetSpec()->GetDefaultIndex();
        if (index >= 0 && index < value->GetSpec()->GetCount())
            setValueIndex(index);
    }
    SetCapture(false);
    return true;
}
