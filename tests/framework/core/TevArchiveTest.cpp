#include "core/TevArchive.h"
#include "support/MemoryArchive.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

// A node of a small object graph: values, owned children and one pointer
// to any node of the graph (or none).
struct CNode {
    int32_t value = 0;
    std::string name;
    std::vector<std::unique_ptr<CNode>> children;
    CNode* link = nullptr;

    CNode* Add(int32_t v, const std::string& n)
    {
        children.push_back(std::make_unique<CNode>());
        children.back()->value = v;
        children.back()->name = n;
        return children.back().get();
    }

    bool Serialize(CTevArchive& archive)
    {
        archive.RegisterObject(this);
        if (!archive.SerializeInt(value) || !archive.SerializeString(name))
            return false;
        int32_t count = int32_t(children.size());
        if (!archive.SerializeCount(count))
            return false;
        if (archive.GetMode() == CTevArchive::kReadValues) {
            children.clear();
            for (int32_t i = 0; i < count; ++i)
                children.push_back(std::make_unique<CNode>());
        }
        for (auto& child : children)
            if (!child->Serialize(archive))
                return false;
        return archive.SerializeObjectRef(link);
    }
};

// root(1) owns a(2) and b(3); a owns a1(4). Links: root -> a1 (forward,
// deeper), a -> b (forward), a1 -> root (backward), b -> b (itself).
struct CGraph {
    CNode root;
    CNode* a;
    CNode* b;
    CNode* a1;
    CGraph()
    {
        root.value = 1;
        root.name = "root";
        a = root.Add(2, "a");
        b = root.Add(3, "");
        a1 = a->Add(4, "a1");
        root.link = a1;
        a->link = b;
        a1->link = &root;
        b->link = b;
    }
};

auto SerializerFor(CNode& node)
{
    return [&node](CTevArchive& archive) { return node.Serialize(archive); };
}

// A hierarchy registered under its base; a plain type registered as itself.
struct CShape {
    using CTevArchiveKind = CShape;
    virtual ~CShape() = default;
};
struct CCircle : CShape {};
struct CSquare : CShape {};
struct CPlain {};

Bytes Save(CNode& root)
{
    Bytes bytes;
    EXPECT_TRUE(TevSaveGraph(SerializerFor(root), bytes));
    return bytes;
}

} // namespace

