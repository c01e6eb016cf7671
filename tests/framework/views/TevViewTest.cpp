// The view base: attributes, create, paths, dumps, the active-view rule and
// serialisation; value references with bracketed index expressions and
// their re-resolution when an index value changes; the paint-context fake.
#include "views/TevView.h"

#include "core/TevManager.h"
#include "core/TevTextOut.h"
#include "core/TevValue.h"
#include "views/TevDrawing.h"

#include "support/FakeDrawing.h"
#include "support/ManagerTestSupport.h"
#include "support/MemoryArchive.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A view with a parent of its own choosing that records what the base asks
// of it.
class CTestView : public CTevView {
public:
    explicit CTestView(std::string name = std::string(), CTevView* parent = nullptr) : m_parent(parent)
    {
        m_name = std::move(name);
    }

    CTevView* GetParent() const override { return m_parent; }
    CTevPoint ClientToScreen(const CTevPoint& point) const override { return point; }
    void Draw(CTevDrawInfo&) override {}
    void Invalidate(const CTevRect* rect) override { invalidated.push_back(rect ? *rect : m_rect); }
    void SetActive(bool active) override
    {
        activeCalls.push_back(active);
        CTevView::SetActive(active);
    }

    void AddRef(const std::string& name) { m_valueRefs.emplace_back(name); }
    void SetParent(CTevView* parent) { m_parent = parent; }

    std::vector<CTevRect> invalidated;
    std::vector<bool> activeCalls;

private:
    CTevView* m_parent;
};

CTevPairList Attributes(std::initializer_list<CTevPair> pairs)
{
    return CTevPairList(pairs);
}

class ViewBase : public CManagerTest {};

TEST_F(ViewBase, AttributesGiveTheRectRelativeToTheParent)
{
    CTestView empty;
    CTevPairList none;
    EXPECT_TRUE(empty.ReadAttributes(none));
    EXPECT_EQ(empty.GetName(), "");
    EXPECT_EQ(empty.GetRect(), (CTevRect{0, 0, 0, 0}));

    CTestView parent("main");
    parent.SetRect({100, 50, 400, 300});
    CTestView view;
    CTevPairList pairs = Attributes(
        {{"name", "knob1"}, {"bitmapRef", "b"}, {"position", "10,20"}, {"size", "30,40"}, {"valueRef", "x"}});
    EXPECT_TRUE(view.ReadAttributes(pairs));
    EXPECT_EQ(view.GetName(), "knob1");
    EXPECT_EQ(view.GetRect(), (CTevRect{10, 20, 40, 60}));
    // What the base doesn't know stays for the derived readers.
    EXPECT_EQ(pairs, Attributes({{"bitmapRef", "b"}, {"valueRef", "x"}}));

    view.SetParent(&parent);
    EXPECT_TRUE(view.Create(&parent));
    EXPECT_EQ(view.GetRect(), (CTevRect{110, 70, 140, 110}));
    EXPECT_EQ(view.GetRelativeRect(), (CTevRect{10, 20, 40, 60}));
    EXPECT_EQ(parent.GetRelativeRect(), parent.GetRect());
    EXPECT_EQ(Errors(), "");
}

TEST_F(ViewBase, PositionAndSizeMustBeTwoNumbers)
{
    CTestView parent("main");
    CTestView view("knob1", &parent);
    CTevPairList position = Attributes({{"position", "10"}});
    EXPECT_FALSE(view.ReadAttributes(position));
    EXPECT_EQ(Errors(), "Position is invalid for view. : main.knob1 : 10\n");

    ClearErrors();
    CTevPairList size = Attributes({{"position", "1,2"}, {"size", "x,4"}});
    EXPECT_FALSE(view.ReadAttributes(size));
    EXPECT_EQ(Errors(), "Size is invalid for view. : main.knob1 : x,4\n");

    // Numbers follow the script rules, with 32-bit meaning.
    CTevPairList hex = Attributes({{"position", "0x10,010"}, {"size", "4294967296,1"}});
    EXPECT_TRUE(view.ReadAttributes(hex));
    EXPECT_EQ(view.GetRect(), (CTevRect{16, 8, static_cast<int32_t>(16u + 2147483647u), 9}));
}

