#include "support/FakePopupMenu.h"

std::unique_ptr<CTevPopupMenuItem> CloneMenuItem(const CTevPopupMenuItem& item)
{
    auto copy = std::make_unique<CTevPopupMenuItem>(item.GetText());
    if (const CTevPopupMenuItem::ItemList* children = item.GetChildren()) {
        copy->SetChildren(std::make_unique<CTevPopupMenuItem::ItemList>());
        for (const std::unique_ptr<CTevPopupMenuItem>& child : *children)
            if (child)
                copy->AppendChild(CloneMenuItem(*child));
    }
    return copy;
}

void CollectLeafTexts(const CTevPopupMenuItem& item, std::vector<std::string>& texts)
{
    const CTevPopupMenuItem::ItemList* children = item.GetChildren();
    if (!children)
        return;
    for (const std::unique_ptr<CTevPopupMenuItem>& child : *children) {
        if (!child)
            continue;
        if (child->IsLeaf())
            texts.push_back(child->GetText());
        else
            CollectLeafTexts(*child, texts);
    }
}

void CFakePopupMenu::Record(const CTevPopupMenuItem::ItemList* items, const CTevPoint* point)
{
    ++m_callCount;
    m_items.SetChildren(std::make_unique<CTevPopupMenuItem::ItemList>());
    if (items)
        for (const std::unique_ptr<CTevPopupMenuItem>& item : *items)
            if (item)
                m_items.AppendChild(CloneMenuItem(*item));
    m_hadPoint = point != nullptr;
    m_point = point ? *point : CTevPoint();
}

int32_t CFakePopupMenu::TrackItems(const CTevPopupMenuItem::ItemList* items, std::vector<int32_t>& path,
                                   const CTevPoint* point)
{
    Record(items, point);
    m_preselectedIndex = -1;
    m_preselectedPath = path;
    if (m_choice >= 0) {
        std::vector<int32_t> chosen;
        if (FindLeafPath(items, m_choice, chosen))
            path = chosen;
    }
    return m_choice;
}

int32_t CFakePopupMenu::TrackItemsAtIndex(const CTevPopupMenuItem::ItemList* items, int32_t leafIndex,
                                          const CTevPoint* point)
{
    Record(items, point);
    m_preselectedIndex = leafIndex;
    FindLeafPath(items, leafIndex, m_preselectedPath);
    return m_choice;
}

std::vector<std::string> CFakePopupMenu::GetTopTexts() const
{
    std::vector<std::string> texts;
    if (const CTevPopupMenuItem::ItemList* items = m_items.GetChildren())
        for (const std::unique_ptr<CTevPopupMenuItem>& item : *items)
            texts.push_back(item->GetText());
    return texts;
}

std::vector<std::string> CFakePopupMenu::GetLeafTexts() const
{
    std::vector<std::string> texts;
    CollectLeafTexts(m_items, texts);
    return texts;
}