TEST(TevArchive, StoresValueFormsBigEndian)
{
    CMemoryArchive out(CTevArchive::kWriteValues);
    int32_t i = 0x12345678, minusOne = -1;
    uint16_t s = 0xFF00;
    bool t = true, f = false;
    std::string ab = "ab", empty;
    CTevPoint point{-2, 3};
    CTevRect rect{1, 2, 0x100, 0x10000};
    CTevColor color{0xFFFF, 0x0102, 0};
    Bytes bytes{0xDE, 0xAD};
    ASSERT_TRUE(out.SerializeInt(i));
    ASSERT_TRUE(out.SerializeInt(minusOne));
    ASSERT_TRUE(out.SerializeShort(s));
    ASSERT_TRUE(out.SerializeBool(t));
    ASSERT_TRUE(out.SerializeBool(f));
    ASSERT_TRUE(out.SerializeString(ab));
    ASSERT_TRUE(out.SerializeString(empty));
    ASSERT_TRUE(out.SerializePoint(point));
    ASSERT_TRUE(out.SerializeRect(rect));
    ASSERT_TRUE(out.SerializeColor(color));
    ASSERT_TRUE(out.SerializeBytes(bytes));

    const Bytes expected{
        0x12, 0x34, 0x56, 0x78,  0xFF, 0xFF, 0xFF, 0xFF,  0x00, 0x00, 0xFF, 0x00,
        0x00, 0x00, 0x00, 0x01,  0x00, 0x00, 0x00, 0x00,
        0x00, 0x00, 0x00, 0x02, 0x61, 0x62,  0x00, 0x00, 0x00, 0x00,
        0xFF, 0xFF, 0xFF, 0xFE,  0x00, 0x00, 0x00, 0x03,
        0x00, 0x00, 0x00, 0x01,  0x00, 0x00, 0x00, 0x02,  0x00, 0x00, 0x01, 0x00,  0x00, 0x01, 0x00, 0x00,
        0x00, 0x00, 0xFF, 0xFF,  0x00, 0x00, 0x01, 0x02,  0x00, 0x00, 0x00, 0x00,
        0x00, 0x00, 0x00, 0x02, 0xDE, 0xAD,
    };
    EXPECT_EQ(out.data, expected);

    CMemoryArchive in(CTevArchive::kReadValues, expected);
    int32_t ri = 0, rm = 0;
    uint16_t rs = 0;
    bool rt = false, rf = true;
    std::string rab, rempty = "junk";
    CTevPoint rpoint;
    CTevRect rrect;
    CTevColor rcolor;
    Bytes rbytes{1, 2, 3};
    ASSERT_TRUE(in.SerializeInt(ri));
    ASSERT_TRUE(in.SerializeInt(rm));
    ASSERT_TRUE(in.SerializeShort(rs));
    ASSERT_TRUE(in.SerializeBool(rt));
    ASSERT_TRUE(in.SerializeBool(rf));
    ASSERT_TRUE(in.SerializeString(rab));
    ASSERT_TRUE(in.SerializeString(rempty));
    ASSERT_TRUE(in.SerializePoint(rpoint));
    ASSERT_TRUE(in.SerializeRect(rrect));
    ASSERT_TRUE(in.SerializeColor(rcolor));
    ASSERT_TRUE(in.SerializeBytes(rbytes));
    EXPECT_EQ(ri, 0x12345678);
    EXPECT_EQ(rm, -1);
    EXPECT_EQ(rs, 0xFF00);
    EXPECT_TRUE(rt);
    EXPECT_FALSE(rf);
    EXPECT_EQ(rab, "ab");
    EXPECT_EQ(rempty, "");
    EXPECT_EQ(rpoint, point);
    EXPECT_EQ(rrect, rect);
    EXPECT_EQ(rcolor, color);
    EXPECT_EQ(rbytes, bytes);
    EXPECT_EQ(in.Remaining(), 0u);
}

TEST(TevArchive, ReadingShortKeepsLowBitsAndBoolTakesAnyNonZero)
{
    CMemoryArchive in(CTevArchive::kReadValues, {0x00, 0x01, 0xFF, 0x00, 0x80, 0x00, 0x00, 0x00,
                                                 0x00, 0x00, 0x01, 0x00});
    uint16_t s = 0;
    bool b1 = false, b2 = false;
    ASSERT_TRUE(in.SerializeShort(s));
    ASSERT_TRUE(in.SerializeBool(b1));
    ASSERT_TRUE(in.SerializeBool(b2));
    EXPECT_EQ(s, 0xFF00);
    EXPECT_TRUE(b1);
    EXPECT_TRUE(b2);
}

