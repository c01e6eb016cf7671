#include "views/TevView.h"

#include "core/TevArchive.h"
#include "core/TevCondition.h"
#include "core/TevHelpers.h"
#include "core/TevManager.h"
#include "core/TevTextOut.h"
#include "core/TevValue.h"

#include <algorithm>

namespace {

// Rect arithmetic wraps like the 32-bit integers of the script instead of
// overflowing.
int32_t WrapAdd(int32_t a, int32_t b)
{
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}
int32_t WrapSub(int32_t a, int32_t b)
{
    return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}

// The one active view of the process.
CTevView*& ActiveViewSlot()
{
    static CTevView* active = nullptr;
    return active;
}

bool Contains(const CTevValueList& values, const CTevValue* value)
{
    return std::find(values.begin(), values.end(), value) != values.end();
}

} // namespace

// ---------------------------------------------------------------------------
// CTevValueRef
// ---------------------------------------------------------------------------

bool CTevValueRef::Resolve()
{
    std::string path = m_name;
    CTevValueList dependencies;
    size_t cursor = 0;
    for (;;) {
        size_t begin = cursor;
        size_t end = 0;
        if (!FindBracketedPart(path, begin, end))
            break;
        // The inner text is an expression whose names become references of
        // their own, resolved recursively (they may hold brackets too).
        CTevValueRefList innerRefs;
        int32_t index = 0;
        if (!BindAndEvaluateCondition(path.substr(begin, end - begin), index, innerRefs))
            return false;
        for (const CTevValueRef& inner : innerRefs) {
            dependencies.push_back(inner.m_value);
            dependencies.insert(dependencies.end(), inner.m_dependencies.begin(), inner.m_dependencies.end());
        }
        const std::string number = std::to_string(index);
        path.replace(begin, end - begin, number);
        cursor = begin + number.size() + 1; // just past the "]"
    }

    CTevValue* value = CTevManager::Instance().FindValue(path);
    if (!value)
        return false;
    m_value = value;
    m_dependencies = std::move(dependencies);
    return true;
}

bool CTevValueRef::DependsOnAny(const CTevValueList& values) const
{
    for (const CTevValue* dependency : m_dependencies) {
        if (dependency && Contains(values, dependency))
            return true;
    }
    return false;
}

bool CTevValueRef::IsValueIn(const CTevValueList& values) const
{
    return m_value && Contains(values, m_value);
}

bool CTevValueRef::Serialize(CTevArchive& archive)
{
    return archive.SerializeString(m_name) && archive.SerializeObjectRef(m_value) &&
           archive.SerializeReferenceList(m_dependencies);
}

// ---------------------------------------------------------------------------
// CTevView
// ---------------------------------------------------------------------------

CTevView::~CTevView()
{
    // Otherwise the next key event would go to a deleted view.
    CTevView*& active = ActiveViewSlot();
    if (active == this)
        active = nullptr;
}

void CTevView::SetCapture(bool capture)
{
    m_capture = capture;
}

void CTevView::CancelCapture()
{
    if (!m_capture)
        return;
    // The views holding the capture take a release wherever it is.
    CTevMouseInfo release(CTevMouseInfo::kButtonUp, m_rect.left - 1, m_rect.top - 1, 0);
    OnMouse(release);
    if (m_capture)
        SetCapture(false);
}

bool CTevView::ReadAttributes(CTevPairList& attributes)
{
    CTevPoint position;
    CTevPoint size;
    for (auto it = attributes.begin(); it != attributes.end();) {
        const std::string& tag = it->first;
        const std::string& text = it->second;
        if (tag == "name") {
            m_name = text;
        } else if (tag == "position") {
            int32_t x = 0;
            int32_t y = 0;
            if (!ScanTwoLongs(text, x, y)) {
                ErrorLog().Printf("Position is invalid for view. : %s : %s\n", GetPath().c_str(), text.c_str());
                return false;
            }
            position = CTevPoint{x, y};
        } else if (tag == "size") {
            int32_t width = 0;
            int32_t height = 0;
            if (!ScanTwoLongs(text, width, height)) {
                ErrorLog().Printf("Size is invalid for view. : %s : %s\n", GetPath().c_str(), text.c_str());
                return false;
            }
            size = CTevPoint{width, height};
        } else {
            ++it;
            continue;
        }
        it = attributes.erase(it);
    }
    m_rect = CTevRect{position.x, position.y, WrapAdd(position.x, size.x), WrapAdd(position.y, size.y)};
    return true;
}

bool CTevView::Create(CTevView* parent)
{
    if (parent) {
        const CTevRect& outer = parent->GetRect();
        m_rect.left = WrapAdd(m_rect.left, outer.left);
        m_rect.right = WrapAdd(m_rect.right, outer.left);
        m_rect.top = WrapAdd(m_rect.top, outer.top);
        m_rect.bottom = WrapAdd(m_rect.bottom, outer.top);
    }
    if (!ResolveValueRefs()) {
        ErrorLog().Printf("Unable to associate view %s.\n", m_name.c_str());
        return false;
    }
    return true;
}