TEST_F(ViewBase, PathsAndDumps)
{
    CTestView main("main");
    CTestView osc("osc", &main);
    CTestView knob("knob1", &osc);
    knob.SetRect({5, 6, 25, 46});
    EXPECT_EQ(knob.GetPath(), "main.osc.knob1");
    EXPECT_EQ(main.GetPath(), "main");

    CTevTextOutStringStream out;
    knob.Dump(out);
    knob.DumpName(out);
    EXPECT_EQ(out.str(), "main.osc.knob1, position=5 6, size=20 40, main.osc.knob1\n");
}

TEST_F(ViewBase, OneActiveView)
{
    CTestView a("a");
    CTestView b("b");
    CTestView c("c");
    EXPECT_EQ(CTevView::GetActiveView(), nullptr);

    a.SetActive(true);
    EXPECT_TRUE(a.IsActive());
    b.SetActive(true);
    // The previous active view is told first.
    EXPECT_EQ(a.activeCalls, (std::vector<bool>{true, false}));
    EXPECT_FALSE(a.IsActive());
    EXPECT_TRUE(b.IsActive());
    EXPECT_EQ(CTevView::GetActiveView(), &b);

    // False on a view that is not active still leaves none.
    c.SetActive(false);
    EXPECT_EQ(b.activeCalls, (std::vector<bool>{true, false}));
    EXPECT_EQ(CTevView::GetActiveView(), nullptr);

    {
        CTestView gone("gone");
        gone.SetActive(true);
        EXPECT_EQ(CTevView::GetActiveView(), &gone);
    }
    // A deleted view does not stay the active view.
    EXPECT_EQ(CTevView::GetActiveView(), nullptr);
}

// ---------------------------------------------------------------------------
// Value references on a model
// ---------------------------------------------------------------------------

const char kScript[] = R"(
<structType><type>B</type><name>b</name><address>$adr</address>
  <value><name>e</name></value>
</structType>
<structType><type>A</type><name>a</name><address>00 00 00</address>
  <struct><type>B</type><adr>00</adr><adr>01</adr><adr>02</adr><adr>03</adr><adr>04</adr><adr>05</adr></struct>
</structType>
<structType><type>K</type><name>k</name>
  <value><name>i</name><default>3</default></value>
  <value><name>j</name><default>0</default></value>
</structType>
<structType><type>N</type><name>n</name><address>$adr</address>
  <value><name>v</name><default>1</default></value>
</structType>
<structType><type>C</type><name>c</name><address>01 00 00</address>
  <struct><type>K</type></struct>
  <struct><type>N</type><adr>10</adr><adr>11</adr><adr>12</adr><adr>13</adr></struct>
</structType>
<struct><type>A</type></struct>
<struct><type>C</type></struct>
)";

class ValueRefs : public CManagerTest {
protected:
    void SetUp() override
    {
        CManagerTest::SetUp();
        ASSERT_TRUE(LoadModel(kScript)) << Errors();
        i = Value("c.k.i");
        j = Value("c.k.j");
        ASSERT_TRUE(i && j);
        for (int k = 0; k < 6; ++k) {
            b[k] = Value("a.b[" + std::to_string(k) + "].e");
            ASSERT_NE(b[k], nullptr);
        }
    }

    CTevValue* Value(const std::string& path) { return Manager().FindValue(path); }

    CTevValue* i = nullptr;
    CTevValue* j = nullptr;
    CTevValue* b[6] = {};
};

TEST_F(ValueRefs, BracketedExpressionsResolveAndRecordTheirDependencies)
{
    CTevValueRef plain("c.k.j");
    EXPECT_TRUE(plain.Resolve());
    EXPECT_EQ(plain.GetValue(), j);
    EXPECT_TRUE(plain.GetDependencies().empty());

    CTevValueRef indexed("a.b[c.k.i,1,+].e");
    EXPECT_TRUE(indexed.Resolve());
    EXPECT_EQ(indexed.GetValue(), b[4]);
    EXPECT_EQ(indexed.GetDependencies(), CTevValueList{i});
    // The name stays as written.
    EXPECT_EQ(indexed.GetName(), "a.b[c.k.i,1,+].e");

    // An index value of 0.
    CTevValueRef two("a.b[c.k.j].e");
    EXPECT_TRUE(two.Resolve());
    EXPECT_EQ(two.GetValue(), b[0]);

    // Nested: the inner text c.n[c.k.i].v is one expression, so the
    // dependencies are c.n[3].v and then c.k.i.
    CTevValue* n3 = Value("c.n[3].v");
    ASSERT_NE(n3, nullptr);
    n3->SetInteger(5);
    CTevValueRef nested("a.b[c.n[c.k.i].v].e");
    EXPECT_TRUE(nested.Resolve());
    EXPECT_EQ(nested.GetValue(), b[5]);
    EXPECT_EQ(nested.GetDependencies(), (CTevValueList{n3, i}));

    EXPECT_FALSE(CTevValueRef("a.b[9].e").Resolve());
    EXPECT_FALSE(CTevValueRef("a.b[c.k.i,0,/].e").Resolve());
    EXPECT_FALSE(CTevValueRef("a.b[c.k.i.e").Resolve());
}

