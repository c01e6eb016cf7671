#include "views/TevPopupMenu.h"

#include "core/TevResources.h"
#include "support/FakePopupMenu.h"
#include "support/TestEntityBank.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using IntUtility = CTevStringTablePopupMenuUtility;
using EntityUtility = CTevEntitySelectionPopupMenuUtility;

class CNumberPrinter : public IntUtility::IPrinter {
public:
    std::string Print(int32_t key) override { return "#" + std::to_string(key); }
};

class CEntityPrinter : public EntityUtility::IPrinter {
public:
    std::string Print(const EntityUtility::IMenuItemSource& source) override
    {
        return std::to_string(source.GetEntityId().GetNumber()) + ": " + source.GetName();
    }
};

// Integer menu of n keys: leaves "#k", numeric headers of width 3.
void BuildIntegerMenu(CTevPopupMenuItem& root, int32_t n, int32_t perDivision, int32_t offset = 0)
{
    IntUtility::Builder builder;
    builder.AddCreator(std::make_unique<IntUtility::CElementItemCreator>(std::make_unique<CNumberPrinter>()));
    builder.AddCreator(std::make_unique<IntUtility::CDivisionItemCreator>(
        std::make_unique<IntUtility::CDivisionItemPrinter>(3, offset), n, perDivision));
    CCountingIterator keys(0, n);
    buildPopupMenu(builder, root, keys);
}

std::vector<std::string> TopTexts(const CTevPopupMenuItem& root)
{
    std::vector<std::string> texts;
    if (root.GetChildren())
        for (const auto& item : *root.GetChildren())
            texts.push_back(item->GetText());
    return texts;
}

std::vector<size_t> SubmenuSizes(const CTevPopupMenuItem& root)
{
    std::vector<size_t> sizes;
    if (root.GetChildren())
        for (const auto& item : *root.GetChildren())
            sizes.push_back(item->GetChildren() ? item->GetChildren()->size() : 0);
    return sizes;
}

std::vector<int32_t> Starts(int32_t n, int32_t m)
{
    std::vector<int32_t> starts{-99};
    ComputeDivisionStarts(n, m, starts);
    return starts;
}

std::unique_ptr<CTevStringTable> MakeTable(const std::string& entries)
{
    auto table = std::make_unique<CTevStringTable>();
    CTevElementDefinition definition;
    definition.pairs = {{"name", "t"}, {"table", entries}};
    EXPECT_TRUE(table->ReadDefinition(definition));
    return table;
}

} // namespace

TEST(PopupMenuDivisions, StartsFollowTheDivisionRule)
{
    EXPECT_EQ(Starts(128, 32), (std::vector<int32_t>{0, 32, 64, 96}));
    EXPECT_EQ(Starts(100, 32), (std::vector<int32_t>{0, 25, 50, 75}));
    EXPECT_EQ(Starts(33, 32), (std::vector<int32_t>{0, 17}));
    EXPECT_EQ(Starts(20, 32), (std::vector<int32_t>{0}));
    EXPECT_EQ(Starts(64, 32), (std::vector<int32_t>{0, 32}));
    EXPECT_EQ(Starts(65, 32), (std::vector<int32_t>{0, 22, 44}));
    EXPECT_EQ(Starts(1, 32), (std::vector<int32_t>{0}));
    EXPECT_EQ(Starts(3, 1), (std::vector<int32_t>{0, 1, 2}));
}

TEST(PopupMenuDivisions, DegenerateCountsDoNotDivideByZero)
{
    // No keys: no divisions, whatever the limit.
    EXPECT_TRUE(Starts(0, 32).empty());
    EXPECT_TRUE(Starts(-5, 32).empty());
    EXPECT_TRUE(Starts(0, 0).empty());
    // No limit: one division.
    EXPECT_EQ(Starts(20, 0), (std::vector<int32_t>{0}));
    EXPECT_EQ(Starts(20, -3), (std::vector<int32_t>{0}));
}

