#include "views/TevPanel.h"

#include "core/TevArchive.h"
#include "core/TevCondition.h"
#include "core/TevHelpers.h"
#include "core/TevManager.h"
#include "core/TevResources.h"
#include "core/TevServices.h"
#include "core/TevTextOut.h"
#include "views/TevDrawing.h"
#include "views/TevViewFactory.h"
#include "views/TevViewManager.h"

namespace {

// The resource manager that views find their resources in: the view
// manager's, else the manager's own.
CTevResourceManager& Resources()
{
    CTevManager& manager = CTevManager::Instance();
    if (CTevResourceManager* resources = manager.m_viewManager.GetResourceManager())
        return *resources;
    return manager.m_resourceManager;
}

CTevViewFactory& Factory()
{
    return CTevManager::Instance().m_viewManager.GetViewFactory();
}

// Splits "a.b.c" into "a" and "b.c"; without a '.' the rest is empty.
void SplitFirst(const std::string& path, std::string& first, std::string& rest)
{
    const size_t dot = path.find('.');
    if (dot == std::string::npos) {
        first = path;
        rest.clear();
    } else {
        first = path.substr(0, dot);
        rest = path.substr(dot + 1);
    }
}

CTevRect Offset(const CTevRect& rect, int32_t dx, int32_t dy)
{
    return CTevRect{rect.left + dx, rect.top + dy, rect.right + dx, rect.bottom + dy};
}

// The panel's tree is registered with the archive through its view part,
// the pointer type through which controls and node panels refer to their
// parent.
void Register(CTevArchive& archive, CTevView* view)
{
    archive.RegisterObject(view);
}

} // namespace

// ---------------------------------------------------------------------------
// CTevPanel
// ---------------------------------------------------------------------------

CTevPanel::~CTevPanel()
{
    if (m_bitmapHeld && m_bitmap)
        m_bitmap->Release();
    m_childControls.clear();
    m_childPanels.clear();
    NotifyTreeChanged();
}

bool CTevPanel::ReadAttributes(CTevPairList& attributes)
{
    return ReadDefinition(attributes);
}

bool CTevPanel::ReadDefinition(CTevPairList& attributes)
{
    if (!CTevView::ReadAttributes(attributes))
        return false;
    for (auto it = attributes.begin(); it != attributes.end();) {
        const std::string& tag = it->first;
        const std::string& text = it->second;
        if (tag == "bitmapRef") {
            CTevStateBitmap* bitmap = Resources().m_bitmaps.FindByName(text);
            if (!bitmap) {
                ErrorLog().Printf("Unable to find bitmap for panel. : %s : %s\n", GetPath().c_str(), text.c_str());
                return false;
            }
            m_bitmap = bitmap;
        } else if (tag == "openCondition") {
            m_openCondition = text;
            int32_t result = 0;
            // Makes a reference for every value the condition names.
            if (!BindAndEvaluateCondition(m_openCondition, result, m_valueRefs)) {
                ErrorLog().Printf("Unable to interpret open condition for panel. : %s : %s\n", GetPath().c_str(),
                                  text.c_str());
                return false;
            }
            m_conditionResult = result != 0;
        } else {
            ++it;
            continue;
        }
        it = attributes.erase(it);
    }
    return true;
}

bool CTevPanel::CheckBitmap() const
{
    if (!m_bitmap)
        return true;
    if (!m_bitmap->Acquire()) {
        ErrorLog().Printf("Unable to create bitmap for panel. : %s : %s\n", GetPath().c_str(),
                          m_bitmap->GetName().c_str());
        return false;
    }
    m_bitmap->Release();
    return true;
}

bool CTevPanel::CreateChildren()
{
    for (const auto& child : m_childPanels) {
        if (!child->Create(this)) {
            ErrorLog().Printf("Unable to create child panel %s.\n", child->GetName().c_str());
            return false;
        }
    }
    for (const auto& control : m_childControls) {
        if (!control->Create(this)) {
            ErrorLog().Printf("Unable to create child control %s.\n", control->GetName().c_str());
            return false;
        }
    }
    return true;
}

void CTevPanel::Draw(CTevDrawInfo& drawInfo)
{
    if (!m_open || !drawInfo.IntersectsUpdate(m_rect))
        return;
    if (m_bitmap)
        m_bitmap->DrawState(drawInfo, CTevPoint{m_rect.left, m_rect.top}, 0);
    for (const auto& child : m_childPanels)
        child->Draw(drawInfo);
    for (const auto& control : m_childControls)
        control->Draw(drawInfo);
}

