#pragma once
// Pop-up menus of long lists of choices. A menu is a tree of items: the
// top level holds division headers (a start number or name followed by
// "..."), each opening a submenu of the choices of its division; short
// lists are shown flat. The tree is filled from a sequence of keys by a
// builder with one item creator per menu level, and handed to the
// platform's pop-up menu service, which answers with the chosen leaf.
//
// Leaves are numbered 0, 1, 2, ... depth first (children in list order);
// that leaf index is what the pop-up menu returns.
//
// Integer keys are int32_t on both platforms (a plain long would be 64 bits
// wide in one build and 32 bits in the other).
#include "core/TevEntity.h"
#include "core/TevGeometry.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CTevStringTable;

// One menu entry: a text and, for a submenu, its owned children. A leaf has
// no child list at all. The root item of a menu has an empty text.
class CTevPopupMenuItem {
public:
    using ItemList = std::vector<std::unique_ptr<CTevPopupMenuItem>>;

    CTevPopupMenuItem() = default;
    explicit CTevPopupMenuItem(std::string text) : m_text(std::move(text)) {}
    CTevPopupMenuItem(const CTevPopupMenuItem&) = delete;
    CTevPopupMenuItem& operator=(const CTevPopupMenuItem&) = delete;

    const std::string& GetText() const { return m_text; }
    void SetText(const std::string& text) { m_text = text; }

    // Null for a leaf.
    ItemList* GetChildren() { return m_children.get(); }
    const ItemList* GetChildren() const { return m_children.get(); }
    bool IsLeaf() const { return m_children == nullptr; }

    // Appends the child, creating the child list on first use; the item
    // then is no leaf any more. A null child is refused (null result).
    CTevPopupMenuItem* AppendChild(std::unique_ptr<CTevPopupMenuItem> child);
    // Hands the child list over (the item becomes a leaf) / replaces it.
    std::unique_ptr<ItemList> TakeChildren() { return std::move(m_children); }
    void SetChildren(std::unique_ptr<ItemList> children) { m_children = std::move(children); }

private:
    std::string m_text;
    std::unique_ptr<ItemList> m_children;
};

// The pop-up menu service that the platform installs into the manager. An
// item path holds the child index at each level from the top level down.
// A null item list is an empty menu; a null point means "near the mouse
// pointer".
class CTevPopupMenu {
public:
    CTevPopupMenu() = default;
    CTevPopupMenu(const CTevPopupMenu&) = delete;
    CTevPopupMenu& operator=(const CTevPopupMenu&) = delete;
    virtual ~CTevPopupMenu() = default;

    // Shows the items modally with the entries along the path marked. The
    // chosen leaf index, or -1 when nothing was chosen; after a choice the
    // path leads to the chosen leaf.
    virtual int32_t TrackItems(const CTevPopupMenuItem::ItemList* items, std::vector<int32_t>& path,
                               const CTevPoint* point) = 0;
    // The same with the leaf of the given index marked (-1 or an index past
    // the last leaf: nothing marked).
    virtual int32_t TrackItemsAtIndex(const CTevPopupMenuItem::ItemList* items, int32_t leafIndex,
                                      const CTevPoint* point) = 0;
};

template <class T>
class CTevPopupMenuBuilder;

template <class T>
void buildPopupMenu(CTevPopupMenuBuilder<T>& builder, CTevPopupMenuItem& root,
                    typename CTevPopupMenuBuilder<T>::IIterator& iterator);

// Fills a menu tree from keys of type T (an integer, or a reference to an
// item source) through one item creator per level. Level 0 makes the
// leaves; each further level is coarser (division headers).
template <class T>
class CTevPopupMenuBuilder {
public:
    class IItemCreator {
    public:
        // Turns a key into the text of an item.
        class IPrinter {
        public:
            virtual ~IPrinter() = default;
            virtual std::string Print(T key) = 0;
        };

        virtual ~IItemCreator() = default;
        // The item for the key, or null when the key makes none at this
        // level. attach tells whether the item goes into the tree under the
        // current item of the next coarser level.
        virtual std::unique_ptr<CTevPopupMenuItem> CreateItem(T key, bool& attach) = 0;
    };

    // The keys of one menu. HasMore is asked before every Next; Next yields
    // the key and moves on. A key handed out by reference stays valid until
    // the next call of Next.
    class IIterator {
    public:
        virtual ~IIterator() = default;
        virtual bool HasMore() = 0;
        virtual T Next() = 0;
    };