TEST(PopupMenuBuilder, HundredTwentyEightKeysInFourDivisions)
{
    CTevPopupMenuItem root;
    BuildIntegerMenu(root, 128, 32);
    CollapseSingleSubmenus(root);

    EXPECT_EQ(root.GetText(), "");
    EXPECT_EQ(TopTexts(root), (std::vector<std::string>{"  0...", " 32...", " 64...", " 96..."}));
    EXPECT_EQ(SubmenuSizes(root), (std::vector<size_t>{32, 32, 32, 32}));
    const CTevPopupMenuItem& second = *(*root.GetChildren())[1];
    EXPECT_EQ((*second.GetChildren())[0]->GetText(), "#32");
    EXPECT_EQ((*second.GetChildren())[31]->GetText(), "#63");
    EXPECT_TRUE((*second.GetChildren())[0]->IsLeaf());

    std::vector<int32_t> path{7, 7, 7};
    ASSERT_TRUE(FindLeafPath(root.GetChildren(), 40, path));
    EXPECT_EQ(path, (std::vector<int32_t>{1, 8}));
    ASSERT_TRUE(FindLeafPath(root.GetChildren(), 0, path));
    EXPECT_EQ(path, (std::vector<int32_t>{0, 0}));
    ASSERT_TRUE(FindLeafPath(root.GetChildren(), 127, path));
    EXPECT_EQ(path, (std::vector<int32_t>{3, 31}));

    EXPECT_FALSE(FindLeafPath(root.GetChildren(), 128, path));
    EXPECT_TRUE(path.empty());
    path = {1};
    EXPECT_FALSE(FindLeafPath(root.GetChildren(), -1, path));
    EXPECT_TRUE(path.empty());
    EXPECT_FALSE(FindLeafPath(nullptr, 0, path));
}

TEST(PopupMenuBuilder, DivisionSizesAndOffsetLabels)
{
    CTevPopupMenuItem hundred;
    BuildIntegerMenu(hundred, 100, 32);
    CollapseSingleSubmenus(hundred);
    EXPECT_EQ(TopTexts(hundred), (std::vector<std::string>{"  0...", " 25...", " 50...", " 75..."}));
    EXPECT_EQ(SubmenuSizes(hundred), (std::vector<size_t>{25, 25, 25, 25}));

    CTevPopupMenuItem thirtyThree;
    BuildIntegerMenu(thirtyThree, 33, 32, 1);
    CollapseSingleSubmenus(thirtyThree);
    EXPECT_EQ(TopTexts(thirtyThree), (std::vector<std::string>{"  1...", " 18..."}));
    EXPECT_EQ(SubmenuSizes(thirtyThree), (std::vector<size_t>{17, 16}));
}

TEST(PopupMenuBuilder, SingleDivisionCollapsesToFlatLeaves)
{
    CTevPopupMenuItem root;
    BuildIntegerMenu(root, 20, 32);
    ASSERT_EQ(TopTexts(root), (std::vector<std::string>{"  0..."}));
    CollapseSingleSubmenus(root);

    ASSERT_NE(root.GetChildren(), nullptr);
    ASSERT_EQ(root.GetChildren()->size(), 20u);
    EXPECT_EQ((*root.GetChildren())[0]->GetText(), "#0");
    EXPECT_EQ((*root.GetChildren())[19]->GetText(), "#19");
    EXPECT_TRUE((*root.GetChildren())[19]->IsLeaf());
    std::vector<int32_t> path;
    ASSERT_TRUE(FindLeafPath(root.GetChildren(), 19, path));
    EXPECT_EQ(path, (std::vector<int32_t>{19}));
}

TEST(PopupMenuBuilder, EmptySequenceGivesEmptyRoot)
{
    CTevPopupMenuItem root;
    BuildIntegerMenu(root, 0, 32);
    CollapseSingleSubmenus(root);
    EXPECT_EQ(root.GetChildren(), nullptr);
    std::vector<int32_t> path;
    EXPECT_FALSE(FindLeafPath(root.GetChildren(), 0, path));

    CCountingIterator backwards(5, 2);
    EXPECT_FALSE(backwards.HasMore());
}

