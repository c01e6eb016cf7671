#include "views/TevPopupMenu.h"

#include "core/TevResources.h"

#include <algorithm>

namespace {

// The number right-aligned with blanks in a field of width characters (a
// longer number is written in full).
std::string RightAligned(int64_t number, int32_t width)
{
    std::string digits = std::to_string(number);
    if (width > 0 && digits.size() < size_t(width))
        digits.insert(0, size_t(width) - digits.size(), ' ');
    return digits;
}

// Walks the items depth first counting leaves; on reaching leaf `wanted`
// the child indices are prepended to the path on the way back.
bool FindLeaf(const CTevPopupMenuItem::ItemList& items, int32_t wanted, int32_t& counter, std::vector<int32_t>& path)
{
    for (size_t i = 0; i < items.size(); ++i) {
        const CTevPopupMenuItem* item = items[i].get();
        if (!item)
            continue;
        bool found = false;
        if (item->IsLeaf())
            found = counter++ == wanted;
        else
            found = FindLeaf(*item->GetChildren(), wanted, counter, path);
        if (found) {
            path.insert(path.begin(), static_cast<int32_t>(i));
            return true;
        }
    }
    return false;
}

} // namespace

CTevPopupMenuItem* CTevPopupMenuItem::AppendChild(std::unique_ptr<CTevPopupMenuItem> child)
{
    if (!child)
        return nullptr;
    if (!m_children)
        m_children = std::make_unique<ItemList>();
    m_children->push_back(std::move(child));
    return m_children->back().get();
}

void CollapseSingleSubmenus(CTevPopupMenuItem& item)
{
    CTevPopupMenuItem::ItemList* children = item.GetChildren();
    if (!children)
        return;
    for (const std::unique_ptr<CTevPopupMenuItem>& child : *children)
        if (child)
            CollapseSingleSubmenus(*child);
    if (children->size() != 1 || !(*children)[0])
        return;
    CTevPopupMenuItem::ItemList* grandchildren = (*children)[0]->GetChildren();
    if (!grandchildren || grandchildren->empty())
        return;
    // Keep the only child alive until its children have moved up.
    std::unique_ptr<CTevPopupMenuItem> only = std::move((*children)[0]);
    item.SetChildren(only->TakeChildren());
}

bool FindLeafPath(const CTevPopupMenuItem::ItemList* children, int32_t leafIndex, std::vector<int32_t>& path)
{
    path.clear();
    if (!children || leafIndex < 0)
        return false;
    int32_t counter = 0;
    return FindLeaf(*children, leafIndex, counter, path);
}

void ComputeDivisionStarts(int32_t n, int32_t m, std::vector<int32_t>& starts)
{
    starts.clear();
    if (n <= 0)
        return;
    if (m <= 0) {
        starts.push_back(0);
        return;
    }
    int32_t size = m;
    if (n % m != 0) {
        // 1 <= k <= n here, so the size is at least 1.
        const int32_t k = n / m + 1;
        size = n / k + (n % k != 0 ? 1 : 0);
    }
    for (int64_t start = 0; start < n; start += size)
        starts.push_back(static_cast<int32_t>(start));
}

// ---------------------------------------------------------------------------
// CTevStringTablePopupMenuUtility

std::unique_ptr<CTevPopupMenuItem> CTevStringTablePopupMenuUtility::CElementItemCreator::CreateItem(int32_t key,
                                                                                                    bool& attach)
{
    attach = true;
    return std::make_unique<CTevPopupMenuItem>(m_printer ? m_printer->Print(key) : std::string());
}

std::string CTevStringTablePopupMenuUtility::CDivisionItemPrinter::Print(int32_t key)
{
    if (m_table)
        return m_table->GetAt(key) + "...";
    return RightAligned(int64_t(key) + m_offset, m_width) + "...";
}

CTevStringTablePopupMenuUtility::CDivisionItemCreator::CDivisionItemCreator(std::unique_ptr<IPrinter> printer,
                                                                            int32_t n, int32_t m)
    : m_printer(std::move(printer))
{
    ComputeDivisionStarts(n, m, m_starts);
}

CTevStringTablePopupMenuUtility::CDivisionItemCreator::CDivisionItemCreator(const CTevStringTable& table, int32_t n,
                                                                            int32_t m)
    : CDivisionItemCreator(std::make_unique<CDivisionItemPrinter>(table), n, m)
{
}

std::unique_ptr<CTevPopupMenuItem> CTevStringTablePopupMenuUtility::CDivisionItemCreator::CreateItem(int32_t key,
                                                                                                     bool& attach)
{
    attach = false;
    if (!std::binary_search(m_starts.begin(), m_starts.end(), key))
        return nullptr;
    attach = true;
    return std::make_unique<CTevPopupMenuItem>(m_printer ? m_printer->Print(key) : std::string());
}

// ---------------------------------------------------------------------------
// CTevEntitySelectionPopupMenuUtility

std::string CTevEntitySelectionPopupMenuUtility::CIterator::CMenuItemSource::GetName() const
{
    return m_information ? m_information->GetName() : std::string();
}

IObject* CTevEntitySelectionPopupMenuUtility::CIterator::CMenuItemSource::GetUserData() const
{
    return m_information ? m_information->GetUserData() : nullptr;
}

CTevEntitySelectionPopupMenuUtility::CIterator::CIterator(const CTevEntityManager& manager, const CTevEntityId& query)
    : m_iterator(manager.CreateIterator(query))
{
}

bool CTevEntitySelectionPopupMenuUtility::CIterator::HasMore()
{
    return m_iterator && !m_iterator->IsEnd();
}

const CTevEntitySelectionPopupMenuUtility::IMenuItemSource& CTevEntitySelectionPopupMenuUtility::CIterator::Next()
{
    if (!HasMore()) {
        m_source.Set(CTevEntityId(), nullptr);
        return m_source;
    }
    m_source.Set(m_iterator->GetEntityId(), m_iterator->GetInformation());
    m_iterator->Next();
    return m_source;
}

std::unique_ptr<CTevPopupMenuItem>
CTevEntitySelectionPopupMenuUtility::CEntityItemCreator::CreateItem(const IMenuItemSource& source, bool& attach)
{
    attach = true;
    m_entityIds.push_back(source.GetEntityId());
    return std::make_unique<CTevPopupMenuItem>(m_printer ? m_printer->Print(source) : std::string());
}

CTevEntityId CTevEntitySelectionPopupMenuUtility::CEntityItemCreator::GetEntityId(int32_t index) const
{
    if (index < 0 || index >= GetCount())
        return CTevEntityId(CTevEntityId::Any, CTevEntityId::Any, CTevEntityId::Any, CTevEntityId::Any);
    return m_entityIds[size_t(index)];
}

int32_t CTevEntitySelectionPopupMenuUtility::CEntityItemCreator::IndexOf(const CTevEntityId& entityId) const
{
    auto it = std::find(m_entityIds.begin(), m_entityIds.end(), entityId);
    return it == m_entityIds.end() ? -1 : static_cast<int32_t>(it - m_entityIds.begin());
}

std::unique_ptr<CTevPopupMenuItem>
CTevEntitySelectionPopupMenuUtility::CDivisionItemCreator::CreateItem(const IMenuItemSource& source, bool& attach)
{
    attach = false;
    const int32_t number = source.GetEntityId().GetNumber();
    if (m_divisionSize <= 0 || number % m_divisionSize != 0)
        return nullptr;
    attach = true;
    return std::make_unique<CTevPopupMenuItem>(RightAligned(int64_t(number) + m_numberOffset, 3) + "...");
}