TEST_F(ValueRefs, AViewReResolvesWhenAnIndexChanges)
{
    CTestView view("v");
    view.AddRef("c.k.j");
    view.AddRef("a.b[c.k.i,1,+].e");
    ASSERT_TRUE(view.Create(nullptr)) << Errors();
    EXPECT_EQ(view.GetValue(1), b[4]);

    // A list without any of its values: no reaction.
    EXPECT_FALSE(view.OnValuesChanged({b[0], b[5]}));
    EXPECT_TRUE(view.invalidated.empty());

    // Its own value changed.
    EXPECT_TRUE(view.OnValuesChanged({b[4]}));
    EXPECT_EQ(view.invalidated.size(), 1u);

    // The index changed: the reference now names a.b[5].e, and the view
    // repaints although a.b[4].e did not change.
    i->SetInteger(4);
    EXPECT_TRUE(view.OnValuesChanged({i}));
    EXPECT_EQ(view.GetValue(1), b[5]);
    EXPECT_EQ(view.GetValue(0), j);
    EXPECT_EQ(view.invalidated.size(), 2u);
    EXPECT_EQ(Errors(), "");
}

TEST_F(ValueRefs, AFailedReResolutionKeepsTheValueAndTheDependencies)
{
    CTestView view("v");
    view.AddRef("a.b[c.k.i].e");
    ASSERT_TRUE(view.Create(nullptr)) << Errors();
    EXPECT_EQ(view.GetValue(0), b[3]);

    // Index 9 names no element: logged, still invalidated, old binding kept.
    i->SetInteger(9);
    EXPECT_TRUE(view.OnValuesChanged({i}));
    EXPECT_EQ(Errors(), "Unable to convert value reference name a.b[c.k.i].e to value.\n");
    EXPECT_EQ(view.invalidated.size(), 1u);
    EXPECT_EQ(view.GetValue(0), b[3]);
    EXPECT_EQ(view.GetValueRef(0)->GetDependencies(), CTevValueList{i});

    // Because the dependency is still known, the index coming back into
    // range is noticed.
    i->SetInteger(2);
    EXPECT_TRUE(view.OnValuesChanged({i}));
    EXPECT_EQ(view.GetValue(0), b[2]);
}

TEST_F(ValueRefs, CreateFailsOnAReferenceThatDoesNotResolve)
{
    CTestView view("knob");
    view.AddRef("c.k.j");
    view.AddRef("c.k.nothing");
    view.AddRef("c.k.i");
    EXPECT_FALSE(view.Create(nullptr));
    EXPECT_EQ(Errors(), "Unable to convert value reference name c.k.nothing to value.\n"
                        "Unable to associate view knob.\n");
    EXPECT_EQ(view.GetValue(0), j);
    // Resolution stops at the first failure.
    EXPECT_EQ(view.GetValue(2), nullptr);
}

TEST_F(ValueRefs, IndexedAccess)
{
    CTestView view("v");
    view.AddRef("c.k.i");
    view.AddRef("c.k.j");
    ASSERT_TRUE(view.Create(nullptr));
    EXPECT_EQ(view.GetValueRef(-1), view.GetValueRef(0));
    EXPECT_EQ(view.GetValue(-1), i);
    EXPECT_EQ(view.GetValue(1), j);
    EXPECT_EQ(view.GetValueRef(2), nullptr);
    EXPECT_EQ(view.GetValue(2), nullptr);
    const CTevView& constView = view;
    EXPECT_EQ(constView.GetValueRef(1)->GetName(), "c.k.j");
}

