#include "core/TevManager.h"
#include "core/TevTextOut.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Counts its own destruction so the manager's sharing rule can be checked.
class CCountedSink : public CTevTextOut {
public:
    explicit CCountedSink(int& deletions) : m_deletions(deletions) {}
    ~CCountedSink() override { ++m_deletions; }

private:
    int& m_deletions;
};

} // namespace

TEST(TextOut, IndentationComesAfterEveryLineFeedAcrossCalls)
{
    CTevTextOutStringStream out;
    out.Indent(2);
    out.Write("a\nb");
    out.Write("c\n");
    out.Write("d");
    EXPECT_EQ(out.str(), "  a\n  bc\n  d");
}

TEST(TextOut, IndentNeverGoesNegative)
{
    CTevTextOutStringStream out;
    out.Indent(2);
    out.Indent(-4);
    EXPECT_EQ(out.GetIndentation(), "");
    out.Indent(3);
    EXPECT_EQ(out.GetIndentation(), "   ");
}

TEST(TextOut, PrintfTruncatesLongMessagesSafely)
{
    CTevTextOutStringStream out;
    std::string longName(2000, 'x');
    out.Printf("Unable to read %s.\n", longName.c_str());
    std::string text = out.str();
    EXPECT_EQ(text.size(), CTevTextOut::kMaxFormatted);
    EXPECT_EQ(text.substr(0, 15), "Unable to read ");
    out.Printf("%d-%s", 7, "ok");
    EXPECT_EQ(out.str().substr(CTevTextOut::kMaxFormatted), "7-ok");
}

TEST(TextOut, BufferKeepsLastTextAndCode)
{
    CTevTextOutBuffer buffer;
    buffer.Write("first");
    buffer.Write("second");
    EXPECT_EQ(buffer.GetText(), "second");
    buffer.ReportError(4);
    buffer.Write("third");
    EXPECT_EQ(buffer.GetCode(), 4);
    buffer.ReportError(0);
    EXPECT_EQ(buffer.GetCode(), 0);
}

TEST(TextOut, ManagerDeletesASharedSinkOnce)
{
    CTevManager& manager = CTevManager::Instance();
    int deletions = 0;
    CCountedSink* shared = new CCountedSink(deletions);
    manager.SetTextOut(CTevManager::kStatusOut, shared);
    manager.SetTextOut(CTevManager::kErrorOut, shared);
    // Replacing slot 1 while slot 2 still holds the sink keeps it alive.
    manager.SetTextOut(CTevManager::kStatusOut, nullptr);
    EXPECT_EQ(deletions, 0);
    EXPECT_EQ(manager.GetErrorOut(), shared);
    // Putting the same object into its slot again leaves it in place.
    manager.SetTextOut(CTevManager::kErrorOut, shared);
    EXPECT_EQ(deletions, 0);
    manager.SetTextOut(CTevManager::kErrorOut, nullptr);
    EXPECT_EQ(deletions, 1);
}