TEST(PopupMenuBuilder, LeavesBeforeTheFirstHeaderGoToTheRoot)
{
    // Headers only at keys 3 and 6: keys 0..2 have no header to go under.
    class CSomeHeaders : public IntUtility::IItemCreator {
    public:
        std::unique_ptr<CTevPopupMenuItem> CreateItem(int32_t key, bool& attach) override
        {
            attach = true;
            return key == 3 || key == 6 ? std::make_unique<CTevPopupMenuItem>("h" + std::to_string(key)) : nullptr;
        }
    };
    IntUtility::Builder builder;
    EXPECT_FALSE(builder.AddCreator(nullptr));
    builder.AddCreator(std::make_unique<IntUtility::CElementItemCreator>(std::make_unique<CNumberPrinter>()));
    builder.AddCreator(std::make_unique<CSomeHeaders>());
    EXPECT_EQ(builder.GetLevelCount(), 2);
    EXPECT_EQ(builder.GetCreator(2), nullptr);
    CTevPopupMenuItem root;
    CCountingIterator keys(0, 8);
    buildPopupMenu(builder, root, keys);

    EXPECT_EQ(TopTexts(root), (std::vector<std::string>{"#0", "#1", "#2", "h3", "h6"}));
    EXPECT_EQ(SubmenuSizes(root), (std::vector<size_t>{0, 0, 0, 3, 2}));
    std::vector<int32_t> path;
    ASSERT_TRUE(FindLeafPath(root.GetChildren(), 6, path));
    EXPECT_EQ(path, (std::vector<int32_t>{4, 0}));
}

TEST(PopupMenuBuilder, UnattachedItemsStayOutOfTheTree)
{
    // A header level that makes items but never attaches them: the leaves go
    // under those items and leave with them; the tree keeps only what was
    // attached before the first of them.
    class CDetachedHeaders : public IntUtility::IItemCreator {
    public:
        std::unique_ptr<CTevPopupMenuItem> CreateItem(int32_t key, bool& attach) override
        {
            attach = false;
            return key == 2 ? std::make_unique<CTevPopupMenuItem>("hidden") : nullptr;
        }
    };
    IntUtility::Builder builder;
    builder.AddCreator(std::make_unique<IntUtility::CElementItemCreator>(std::make_unique<CNumberPrinter>()));
    builder.AddCreator(std::make_unique<CDetachedHeaders>());
    CTevPopupMenuItem root;
    CCountingIterator keys(0, 4);
    buildPopupMenu(builder, root, keys);
    EXPECT_EQ(TopTexts(root), (std::vector<std::string>{"#0", "#1"}));
}

TEST(PopupMenuBuilder, CollapseKeepsRealSubmenusAndLiftsNestedSingles)
{
    // root > a > b > {x, y}: both single levels go, the leaves end up at the
    // root. root2 > a > {leaf}: a's only child is a leaf, nothing collapses.
    CTevPopupMenuItem root;
    CTevPopupMenuItem* a = root.AppendChild(std::make_unique<CTevPopupMenuItem>("a"));
    CTevPopupMenuItem* b = a->AppendChild(std::make_unique<CTevPopupMenuItem>("b"));
    b->AppendChild(std::make_unique<CTevPopupMenuItem>("x"));
    b->AppendChild(std::make_unique<CTevPopupMenuItem>("y"));
    EXPECT_EQ(b->AppendChild(nullptr), nullptr);
    CollapseSingleSubmenus(root);
    EXPECT_EQ(TopTexts(root), (std::vector<std::string>{"x", "y"}));
    EXPECT_TRUE((*root.GetChildren())[0]->IsLeaf());

    CTevPopupMenuItem root2;
    root2.AppendChild(std::make_unique<CTevPopupMenuItem>("a"))->AppendChild(
        std::make_unique<CTevPopupMenuItem>("leaf"));
    root2.AppendChild(std::make_unique<CTevPopupMenuItem>("c"));
    CollapseSingleSubmenus(root2);
    EXPECT_EQ(TopTexts(root2), (std::vector<std::string>{"a", "c"}));
    EXPECT_EQ(SubmenuSizes(root2), (std::vector<size_t>{1, 0}));
}