TEST(TevArchive, OperationsTransferOnlyInTheirOwnPasses)
{
    // Value forms in the reference passes, and references in the value
    // passes, touch neither the stream nor the variable.
    const Bytes source{0x00, 0x00, 0x00, 0x07, 0x00, 0x00, 0x00, 0x00};
    CNode node;
    CNode* pointer = &node;
    int32_t number = 42, count = 5;
    std::string text = "keep";
    CTevColor color{1, 2, 3};

    CMemoryArchive readRefs(CTevArchive::kReadReferences, source);
    EXPECT_TRUE(readRefs.SerializeInt(number));
    EXPECT_TRUE(readRefs.SerializeString(text));
    EXPECT_TRUE(readRefs.SerializeColor(color));
    EXPECT_TRUE(readRefs.SerializeCount(count));
    EXPECT_EQ(readRefs.readCalls, 0);
    EXPECT_EQ(number, 42);
    EXPECT_EQ(text, "keep");
    EXPECT_EQ(count, 5);

    CMemoryArchive readValues(CTevArchive::kReadValues, source);
    EXPECT_TRUE(readValues.SerializeObjectRef(pointer));
    EXPECT_EQ(readValues.readCalls, 0);
    EXPECT_EQ(pointer, &node);

    CMemoryArchive writeRefs(CTevArchive::kWriteReferences);
    EXPECT_TRUE(writeRefs.SerializeInt(number));
    EXPECT_TRUE(writeRefs.SerializeString(text));
    EXPECT_TRUE(writeRefs.SerializeCount(count));
    EXPECT_TRUE(writeRefs.data.empty());

    CMemoryArchive writeValues(CTevArchive::kWriteValues);
    writeValues.RegisterObject(&node);
    EXPECT_TRUE(writeValues.SerializeObjectRef(pointer));
    EXPECT_TRUE(writeValues.data.empty());

    EXPECT_FALSE(writeValues.SetMode(4));
    EXPECT_FALSE(writeValues.SetMode(-1));
    EXPECT_EQ(writeValues.GetMode(), CTevArchive::kWriteValues);
}

TEST(TevArchive, RegistrationTable)
{
    CMemoryArchive archive(CTevArchive::kWriteValues);
    int a = 0, b = 0;
    archive.RegisterObject(&a);
    archive.RegisterObject(&b);
    archive.RegisterObject(&a);
    archive.RegisterObject(nullptr);
    EXPECT_EQ(archive.GetObjectCount(), 2);
    EXPECT_EQ(archive.IndexOf(&a), 0);
    EXPECT_EQ(archive.IndexOf(&b), 1);

    // The reference pass registers nothing and keeps the value pass's table.
    int c = 0;
    ASSERT_TRUE(archive.SetMode(CTevArchive::kWriteReferences));
    archive.RegisterObject(&c);
    EXPECT_EQ(archive.GetObjectCount(), 2);
    EXPECT_EQ(archive.IndexOf(&c), CTevArchive::kNullIndex);

    // A new value pass starts a new graph; re-entering the same mode does not.
    ASSERT_TRUE(archive.SetMode(CTevArchive::kWriteValues));
    EXPECT_EQ(archive.GetObjectCount(), 0);
    archive.RegisterObject(&b);
    ASSERT_TRUE(archive.SetMode(CTevArchive::kWriteValues));
    EXPECT_EQ(archive.IndexOf(&b), 0);
    archive.Reset();
    EXPECT_EQ(archive.GetObjectCount(), 0);
}

TEST(TevArchive, GraphRoundTripWithForwardBackwardSelfAndNullReferences)
{
    CGraph graph;
    graph.root.Add(5, "leaf");  // link stays null
    const Bytes bytes = Save(graph.root);

    CNode loaded;
    ASSERT_TRUE(TevLoadGraph(SerializerFor(loaded), bytes));
    ASSERT_EQ(loaded.children.size(), 3u);
    CNode* a = loaded.children[0].get();
    CNode* b = loaded.children[1].get();
    CNode* leaf = loaded.children[2].get();
    ASSERT_EQ(a->children.size(), 1u);
    CNode* a1 = a->children[0].get();
    EXPECT_EQ(loaded.value, 1);
    EXPECT_EQ(loaded.name, "root");
    EXPECT_EQ(a->value, 2);
    EXPECT_EQ(b->name, "");
    EXPECT_EQ(a1->name, "a1");
    EXPECT_EQ(leaf->value, 5);
    EXPECT_EQ(loaded.link, a1);
    EXPECT_EQ(a->link, b);
    EXPECT_EQ(a1->link, &loaded);
    EXPECT_EQ(b->link, b);
    EXPECT_EQ(leaf->link, nullptr);

    // Saved again, the loaded graph gives the same bytes.
    EXPECT_EQ(Save(loaded), bytes);
}

