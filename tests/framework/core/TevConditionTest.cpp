// Condition expressions: splitting, numbers and operators, stack rules,
// value names bound to a script model, and the undefined arithmetic cases.
#include "core/TevCondition.h"
#include "core/TevManager.h"
#include "core/TevValue.h"
#include "views/TevView.h"

#include "support/ManagerTestSupport.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

namespace {

std::vector<std::string> Split(const std::string& expression, bool* ok = nullptr)
{
    std::vector<std::string> tokens;
    const bool result = SplitExpression(expression, tokens);
    if (ok)
        *ok = result;
    return tokens;
}

// Evaluates an expression without names; the result is INT_MIN + 7 when
// the evaluation did not set it.
struct SOutcome {
    bool ok;
    int32_t result;
};
SOutcome Eval(const std::string& expression)
{
    std::vector<CTevValueRef> refs;
    int32_t result = INT_MIN + 7;
    const bool ok = EvaluateCondition(expression, result, refs, true);
    return {ok, result};
}

void ExpectValue(const std::string& expression, int32_t expected)
{
    const SOutcome outcome = Eval(expression);
    EXPECT_TRUE(outcome.ok) << expression;
    EXPECT_EQ(outcome.result, expected) << expression;
}

void ExpectFailure(const std::string& expression)
{
    EXPECT_FALSE(Eval(expression).ok) << expression;
}

TEST(ConditionSplit, CommasSeparateAndSpacesAreTrimmed)
{
    EXPECT_EQ(Split(" 1 ,\t2,\n+ "), (std::vector<std::string>{"1", "2", "+"}));
    // Blanks inside a token stay: tokens are separated by commas only.
    EXPECT_EQ(Split("a b,c"), (std::vector<std::string>{"a b", "c"}));
    // Empty tokens are dropped.
    EXPECT_EQ(Split("1,,2,"), (std::vector<std::string>{"1", "2"}));
    // Bytes from 0x80 count as space characters.
    EXPECT_EQ(Split("\xA0x\xFF,\x01y"), (std::vector<std::string>{"x", "y"}));
    EXPECT_TRUE(Split(" , ,").empty());
}

TEST(ConditionSplit, BracketsKeepCommasAndMustBeBalanced)
{
    EXPECT_EQ(Split("midi.ch[0,7].cc,1,=="), (std::vector<std::string>{"midi.ch[0,7].cc", "1", "=="}));
    EXPECT_EQ(Split("a[b[1,2],3],4"), (std::vector<std::string>{"a[b[1,2],3]", "4"}));
    bool ok = true;
    Split("a[1,2", &ok);
    EXPECT_FALSE(ok);
    Split("1,a[b[0]", &ok);
    EXPECT_FALSE(ok);
}

TEST(ConditionEvaluate, NumbersFollowTheScriptNumberRules)
{
    ExpectValue("1", 1);
    ExpectValue("0x1F", 31);
    ExpectValue("010", 8);
    ExpectValue("12abc", 12);
    // Numbers have 32-bit meaning in every build.
    ExpectValue("4294967295", INT_MAX);
    // No negative literals: "-5" is neither a number nor an operator.
    ExpectFailure("-5");
    ExpectValue("0,5,-", -5);
}

TEST(ConditionEvaluate, OperandOrder)
{
    ExpectValue("7,2,-", 5);
    ExpectValue("7,2,/", 3);
    ExpectValue("0,7,-,2,/", -3); // truncated toward zero
    ExpectValue("0,7,-,2,%", -1); // the sign of a
    ExpectValue("7,0,2,-,%", 1);
    // ? takes c, a, b: a if c is not 0, else b.
    ExpectValue("1,10,20,?", 10);
    ExpectValue("0,10,20,?", 20);
    // @clip takes x, lo, hi; reversed bounds swap roles.
    ExpectValue("200,0,127,@clip", 127);
    ExpectValue("200,127,0,@clip", 127);
    ExpectValue("0,5,-,0,127,@clip", 0);
    ExpectValue("50,127,0,@clip", 50);
    ExpectValue("3,9,@min", 3);
    ExpectValue("3,9,@max", 9);
    ExpectValue("0,3,&lt;", 1);
    ExpectValue("3,0,&lt;", 0);
    ExpectValue("0,3,&gt;", 0);
}

TEST(ConditionEvaluate, OperatorSpellings)
{
    ExpectValue("0,!", 1);
    ExpectValue("5,!", 0);
    ExpectValue("0,~", -1);
    ExpectValue("0,9,-,@abs", 9);
    ExpectValue("12,10,&amp;", 8);
    ExpectValue("12,3,|", 15);
    ExpectValue("2,3,&amp;&amp;", 1);
    ExpectValue("2,0,&amp;&amp;", 0);
    ExpectValue("0,0,||", 0);
    ExpectValue("0,4,||", 1);
    ExpectValue("4,4,==", 1);
    ExpectValue("4,5,!=", 1);
    ExpectValue("4,4,&lt;=", 1);
    ExpectValue("5,4,&lt;=", 0);
    ExpectValue("4,4,&gt;=", 1);
    ExpectValue("3,4,&gt;=", 0);
    // The decoded spellings are not operators: texts are not entity-decoded.
    ExpectFailure("1,2,&&");
    ExpectFailure("1,2,<");
    ExpectFailure("1,2,>=");
    ExpectFailure("1,2,&");
    ExpectFailure("1,2,@mod");
}

TEST(ConditionEvaluate, StackRules)
{
    ExpectFailure("");
    ExpectFailure(" , ,");
    // Too few operands.
    ExpectFailure("+");
    ExpectFailure("1,+");
    ExpectFailure("1,2,?");
    ExpectFailure("!");
    // Two values left: failure, but the result is the top.
    const SOutcome two = Eval("1,2");
    EXPECT_FALSE(two.ok);
    EXPECT_EQ(two.result, 2);
    const SOutcome three = Eval("1,2,3,+");
    EXPECT_FALSE(three.ok);
    EXPECT_EQ(three.result, 5);
}

TEST(ConditionEvaluate, DivisionByZeroAndTheOneOverflowingQuotientFail)
{
    ExpectFailure("1,0,/");
    ExpectFailure("1,0,%");
    // INT_MIN is 0 - 2147483647 - 1; divided by -1 it does not fit.
    const std::string intMin = "0,2147483647,-,1,-";
    const std::string minusOne = "0,1,-";
    ExpectFailure(intMin + "," + minusOne + ",/");
    ExpectFailure(intMin + "," + minusOne + ",%");
    ExpectValue(intMin + ",1,/", INT_MIN);
    ExpectValue(intMin + ",2,%", 0);
}

TEST(ConditionEvaluate, ArithmeticWrapsOnOverflow)
{
    ExpectValue("2147483647,1,+", INT_MIN);
    ExpectValue("0,2147483647,-,2,-", INT_MAX);
    ExpectValue("65536,65536,*", 0);
    ExpectValue("2147483647,2,*", -2);
    const std::string intMin = "0,2147483647,-,1,-";
    ExpectValue(intMin + ",@abs", INT_MIN);
    ExpectValue(intMin + ",~", INT_MAX);
}

// ---------------------------------------------------------------------------
// Names
// ---------------------------------------------------------------------------

const char kScript[] = R"(
<structType><type>Sys</type><name>sys</name>
  <value><name>mode</name><default>2</default></value>
  <value><name>big</name><type>int2x7</type><range>0,16383</range><default>1000</default></value>
  <value><name>title</name><type>string</type><size>04</size></value>
</structType>
<structType><type>Part</type><name>p</name><address>$adr</address>
  <value><name>v</name><default>7</default></value>
</structType>
<structType><type>Root</type><name>ms</name><address>10 00 00</address>
  <struct><type>Sys</type></struct>
  <struct><type>Part</type><adr>10</adr><adr>11</adr><adr>12</adr></struct>
</structType>
<struct><type>Root</type></struct>
)";