bool CTevPanel::OnMouse(CTevMouseInfo& mouse)
{
    if (!m_open)
        return false;
    if (!m_capture && !m_rect.Contains(CTevPoint{mouse.x, mouse.y}))
        return false;
    for (const auto& child : m_childPanels) {
        if (child->OnMouse(mouse))
            return true;
    }
    for (const auto& control : m_childControls) {
        if (control->OnMouse(mouse))
            return true;
    }
    return CTevView::OnMouse(mouse);
}

bool CTevPanel::OnTick(int tick)
{
    if (!m_open)
        return false;
    for (const auto& child : m_childPanels) {
        if (child->OnTick(tick))
            return true;
    }
    for (const auto& control : m_childControls) {
        if (control->OnTick(tick))
            return true;
    }
    return CTevView::OnTick(tick);
}

bool CTevPanel::UpdateOpenState(const CTevValueList& values)
{
    bool reacted = false;
    bool wanted = m_open;
    const bool hasReferences = !m_valueRefs.empty();
    if (hasReferences && CTevView::OnValuesChanged(values)) {
        reacted = true;
        // The rule may have resolved the references again.
        NotifyReferencesChanged(*this);
        int32_t result = 0;
        // A condition that can't be evaluated now (say, a division by a
        // value that became 0) keeps its last result.
        if (ReevaluateCondition(m_openCondition, result, m_valueRefs))
            m_conditionResult = result != 0;
        if (!GetParent())
            wanted = m_conditionResult;
    }
    if (const CTevView* parent = GetParent())
        wanted = parent->IsOpen() && (!hasReferences || m_conditionResult);
    if (wanted != m_open) {
        if (wanted)
            Open();
        else
            Close();
        reacted = true;
    }
    return reacted;
}

bool CTevPanel::OnValuesChanged(const CTevValueList& values)
{
    bool reacted = UpdateOpenState(values);
    for (const auto& child : m_childPanels)
        reacted |= child->OnValuesChanged(values);
    if (m_open) {
        for (const auto& control : m_childControls) {
            if (control->OnValuesChanged(values)) {
                reacted = true;
                NotifyReferencesChanged(*control);
            }
        }
    }
    return reacted;
}

bool CTevPanel::Open()
{
    if (m_bitmap && !m_bitmapHeld)
        m_bitmapHeld = m_bitmap->Acquire();
    for (const auto& control : m_childControls) {
        control->Open();
        // Opening resolves a control's references again.
        NotifyReferencesChanged(*control);
    }
    m_open = true;
    return true;
}

bool CTevPanel::Close()
{
    // Closed before its controls close: a control's close may run a round
    // of the change protocol (a keyboard ending its notes), whose broadcast
    // must not close the panel again from inside.
    m_open = false;
    if (m_bitmap && m_bitmapHeld) {
        m_bitmap->Release();
        m_bitmapHeld = false;
    }
    for (const auto& control : m_childControls)
        control->Close();
    return true;
}

void CTevPanel::SetRect(const CTevRect& rect)
{
    const int32_t dx = rect.left - m_rect.left;
    const int32_t dy = rect.top - m_rect.top;
    m_rect = rect;
    for (const auto& child : m_childPanels)
        child->SetRect(Offset(child->GetRect(), dx, dy));
    for (const auto& control : m_childControls)
        control->SetRect(Offset(control->GetRect(), dx, dy));
}

void CTevPanel::Dump(CTevTextOut& out) const
{
    out.Indent(4);
    CTevView::Dump(out);
    if (m_bitmap)
        out.Printf("bitmap=%s, ", m_bitmap->GetName().c_str());
    out.Printf("openCondition=%s\n", m_openCondition.c_str());
    out.Printf("<!--child panels-->\n");
    for (const auto& child : m_childPanels)
        child->Dump(out);
    out.Printf("<!--child controls-->\n");
    for (const auto& control : m_childControls)
        control->Dump(out);
    out.Indent(-4);
}

void CTevPanel::DumpName(CTevTextOut& out) const
{
    out.Indent(4);
    CTevView::DumpName(out);
    for (const auto& child : m_childPanels)
        child->DumpName(out);
    for (const auto& control : m_childControls)
        control->DumpName(out);
    out.Indent(-4);
}