TEST(TevArchive, TruncatedInputFailsAtEveryLength)
{
    CGraph graph;
    const Bytes bytes = Save(graph.root);
    for (size_t length = 0; length < bytes.size(); ++length) {
        CNode loaded;
        EXPECT_FALSE(TevLoadGraph(SerializerFor(loaded), Bytes(bytes.begin(), bytes.begin() + std::ptrdiff_t(length))))
            << "length " << length;
    }
}

TEST(TevArchive, WriteFailureIsReported)
{
    CGraph graph;
    const size_t full = Save(graph.root).size();
    for (size_t limit : {size_t(0), size_t(6), full - 1}) {
        CMemoryArchive out(CTevArchive::kWriteValues);
        out.writeLimit = limit;
        bool ok = graph.root.Serialize(out);
        if (ok) {
            out.SetMode(CTevArchive::kWriteReferences);
            ok = graph.root.Serialize(out);
        }
        EXPECT_FALSE(ok) << "limit " << limit;
    }
}

TEST(TevArchive, RefusesNegativeAndImpossibleLengthsAndCounts)
{
    const Bytes negative{0xFF, 0xFF, 0xFF, 0xFE, 0x61, 0x62};
    {
        CMemoryArchive in(CTevArchive::kReadValues, negative);
        std::string text = "old";
        EXPECT_FALSE(in.SerializeString(text));
        EXPECT_EQ(text, "old");
    }
    {
        CMemoryArchive in(CTevArchive::kReadValues, negative);
        Bytes bytes{9};
        EXPECT_FALSE(in.SerializeBytes(bytes));
        EXPECT_EQ(bytes, Bytes{9});
    }
    {
        CMemoryArchive in(CTevArchive::kReadValues, negative);
        int32_t count = 3;
        EXPECT_FALSE(in.SerializeCount(count));
        EXPECT_EQ(count, 3);
    }
    {
        CMemoryArchive out(CTevArchive::kWriteValues);
        int32_t count = -1;
        EXPECT_FALSE(out.SerializeCount(count));
        EXPECT_TRUE(out.data.empty());
    }

    // A huge length with a few bytes behind it fails without asking the
    // source for more than a bounded piece at a time.
    Bytes huge{0x7F, 0xFF, 0xFF, 0xFF};
    huge.resize(100, 0x41);
    {
        CMemoryArchive in(CTevArchive::kReadValues, huge);
        std::string text = "old";
        EXPECT_FALSE(in.SerializeString(text));
        EXPECT_EQ(text, "old");
        EXPECT_LE(in.largestRead, size_t(64 * 1024));
    }
    {
        CMemoryArchive in(CTevArchive::kReadValues, huge);
        Bytes bytes;
        EXPECT_FALSE(in.SerializeBytes(bytes));
        EXPECT_LE(in.largestRead, size_t(64 * 1024));
    }
}

TEST(TevArchive, LongTextsAndByteVectorsSurviveBeingReadInPieces)
{
    std::string text(200000, 'x');
    Bytes bytes(150001);
    for (size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = uint8_t(i * 7);
        text[i] = char('a' + i % 26);
    }
    CMemoryArchive out(CTevArchive::kWriteValues);
    ASSERT_TRUE(out.SerializeString(text));
    ASSERT_TRUE(out.SerializeBytes(bytes));

    CMemoryArchive in(CTevArchive::kReadValues, out.data);
    std::string readText;
    Bytes readBytes;
    ASSERT_TRUE(in.SerializeString(readText));
    ASSERT_TRUE(in.SerializeBytes(readBytes));
    EXPECT_EQ(readText, text);
    EXPECT_EQ(readBytes, bytes);
    EXPECT_EQ(in.Remaining(), 0u);
}