TEST_F(ValueRefs, SerialiseRoundTrip)
{
    CTestView view("knob1");
    CTevPairList pairs = Attributes({{"position", "1,2"}, {"size", "3,4"}});
    ASSERT_TRUE(view.ReadAttributes(pairs));
    view.AddRef("c.k.j");
    view.AddRef("a.b[c.n[c.k.i].v].e");
    ASSERT_TRUE(view.Create(nullptr)) << Errors();

    // The values are registered by the model's own serialisation; here
    // they are registered directly, in the same order in both directions.
    CTevValue* n3 = Value("c.n[3].v");
    const std::vector<CTevValue*> registered{i, j, n3, b[0], b[1]};
    auto withValues = [&](CTestView& target) {
        return [&registered, &target](CTevArchive& archive) {
            for (CTevValue* value : registered)
                archive.RegisterObject(value);
            return target.Serialize(archive);
        };
    };
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(TevSaveGraph(withValues(view), bytes));

    CTestView loaded;
    ASSERT_TRUE(TevLoadGraph(withValues(loaded), bytes));
    EXPECT_EQ(loaded.GetName(), "knob1");
    EXPECT_EQ(loaded.GetRect(), (CTevRect{1, 2, 4, 6}));
    ASSERT_EQ(loaded.GetValueRefCount(), 2);
    for (int k = 0; k < 2; ++k) {
        EXPECT_EQ(loaded.GetValueRef(k)->GetName(), view.GetValueRef(k)->GetName());
        EXPECT_EQ(loaded.GetValue(k), view.GetValue(k));
        EXPECT_EQ(loaded.GetValueRef(k)->GetDependencies(), view.GetValueRef(k)->GetDependencies());
    }
    EXPECT_EQ(loaded.GetValueRef(1)->GetDependencies(), (CTevValueList{n3, i}));

    // Every shorter input fails instead of giving a partial view.
    for (size_t size = 0; size < bytes.size(); size += 3) {
        CTestView partial;
        std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(size));
        EXPECT_FALSE(TevLoadGraph(withValues(partial), cut)) << size;
    }
}

TEST(ValueRefArchive, ADependencyCountIsBoundedByTheReferencesThatFollow)
{
    struct SCase {
        const char* name;
        std::vector<uint8_t> bytes;  // value pass, then reference pass
        bool loads;
        size_t dependencies;
    };
    // Value pass: the name "x" and the dependency count; reference pass: the
    // value (null) and each dependency (null).
    const std::vector<SCase> cases = {
        {"honest", {0, 0, 0, 1, 'x', 0, 0, 0, 2, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
         true, 2},
        {"one reference short", {0, 0, 0, 1, 'x', 0, 0, 0, 2, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, false, 0},
        {"count 0x7FFFFFFF, nothing after", {0, 0, 0, 1, 'x', 0x7F, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, false, 0},
        {"negative count", {0, 0, 0, 1, 'x', 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, false, 0},
    };
    for (const SCase& c : cases) {
        CTevValueRef ref;
        const bool loaded = TevLoadGraph([&ref](CTevArchive& archive) { return ref.Serialize(archive); }, c.bytes);
        EXPECT_EQ(loaded, c.loads) << c.name;
        EXPECT_EQ(ref.GetDependencies().size(), c.dependencies) << c.name;
    }
}

// ---------------------------------------------------------------------------
// The paint-context fake that view and control tests share
// ---------------------------------------------------------------------------

TEST(FakeDrawing, UpdateAreaMeetsRectsThatShareAnEdge)
{
    CFakeDrawInfo everything;
    EXPECT_TRUE(everything.IntersectsUpdate({500, 500, 501, 501}));

    CFakeDrawInfo info({{0, 0, 10, 10}});
    EXPECT_TRUE(info.IntersectsUpdate({10, 0, 20, 10}));
    EXPECT_FALSE(info.IntersectsUpdate({11, 0, 20, 10}));
    EXPECT_EQ(info.queries, (std::vector<CTevRect>{{10, 0, 20, 10}, {11, 0, 20, 10}}));

    CFakeDrawInfo nothing(std::vector<CTevRect>{});
    EXPECT_FALSE(nothing.IntersectsUpdate({0, 0, 10, 10}));
}

} // namespace