bool CTevPanel::Serialize(CTevArchive& archive)
{
    if (!CTevView::Serialize(archive))
        return false;
    const bool rebuilding = archive.IsLoading() && archive.IsValuePass();

    int32_t count = static_cast<int32_t>(m_childPanels.size());
    if (!archive.SerializeCount(count))
        return false;
    if (rebuilding) {
        m_childPanels.clear();
        NotifyTreeChanged();
        // The count is not checked against the input: create one by one.
        for (int32_t i = 0; i < count; ++i) {
            int32_t kind = 0;
            if (!archive.SerializeInt(kind))
                return false;
            std::unique_ptr<CTevPanel> child = Factory().CreatePanelOfKind(kind);
            if (!child)
                return false;
            child->SetViewManager(m_viewManager);
            CTevPanel* raw = AppendChildPanel(std::move(child));
            Register(archive, raw);
            if (!raw->Serialize(archive))
                return false;
        }
    } else {
        for (const auto& child : m_childPanels) {
            int32_t kind = child->IsNodePanel() ? 1 : 0;
            if (!archive.SerializeInt(kind))
                return false;
            Register(archive, child.get());
            if (!child->Serialize(archive))
                return false;
        }
    }

    count = static_cast<int32_t>(m_childControls.size());
    if (!archive.SerializeCount(count))
        return false;
    if (rebuilding) {
        m_childControls.clear();
        NotifyTreeChanged();
        for (int32_t i = 0; i < count; ++i) {
            CTevElementDefinition definition;
            if (!archive.SerializeString(definition.type))
                return false;
            std::unique_ptr<CTevControl> control = Factory().CreateControl(definition);
            if (!control)
                return false;
            CTevControl* raw = AppendChildControl(std::move(control));
            Register(archive, raw);
            if (!raw->Serialize(archive))
                return false;
        }
    } else {
        for (const auto& control : m_childControls) {
            std::string typeName = control->GetTypeName();
            if (!archive.SerializeString(typeName))
                return false;
            Register(archive, control.get());
            if (!control->Serialize(archive))
                return false;
        }
    }

    int32_t result = m_conditionResult ? 1 : 0;
    if (!archive.SerializeObjectRef(m_bitmap) || !archive.SerializeString(m_openCondition) ||
        !archive.SerializeInt(result))
        return false;
    m_conditionResult = result != 0;
    return true;
}

bool CTevPanel::FindControl(const std::string& path, CTevControl*& control)
{
    std::string first;
    std::string rest;
    SplitFirst(path, first, rest);
    if (first != m_name)
        return false;
    for (const auto& child : m_childControls) {
        if (child->GetName() == rest) {
            control = child.get();
            return true;
        }
    }
    for (const auto& child : m_childPanels) {
        if (child->FindControl(rest, control))
            return true;
    }
    return false;
}

bool CTevPanel::FindPanel(const std::string& path, CTevPanel*& panel)
{
    std::string first;
    std::string rest;
    SplitFirst(path, first, rest);
    if (first != m_name)
        return false;
    if (rest.empty()) {
        panel = this;
        return true;
    }
    for (const auto& child : m_childPanels) {
        if (child->FindPanel(rest, panel))
            return true;
    }
    return false;
}

CTevPanel* CTevPanel::AppendChildPanel(std::unique_ptr<CTevPanel> panel)
{
    CTevPanel* raw = panel.get();
    raw->SetViewManager(m_viewManager);
    m_childPanels.push_back(std::move(panel));
    NotifyTreeChanged();
    return raw;
}

CTevControl* CTevPanel::AppendChildControl(std::unique_ptr<CTevControl> control)
{
    CTevControl* raw = control.get();
    m_childControls.push_back(std::move(control));
    NotifyTreeChanged();
    return raw;
}

void CTevPanel::SetViewManager(CTevViewManager* viewManager)
{
    m_viewManager = viewManager;
    for (const auto& child : m_childPanels)
        child->SetViewManager(viewManager);
}

void CTevPanel::NotifyReferencesChanged(const CTevView& view) const
{
    if (m_viewManager)
        m_viewManager->ReindexView(view);
}

void CTevPanel::NotifyTreeChanged() const
{
    if (m_viewManager)
        m_viewManager->InvalidateIndex();
}

// ---------------------------------------------------------------------------
// CTevRootPanel
// ---------------------------------------------------------------------------

CTevRootPanel::~CTevRootPanel()
{
    // The window may still store its position into the panel as it goes.
    m_window.reset();
}

void CTevRootPanel::SetCapture(bool capture)
{
    CTevView::SetCapture(capture);
    if (m_window)
        m_window->SetCapture(capture);
}

CTevPoint CTevRootPanel::ClientToScreen(const CTevPoint& point) const
{
    return m_window ? m_window->ClientToScreen(point) : point;
}