    CTevPopupMenuBuilder() = default;
    CTevPopupMenuBuilder(const CTevPopupMenuBuilder&) = delete;
    CTevPopupMenuBuilder& operator=(const CTevPopupMenuBuilder&) = delete;

    // Adds the next coarser level: the first creator added makes the
    // leaves. A null creator is refused (false).
    bool AddCreator(std::unique_ptr<IItemCreator> creator)
    {
        if (!creator)
            return false;
        m_creators.push_back(std::move(creator));
        return true;
    }
    int32_t GetLevelCount() const { return static_cast<int32_t>(m_creators.size()); }
    // Null outside [0, level count).
    IItemCreator* GetCreator(int32_t level) const
    {
        return level >= 0 && level < GetLevelCount() ? m_creators[size_t(level)].get() : nullptr;
    }

private:
    friend void buildPopupMenu<T>(CTevPopupMenuBuilder<T>& builder, CTevPopupMenuItem& root,
                                  typename CTevPopupMenuBuilder<T>::IIterator& iterator);

    std::vector<std::unique_ptr<IItemCreator>> m_creators;
};

// For each key, from the coarsest level down to level 0: the level's item
// for the key (if any) is appended under the current item of the next
// coarser level, or under the root when there is none, and becomes the
// current item of its level. So a header made for a key already takes the
// leaf of the same key. An item that a creator makes without attaching it
// still becomes current; it is deleted, with whatever was put under it,
// when the build ends.
template <class T>
void buildPopupMenu(CTevPopupMenuBuilder<T>& builder, CTevPopupMenuItem& root,
                    typename CTevPopupMenuBuilder<T>::IIterator& iterator)
{
    const size_t levels = builder.m_creators.size();
    std::vector<CTevPopupMenuItem*> current(levels, nullptr);
    std::vector<std::unique_ptr<CTevPopupMenuItem>> detached;
    while (iterator.HasMore()) {
        T key = iterator.Next();
        for (size_t level = levels; level-- > 0;) {
            bool attach = false;
            std::unique_ptr<CTevPopupMenuItem> item = builder.m_creators[level]->CreateItem(key, attach);
            if (!item)
                continue;
            CTevPopupMenuItem* made = item.get();
            if (attach) {
                CTevPopupMenuItem* parent = level + 1 < levels ? current[level + 1] : nullptr;
                (parent ? parent : &root)->AppendChild(std::move(item));
            } else {
                detached.push_back(std::move(item));
            }
            current[level] = made;
        }
    }
}

// Depth first: an item with exactly one child that has children of its own
// takes over the grandchildren, and the child is deleted. A menu of a
// single division so shows its leaves directly.
void CollapseSingleSubmenus(CTevPopupMenuItem& item);

// The child index at each level from the given list down to leaf
// leafIndex. False (and an empty path) when the index is negative or lies
// past the last leaf.
bool FindLeafPath(const CTevPopupMenuItem::ItemList* children, int32_t leafIndex, std::vector<int32_t>& path);

// The first key of each division of n keys with at most m keys per
// division: divisions of m when n is a multiple of m, otherwise
// k = n / m + 1 divisions of ceil(n / k). n <= 0 gives no divisions; m <= 0
// (no limit) gives one division starting at 0.
void ComputeDivisionStarts(int32_t n, int32_t m, std::vector<int32_t>& starts);

// Yields the integers from begin up to, not including, end.
class CCountingIterator : public CTevPopupMenuBuilder<int32_t>::IIterator {
public:
    CCountingIterator(int32_t begin, int32_t end) : m_begin(begin), m_end(end), m_current(begin) {}
    bool HasMore() override { return m_begin <= m_current && m_current < m_end; }
    int32_t Next() override { return m_current++; }

private:
    int32_t m_begin;
    int32_t m_end;
    int32_t m_current;
};

// Creators for integer keys: one leaf per key, division headers at the
// division starts.
class CTevStringTablePopupMenuUtility {
public:
    using Builder = CTevPopupMenuBuilder<int32_t>;
    using IItemCreator = Builder::IItemCreator;
    using IPrinter = Builder::IItemCreator::IPrinter;

    // Every key gives an attached leaf with the printer's text (empty
    // without a printer).
    class CElementItemCreator : public IItemCreator {
    public:
        explicit CElementItemCreator(std::unique_ptr<IPrinter> printer) : m_printer(std::move(printer)) {}
        std::unique_ptr<CTevPopupMenuItem> CreateItem(int32_t key, bool& attach) override;

    private:
        std::unique_ptr<IPrinter> m_printer;
    };