TEST(PopupMenuPrinters, HeaderTexts)
{
    IntUtility::CDivisionItemPrinter three(3, 0);
    EXPECT_EQ(three.Print(0), "  0...");
    EXPECT_EQ(three.Print(96), " 96...");
    EXPECT_EQ(three.Print(1234), "1234...");
    IntUtility::CDivisionItemPrinter offset(3, 1);
    EXPECT_EQ(offset.Print(96), " 97...");
    EXPECT_EQ(offset.Print(-5), " -4...");
    EXPECT_EQ(IntUtility::CDivisionItemPrinter(0, 0).Print(7), "7...");
    EXPECT_EQ(IntUtility::CDivisionItemPrinter(-4, 0).Print(7), "7...");
    EXPECT_EQ(IntUtility::CDivisionItemPrinter(1, 1).Print(INT32_MAX), "2147483648...");

    const std::unique_ptr<CTevStringTable> table = MakeTable("Saw, Square, Pulse");
    IntUtility::CDivisionItemPrinter fromTable(*table);
    EXPECT_EQ(fromTable.Print(1), "Square...");
    EXPECT_EQ(fromTable.Print(3), "...");
    EXPECT_EQ(fromTable.Print(-1), "...");
}

TEST(PopupMenuPrinters, StringTableHeadersOverDivisions)
{
    std::string entries;
    for (int i = 0; i < 40; ++i)
        entries += (i ? ", e" : "e") + std::to_string(i);
    const std::unique_ptr<CTevStringTable> table = MakeTable(entries);
    IntUtility::Builder builder;
    builder.AddCreator(std::make_unique<IntUtility::CElementItemCreator>(nullptr));
    builder.AddCreator(std::make_unique<IntUtility::CDivisionItemCreator>(*table, 40, 32));
    CTevPopupMenuItem root;
    CCountingIterator keys(0, 40);
    buildPopupMenu(builder, root, keys);
    CollapseSingleSubmenus(root);
    EXPECT_EQ(TopTexts(root), (std::vector<std::string>{"e0...", "e20..."}));
    EXPECT_EQ(SubmenuSizes(root), (std::vector<size_t>{20, 20}));
    // Without a printer the leaves are blank rather than missing.
    EXPECT_EQ((*(*root.GetChildren())[0]->GetChildren())[0]->GetText(), "");
}

class EntityPopupMenu : public ::testing::Test {
protected:
    void SetUp() override
    {
        manager.AddBank(std::make_unique<CTestEntityBank>(CTevEntityId(0, 0, 0, 0), CTevProgramId(87, 0, 0), 128, 128,
                                                          TestEntityNames("Patch", 128)));
    }

    // Leaves "<number>: <name>", headers of divisionSize with offset 1.
    void Build(const CTevEntityId& query, int32_t divisionSize)
    {
        auto entities = std::make_unique<EntityUtility::CEntityItemCreator>(std::make_unique<CEntityPrinter>());
        creator = entities.get();
        builder.AddCreator(std::move(entities));
        builder.AddCreator(std::make_unique<EntityUtility::CDivisionItemCreator>(divisionSize, 1));
        EntityUtility::CIterator iterator(manager, query);
        buildPopupMenu(builder, root, iterator);
        CollapseSingleSubmenus(root);
    }

    CTevEntityManager manager;
    EntityUtility::Builder builder;
    EntityUtility::CEntityItemCreator* creator = nullptr;
    CTevPopupMenuItem root;
};

TEST_F(EntityPopupMenu, UserPatchesInFourDivisions)
{
    Build(CTevEntityId(0, 0, -2, -2), 32);
    EXPECT_EQ(TopTexts(root), (std::vector<std::string>{"  1...", " 33...", " 65...", " 97..."}));
    EXPECT_EQ(SubmenuSizes(root), (std::vector<size_t>{32, 32, 32, 32}));
    EXPECT_EQ((*(*root.GetChildren())[3]->GetChildren())[3]->GetText(), "99: Patch99");

    ASSERT_EQ(creator->GetCount(), 128);
    EXPECT_EQ(creator->GetEntityId(40), CTevEntityId(0, 0, 0, 40));
    EXPECT_EQ(creator->GetEntityId(127), CTevEntityId(0, 0, 0, 127));
    EXPECT_EQ(creator->IndexOf(CTevEntityId(0, 0, 0, 99)), 99);
    EXPECT_EQ(creator->IndexOf(CTevEntityId(0, 0, 0, 128)), -1);
    EXPECT_EQ(creator->IndexOf(CTevEntityId()), -1);

    const CTevEntityId none(-2, -2, -2, -2);
    EXPECT_EQ(creator->GetEntityId(-1), none);
    EXPECT_EQ(creator->GetEntityId(128), none);

    std::vector<int32_t> path;
    ASSERT_TRUE(FindLeafPath(root.GetChildren(), creator->IndexOf(CTevEntityId(0, 0, 0, 40)), path));
    EXPECT_EQ(path, (std::vector<int32_t>{1, 8}));
}