class ConditionNames : public CManagerTest {
protected:
    void SetUp() override
    {
        CManagerTest::SetUp();
        ASSERT_TRUE(LoadModel(kScript)) << Errors();
        mode = Manager().FindValue("ms.sys.mode");
        big = Manager().FindValue("ms.sys.big");
        ASSERT_TRUE(mode && big);
    }

    CTevValue* mode = nullptr;
    CTevValue* big = nullptr;
    std::vector<CTevValueRef> refs;
    int32_t result = -1;
};

TEST_F(ConditionNames, BindCreatesReferencesOnceAndReevaluateUsesThem)
{
    EXPECT_TRUE(BindAndEvaluateCondition("ms.sys.mode,2,==,ms.sys.big,1000,==,&amp;&amp;", result, refs));
    EXPECT_EQ(result, 1);
    ASSERT_EQ(refs.size(), 2u);
    EXPECT_EQ(refs[0].GetName(), "ms.sys.mode");
    EXPECT_EQ(refs[0].GetValue(), mode);
    EXPECT_EQ(refs[1].GetValue(), big);

    // A name used twice is bound once.
    std::vector<CTevValueRef> twice;
    EXPECT_TRUE(BindAndEvaluateCondition("ms.sys.mode,ms.sys.mode,+", result, twice));
    EXPECT_EQ(result, 4);
    EXPECT_EQ(twice.size(), 1u);

    mode->SetInteger(5);
    EXPECT_TRUE(ReevaluateCondition("ms.sys.mode,2,==", result, refs));
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(ReevaluateCondition("ms.sys.mode,ms.sys.big,+", result, refs));
    EXPECT_EQ(result, 1005);
    EXPECT_EQ(refs.size(), 2u);
}