    // Header texts: the string table's entry at the key (empty outside the
    // table), or the number key + offset right-aligned with blanks in a
    // field of width characters; then "...".
    class CDivisionItemPrinter : public IPrinter {
    public:
        explicit CDivisionItemPrinter(const CTevStringTable& table) : m_table(&table) {}
        CDivisionItemPrinter(int32_t width, int32_t offset) : m_width(width), m_offset(offset) {}
        std::string Print(int32_t key) override;

    private:
        const CTevStringTable* m_table = nullptr;
        int32_t m_width = 0;
        int32_t m_offset = 0;
    };

    // A key that starts one of the divisions of n keys with at most m per
    // division gives an attached header with the printer's text; other keys
    // give nothing.
    class CDivisionItemCreator : public IItemCreator {
    public:
        CDivisionItemCreator(std::unique_ptr<IPrinter> printer, int32_t n, int32_t m);
        // Headers printed from the string table.
        CDivisionItemCreator(const CTevStringTable& table, int32_t n, int32_t m);
        std::unique_ptr<CTevPopupMenuItem> CreateItem(int32_t key, bool& attach) override;
        const std::vector<int32_t>& GetStarts() const { return m_starts; }

    private:
        std::unique_ptr<IPrinter> m_printer;
        std::vector<int32_t> m_starts;
    };
};

// Creators for entities (patches): one leaf per entity of a query, division
// headers by entity number; the leaf index maps back to the entity id.
class CTevEntitySelectionPopupMenuUtility {
public:
    // One entity offered in the menu.
    class IMenuItemSource {
    public:
        virtual ~IMenuItemSource() = default;
        virtual CTevEntityId GetEntityId() const = 0;
        // The entity information's name.
        virtual std::string GetName() const = 0;
        // The entity information's further data.
        virtual IObject* GetUserData() const = 0;
    };

    using Builder = CTevPopupMenuBuilder<const IMenuItemSource&>;
    using IItemCreator = Builder::IItemCreator;
    using IPrinter = Builder::IItemCreator::IPrinter;

    // The entities that match a query, in the entity manager's order. Each
    // Next refills the one embedded item source and returns it.
    class CIterator : public Builder::IIterator {
    public:
        class CMenuItemSource : public IMenuItemSource {
        public:
            CTevEntityId GetEntityId() const override { return m_entityId; }
            // Empty / null without information.
            std::string GetName() const override;
            IObject* GetUserData() const override;

            void Set(const CTevEntityId& entityId, CTevEntityManager::IInformation* information)
            {
                m_entityId = entityId;
                m_information = information;
            }

        private:
            CTevEntityId m_entityId;
            CTevEntityManager::IInformation* m_information = nullptr;
        };

        // The manager must outlive the iterator.
        CIterator(const CTevEntityManager& manager, const CTevEntityId& query);
        bool HasMore() override;
        // At the end: a null entity id without information.
        const IMenuItemSource& Next() override;

    private:
        std::unique_ptr<CTevEntityIterator> m_iterator;
        CMenuItemSource m_source;
    };

    // Every source gives an attached leaf with the printer's text (empty
    // without a printer); the source's entity id is collected so that a
    // leaf index maps back to it.
    class CEntityItemCreator : public IItemCreator {
    public:
        explicit CEntityItemCreator(std::unique_ptr<IPrinter> printer) : m_printer(std::move(printer)) {}
        std::unique_ptr<CTevPopupMenuItem> CreateItem(const IMenuItemSource& source, bool& attach) override;

        // The id collected at the leaf index; all four fields -2 when the
        // index is negative or too large.
        CTevEntityId GetEntityId(int32_t index) const;
        // The index of the first equal id, or -1.
        int32_t IndexOf(const CTevEntityId& entityId) const;
        int32_t GetCount() const { return static_cast<int32_t>(m_entityIds.size()); }

    private:
        std::unique_ptr<IPrinter> m_printer;
        std::vector<CTevEntityId> m_entityIds;
    };

    // A source whose entity number is a multiple of the division size gives
    // an attached header: number + offset right-aligned in three characters,
    // then "...". A division size of 0 or less makes no headers (a flat
    // menu).
    class CDivisionItemCreator : public IItemCreator {
    public:
        CDivisionItemCreator(int32_t divisionSize, int32_t numberOffset)
            : m_divisionSize(divisionSize), m_numberOffset(numberOffset) {}
        std::unique_ptr<CTevPopupMenuItem> CreateItem(const IMenuItemSource& source, bool& attach) override;

    private:
        int32_t m_divisionSize;
        int32_t m_numberOffset;
    };
};