TEST(TevArchive, RefusesIndicesOutsideTheTableAndUnregisteredPointers)
{
    int a = 0, b = 0;
    for (uint8_t low : {uint8_t(0x02), uint8_t(0xFE)}) {  // index 2 (table of 2), -2
        const uint8_t high = low == 0xFE ? 0xFF : 0x00;
        CMemoryArchive in(CTevArchive::kReadValues, {high, high, high, low});
        in.RegisterObject(&a);
        in.RegisterObject(&b);
        ASSERT_TRUE(in.SetMode(CTevArchive::kReadReferences));
        int* pointer = &b;
        EXPECT_FALSE(in.SerializeObjectRef(pointer));
        EXPECT_EQ(pointer, &b);
    }
    {
        CMemoryArchive in(CTevArchive::kReadValues, {0, 0, 0, 1, 0xFF, 0xFF, 0xFF, 0xFF});
        in.RegisterObject(&a);
        in.RegisterObject(&b);
        ASSERT_TRUE(in.SetMode(CTevArchive::kReadReferences));
        int* first = nullptr;
        const int* second = &a;
        EXPECT_TRUE(in.SerializeObjectRef(first));
        EXPECT_TRUE(in.SerializeObjectRef(second));
        EXPECT_EQ(first, &b);
        EXPECT_EQ(second, nullptr);
    }
    {
        CMemoryArchive out(CTevArchive::kWriteValues);
        out.RegisterObject(&a);
        ASSERT_TRUE(out.SetMode(CTevArchive::kWriteReferences));
        int* stranger = &b;
        EXPECT_FALSE(out.SerializeObjectRef(stranger));
        EXPECT_TRUE(out.data.empty());
    }
}

TEST(TevArchive, AReferenceReadsBackOnlyIntoAPointerOfItsObjectsKind)
{
    int number = 0;
    CPlain plain;
    CCircle circle;
    CSquare square;
    // Indices 0 to 3 in the reference pass, each read once per line below.
    const Bytes indices{0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0, 0, 0, 0, 0, 1};
    CMemoryArchive in(CTevArchive::kReadValues, indices);
    in.RegisterObject(&number);
    in.RegisterObject(&plain);
    in.RegisterObject(&circle);
    in.RegisterObject(static_cast<CShape*>(&square));
    EXPECT_EQ(in.IndexOf(static_cast<CShape*>(&circle)), 2);
    EXPECT_EQ(in.IndexOf(&square), 3);
    ASSERT_TRUE(in.SetMode(CTevArchive::kReadReferences));

    int* toNumber = nullptr;
    CPlain* toPlain = nullptr;
    CCircle* toCircle = nullptr;
    CShape* toShape = nullptr;
    EXPECT_TRUE(in.SerializeObjectRef(toNumber));
    EXPECT_TRUE(in.SerializeObjectRef(toPlain));
    EXPECT_TRUE(in.SerializeObjectRef(toCircle));
    EXPECT_TRUE(in.SerializeObjectRef(toShape));
    EXPECT_EQ(toNumber, &number);
    EXPECT_EQ(toPlain, &plain);
    EXPECT_EQ(toCircle, &circle);
    EXPECT_EQ(toShape, &square);

    // Another object of the hierarchy, or another kind: refused, the
    // pointer kept.
    CSquare* toSquare = nullptr;
    const CPlain* toConstPlain = &plain;
    EXPECT_FALSE(in.SerializeObjectRef(toSquare));
    EXPECT_FALSE(in.SerializeObjectRef(toConstPlain));
    EXPECT_FALSE(in.SerializeObjectRef(toPlain));
    EXPECT_FALSE(in.SerializeObjectRef(toNumber));
    EXPECT_EQ(toSquare, nullptr);
    EXPECT_EQ(toConstPlain, &plain);
    EXPECT_EQ(toPlain, &plain);
    EXPECT_EQ(toNumber, &number);
    EXPECT_EQ(in.Remaining(), 0u);
}