// The layout-edit tool takes input events here while it is enabled; without
// it the base takes none.
bool CTevView::OnMouse(CTevMouseInfo& mouse)
{
    CTevLayoutEditTool& tool = CTevManager::Instance().m_viewManager.GetLayoutEditTool();
    return tool.IsEnabled() && tool.OnMouse(*this, mouse);
}

bool CTevView::OnKey(const CTevKeyInfo& key)
{
    CTevLayoutEditTool& tool = CTevManager::Instance().m_viewManager.GetLayoutEditTool();
    return tool.IsEnabled() && tool.OnKey(key);
}

bool CTevView::OnTick(int tick)
{
    CTevLayoutEditTool& tool = CTevManager::Instance().m_viewManager.GetLayoutEditTool();
    return tool.IsEnabled() && tool.OnTick(*this, tick);
}

bool CTevView::OnValuesChanged(const CTevValueList& values)
{
    bool affected = false;
    for (const CTevValueRef& ref : m_valueRefs) {
        if (ref.DependsOnAny(values)) {
            // An index changed: the reference may now name another value,
            // which need not be in the list itself.
            ResolveValueRefs();
            Invalidate(nullptr);
            return true;
        }
        if (ref.IsValueIn(values))
            affected = true;
    }
    if (affected)
        Invalidate(nullptr);
    return affected;
}

bool CTevView::Open()
{
    m_open = true;
    return true;
}

bool CTevView::Close()
{
    m_open = false;
    return true;
}

void CTevView::SetActive(bool active)
{
    CTevView*& slot = ActiveViewSlot();
    if (slot && slot != this)
        slot->SetActive(false);
    slot = active ? this : nullptr;
}

CTevValueRef* CTevView::GetValueRef(int index)
{
    if (index == -1)
        index = 0;
    if (index < 0 || index >= GetValueRefCount())
        return nullptr;
    return &m_valueRefs[static_cast<size_t>(index)];
}

const CTevValueRef* CTevView::GetValueRef(int index) const
{
    return const_cast<CTevView*>(this)->GetValueRef(index);
}

CTevValue* CTevView::GetValue(int index) const
{
    const CTevValueRef* ref = GetValueRef(index);
    return ref ? ref->GetValue() : nullptr;
}

void CTevView::SetRect(const CTevRect& rect)
{
    m_rect = rect;
}

void CTevView::Dump(CTevTextOut& out) const
{
    out.Printf("%s, ", GetPath().c_str());
    out.Printf("position=%ld %ld, ", static_cast<long>(m_rect.left), static_cast<long>(m_rect.top));
    out.Printf("size=%ld %ld, ", static_cast<long>(WrapSub(m_rect.right, m_rect.left)),
               static_cast<long>(WrapSub(m_rect.bottom, m_rect.top)));
}

void CTevView::DumpName(CTevTextOut& out) const
{
    out.Printf("%s\n", GetPath().c_str());
}

bool CTevView::Serialize(CTevArchive& archive)
{
    if (!archive.SerializeRect(m_rect) || !archive.SerializeString(m_name))
        return false;
    int32_t count = GetValueRefCount();
    if (!archive.SerializeCount(count))
        return false;
    if (archive.IsLoading() && archive.IsValuePass()) {
        // The count is not checked against the input: grow one by one.
        m_valueRefs.clear();
        for (int32_t i = 0; i < count; ++i) {
            m_valueRefs.emplace_back();
            if (!m_valueRefs.back().Serialize(archive))
                return false;
        }
        return true;
    }
    for (CTevValueRef& ref : m_valueRefs) {
        if (!ref.Serialize(archive))
            return false;
    }
    return true;
}

std::string CTevView::GetPath() const
{
    std::vector<const CTevView*> chain;
    for (const CTevView* view = this; view; view = view->GetParent())
        chain.push_back(view);
    std::string path;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        if (it != chain.rbegin())
            path += '.';
        path += (*it)->m_name;
    }
    return path;
}

CTevRect CTevView::GetRelativeRect() const
{
    const CTevView* parent = GetParent();
    if (!parent)
        return m_rect;
    const CTevRect& outer = parent->GetRect();
    return CTevRect{WrapSub(m_rect.left, outer.left), WrapSub(m_rect.top, outer.top),
                    WrapSub(m_rect.right, outer.left), WrapSub(m_rect.bottom, outer.top)};
}

bool CTevView::ResolveValueRefs()
{
    for (CTevValueRef& ref : m_valueRefs) {
        if (!ref.Resolve()) {
            ErrorLog().Printf("Unable to convert value reference name %s to value.\n", ref.GetName().c_str());
            return false;
        }
    }
    return true;
}

bool CTevView::IsActive() const
{
    return ActiveViewSlot() == this;
}

CTevView* CTevView::GetActiveView()
{
    return ActiveViewSlot();
}

CTevTextOut& CTevView::ErrorLog()
{
    CTevManager& manager = CTevManager::Instance();
    if (CTevTextOut* log = manager.m_viewManager.GetErrorLog())
        return *log;
    return manager.ErrorReporter();
}