TEST_F(ConditionNames, ReevaluateFailsOnANameWithoutReference)
{
    EXPECT_FALSE(ReevaluateCondition("ms.sys.mode,2,==", result, refs));
    EXPECT_TRUE(refs.empty());
    EXPECT_TRUE(BindAndEvaluateCondition("ms.sys.mode", result, refs));
    EXPECT_FALSE(ReevaluateCondition("ms.sys.mode,ms.sys.big,+", result, refs));
    EXPECT_EQ(refs.size(), 1u);
}

TEST_F(ConditionNames, UnknownAndStringValuesFail)
{
    EXPECT_FALSE(BindAndEvaluateCondition("ms.sys.nothing", result, refs));
    EXPECT_TRUE(refs.empty());
    // The string value resolves, so its reference stays, but it can't be
    // used as a number.
    EXPECT_FALSE(BindAndEvaluateCondition("ms.sys.mode,ms.sys.title,+", result, refs));
    ASSERT_EQ(refs.size(), 2u);
    EXPECT_EQ(refs[1].GetName(), "ms.sys.title");
    EXPECT_FALSE(ReevaluateCondition("ms.sys.title", result, refs));
}

TEST_F(ConditionNames, AnIndexedNameWithCommasIsOneReference)
{
    CTevValue* second = Manager().FindValue("ms.p[1].v");
    ASSERT_NE(second, nullptr);
    second->SetInteger(42);
    // The index ms.sys.mode - 1 = 1 holds commas of its own.
    EXPECT_TRUE(BindAndEvaluateCondition("ms.p[ms.sys.mode,1,-].v,1,+", result, refs));
    EXPECT_EQ(result, 43);
    ASSERT_EQ(refs.size(), 1u);
    EXPECT_EQ(refs[0].GetName(), "ms.p[ms.sys.mode,1,-].v");
    EXPECT_EQ(refs[0].GetValue(), second);
    EXPECT_EQ(refs[0].GetDependencies(), CTevValueList{mode});
    // An index that names no element fails the evaluation.
    std::vector<CTevValueRef> outside;
    EXPECT_FALSE(BindAndEvaluateCondition("ms.p[ms.sys.mode,1,+].v", result, outside));
    EXPECT_TRUE(outside.empty());
}

} // namespace