TEST_F(EntityPopupMenu, OneEntityQueryAndFlatMenus)
{
    Build(CTevEntityId(0, 0, 0, 5), 32);
    EXPECT_EQ(TopTexts(root), (std::vector<std::string>{"5: Patch5"}));
    EXPECT_EQ(creator->GetEntityId(0), CTevEntityId(0, 0, 0, 5));
    EXPECT_EQ(creator->GetEntityId(1), CTevEntityId(-2, -2, -2, -2));
}

TEST_F(EntityPopupMenu, NoDivisionSizeGivesFlatMenu)
{
    Build(CTevEntityId(0, 0, -2, -2), 0);
    ASSERT_NE(root.GetChildren(), nullptr);
    EXPECT_EQ(root.GetChildren()->size(), 128u);
    EXPECT_TRUE((*root.GetChildren())[127]->IsLeaf());
}

TEST_F(EntityPopupMenu, NoMatchGivesEmptyMenu)
{
    Build(CTevEntityId(1, -2, -2, -2), 32);
    EXPECT_EQ(root.GetChildren(), nullptr);
    EXPECT_EQ(creator->GetCount(), 0);
}

TEST_F(EntityPopupMenu, IteratorFillsOneSourceAndStopsAtTheEnd)
{
    EntityUtility::CIterator iterator(manager, CTevEntityId(0, 0, 0, 127));
    ASSERT_TRUE(iterator.HasMore());
    const EntityUtility::IMenuItemSource& source = iterator.Next();
    EXPECT_EQ(source.GetEntityId(), CTevEntityId(0, 0, 0, 127));
    EXPECT_EQ(source.GetName(), "Patch127");
    EXPECT_EQ(source.GetUserData(), nullptr);
    EXPECT_FALSE(iterator.HasMore());
    const EntityUtility::IMenuItemSource& after = iterator.Next();
    EXPECT_EQ(&after, &source);
    EXPECT_EQ(after.GetEntityId(), CTevEntityId());
    EXPECT_EQ(after.GetName(), "");
}

TEST(FakePopupMenu, RecordsItemsAndPreselectionAndAnswersTheScript)
{
    CFakePopupMenu menu;
    {
        CTevPopupMenuItem root;
        BuildIntegerMenu(root, 128, 32);
        EXPECT_EQ(menu.TrackItemsAtIndex(root.GetChildren(), 40, nullptr), -1);
        menu.SetChoice(70);
        const CTevPoint at{10, 20};
        std::vector<int32_t> path{0, 3};
        EXPECT_EQ(menu.TrackItems(root.GetChildren(), path, &at), 70);
        EXPECT_EQ(path, (std::vector<int32_t>{2, 6}));
        EXPECT_EQ(menu.GetPreselectedPath(), (std::vector<int32_t>{0, 3}));
        EXPECT_TRUE(menu.HadPoint());
        EXPECT_EQ(menu.GetPoint(), at);
        EXPECT_EQ(menu.TrackItemsAtIndex(root.GetChildren(), 40, nullptr), 70);
    }
    // The copy outlives the caller's tree.
    EXPECT_EQ(menu.GetCallCount(), 3);
    EXPECT_EQ(menu.GetPreselectedIndex(), 40);
    EXPECT_EQ(menu.GetPreselectedPath(), (std::vector<int32_t>{1, 8}));
    EXPECT_FALSE(menu.HadPoint());
    EXPECT_EQ(menu.GetTopTexts(), (std::vector<std::string>{"  0...", " 32...", " 64...", " 96..."}));
    const std::vector<std::string> leaves = menu.GetLeafTexts();
    ASSERT_EQ(leaves.size(), 128u);
    EXPECT_EQ(leaves[127], "#127");

    EXPECT_EQ(menu.TrackItemsAtIndex(nullptr, 0, nullptr), 70);
    EXPECT_TRUE(menu.GetTopTexts().empty());
    EXPECT_TRUE(menu.GetPreselectedPath().empty());
}
