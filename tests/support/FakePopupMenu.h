#pragma once
// A pop-up menu service for tests: remembers what it was asked to show and
// answers with a scripted choice instead of opening a menu.
#include "views/TevPopupMenu.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CFakePopupMenu : public CTevPopupMenu {
public:
    // Both operations record the call, then return the scripted choice
    // (-1, "cancelled", until SetChoice). TrackItems also moves the path to
    // the chosen leaf, as the real menu does.
    int32_t TrackItems(const CTevPopupMenuItem::ItemList* items, std::vector<int32_t>& path,
                       const CTevPoint* point) override;
    int32_t TrackItemsAtIndex(const CTevPopupMenuItem::ItemList* items, int32_t leafIndex,
                              const CTevPoint* point) override;

    void SetChoice(int32_t choice) { m_choice = choice; }

    // What the last call was given.
    int32_t GetCallCount() const { return m_callCount; }
    // A copy of the items (under an empty root), kept after the caller has
    // deleted its tree.
    const CTevPopupMenuItem& GetItems() const { return m_items; }
    // The preselected leaf index: the one given to TrackItemsAtIndex, or -1
    // after TrackItems.
    int32_t GetPreselectedIndex() const { return m_preselectedIndex; }
    // The path given to TrackItems, or the path of the preselected leaf
    // (empty when there is none) for TrackItemsAtIndex.
    const std::vector<int32_t>& GetPreselectedPath() const { return m_preselectedPath; }
    bool HadPoint() const { return m_hadPoint; }
    const CTevPoint& GetPoint() const { return m_point; }

    // The texts of the top-level items, and of every leaf depth first.
    std::vector<std::string> GetTopTexts() const;
    std::vector<std::string> GetLeafTexts() const;

private:
    void Record(const CTevPopupMenuItem::ItemList* items, const CTevPoint* point);

    int32_t m_choice = -1;
    int32_t m_callCount = 0;
    CTevPopupMenuItem m_items;
    int32_t m_preselectedIndex = -1;
    std::vector<int32_t> m_preselectedPath;
    bool m_hadPoint = false;
    CTevPoint m_point;
};

// A deep copy of the item's text and children.
std::unique_ptr<CTevPopupMenuItem> CloneMenuItem(const CTevPopupMenuItem& item);
// The texts of every leaf under the item, depth first.
void CollectLeafTexts(const CTevPopupMenuItem& item, std::vector<std::string>& texts);