bool CTevRootPanel::ReadDefinition(CTevPairList& attributes)
{
    if (!CTevPanel::ReadDefinition(attributes))
        return false;
    bool hasCloseRef = false;
    std::string closeRefName;
    for (auto it = attributes.begin(); it != attributes.end();) {
        const std::string& tag = it->first;
        const std::string& text = it->second;
        if (tag == "windowPosition") {
            CTevPoint point;
            if (!ScanPoint(text, point)) {
                ErrorLog().Printf("Window position is invalid for root panel. : %s : %s\n", GetPath().c_str(),
                                  text.c_str());
                return false;
            }
            m_windowPosition = point;
        } else if (tag == "closeValueRef") {
            hasCloseRef = true;
            closeRefName = text;
        } else if (tag == "closeValue") {
            int32_t value = 0;
            if (!ScanLong(text, value)) {
                ErrorLog().Printf("Close value is invalid for root panel. : %s : %s\n", GetPath().c_str(),
                                  text.c_str());
                return false;
            }
            m_closeValue = value;
        } else if (tag == "modal") {
            int32_t value = 0;
            if (!ScanLong(text, value)) {
                ErrorLog().Printf("Modal is invalid for root panel. : %s : %s\n", GetPath().c_str(), text.c_str());
                return false;
            }
            m_modal = value != 0;
        } else {
            ++it;
            continue;
        }
        it = attributes.erase(it);
    }
    if (hasCloseRef) {
        m_closeValueRefIndex = GetValueRefCount();
        m_valueRefs.emplace_back(closeRefName);
    }
    return true;
}

bool CTevRootPanel::Create(CTevView* parent)
{
    (void)parent;
    if (!CTevView::Create(nullptr)) {
        ErrorLog().Printf("Unable to create root panel %s.\n", m_name.c_str());
        return false;
    }
    return CheckBitmap() && CreateChildren();
}

bool CTevRootPanel::OnKey(const CTevKeyInfo& key)
{
    CTevView* active = CTevView::GetActiveView();
    if (active && active != this)
        return active->OnKey(key);
    return false;
}

void CTevRootPanel::Invalidate(const CTevRect* rect)
{
    if (m_window)
        m_window->Invalidate(rect ? *rect : m_rect);
}

bool CTevRootPanel::Open()
{
    if (!m_window) {
        m_window = Factory().CreatePanelWindow(*this);
        if (!m_window)
            return false;
    }
    return CTevPanel::Open();
}

bool CTevRootPanel::Close()
{
    // A view of this window that is active (a knob just turned, showing its
    // value on the tip bar) stops being so before the window goes, and a
    // tip no longer wanted goes at once: the window may close inside a
    // box's loop, which runs no idle time to hide it, and a tip still shown
    // could take the activation from the closing window.
    const CTevView* view = GetActiveView();
    while (view && view != this)
        view = view->GetParent();
    if (view)
        GetActiveView()->SetActive(false);
    if (CTevTipBar* tipBar = CTevManager::Instance().GetTipBar())
        tipBar->Update();
    m_window.reset();
    return CTevPanel::Close();
}

bool CTevRootPanel::Serialize(CTevArchive& archive)
{
    return CTevPanel::Serialize(archive) && archive.SerializePoint(m_windowPosition) &&
           archive.SerializeInt(m_closeValueRefIndex) && archive.SerializeInt(m_closeValue) &&
           archive.SerializeBool(m_modal);
}

void CTevRootPanel::RequestClose()
{
    if (m_valueRefs.empty()) {
        Close();
        return;
    }
    // Without "closeValueRef" the index is 0: the condition's first value.
    CTevManager& manager = CTevManager::Instance();
    manager.SetIntegerValue(GetValue(m_closeValueRefIndex), m_closeValue);
    manager.TransmitChanges();
    manager.DispatchChanges();
    manager.ClearChanges();
}

// ---------------------------------------------------------------------------
// CTevNodePanel
// ---------------------------------------------------------------------------

void CTevNodePanel::SetCapture(bool capture)
{
    CTevView::SetCapture(capture);
    if (m_parent)
        m_parent->SetCapture(capture);
}

CTevView* CTevNodePanel::GetParent() const
{
    return m_parent;
}

CTevPoint CTevNodePanel::ClientToScreen(const CTevPoint& point) const
{
    return m_parent ? m_parent->ClientToScreen(point) : point;
}

bool CTevNodePanel::Create(CTevView* parent)
{
    if (!CTevView::Create(parent)) {
        ErrorLog().Printf("Unable to create node panel %s.\n", m_name.c_str());
        return false;
    }
    m_parent = dynamic_cast<CTevPanel*>(parent);
    return CheckBitmap() && CreateChildren();
}

void CTevNodePanel::Invalidate(const CTevRect* rect)
{
    if (m_parent)
        m_parent->Invalidate(rect ? rect : &m_rect);
}

bool CTevNodePanel::Serialize(CTevArchive& archive)
{
    if (!CTevPanel::Serialize(archive))
        return false;
    CTevView* parent = m_parent;
    if (!archive.SerializeObjectRef(parent))
        return false;
    if (archive.GetMode() == CTevArchive::kReadReferences) {
        CTevPanel* panel = dynamic_cast<CTevPanel*>(parent);
        // A reference to anything but a panel is not a parent.
        if (parent && !panel)
            return false;
        m_parent = panel;
    }
    return true;
}
