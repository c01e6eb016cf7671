#include "core/TevCondition.h"

#include "core/TevHelpers.h"
#include "core/TevValue.h"
#include "views/TevView.h"

#include <algorithm>
#include <limits>

namespace {

// Blanks, control characters and, read as signed bytes, everything from
// 0x80 up.
bool IsSpaceByte(char c)
{
    return static_cast<signed char>(c) <= 32;
}

// ASCII only, whatever the locale.
bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}
bool IsLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// Wrapping arithmetic: computed on unsigned 32-bit numbers, whose
// conversion back to int32_t is defined modulo 2^32.
int32_t WrapAdd(int32_t a, int32_t b)
{
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}
int32_t WrapSub(int32_t a, int32_t b)
{
    return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}
int32_t WrapMul(int32_t a, int32_t b)
{
    return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}
int32_t WrapAbs(int32_t a)
{
    return a < 0 ? static_cast<int32_t>(0u - static_cast<uint32_t>(a)) : a;
}

// The quotient would not fit (b = -1 with the most negative a) or does not
// exist (b = 0): the evaluation fails instead.
bool CanDivide(int32_t a, int32_t b)
{
    return b != 0 && !(b == -1 && a == std::numeric_limits<int32_t>::min());
}

enum class EOperator {
    kNot,
    kComplement,
    kAbs,
    kSelect,
    kClip,
    kAdd,
    kSubtract,
    kMultiply,
    kDivide,
    kRemainder,
    kBitAnd,
    kBitOr,
    kLogicalAnd,
    kLogicalOr,
    kEqual,
    kNotEqual,
    kLess,
    kGreater,
    kLessEqual,
    kGreaterEqual,
    kMin,
    kMax,
};

struct SOperatorSpelling {
    const char* text;
    EOperator op;
    size_t operands;
};

const SOperatorSpelling kOperators[] = {
    {"!", EOperator::kNot, 1},
    {"~", EOperator::kComplement, 1},
    {"@abs", EOperator::kAbs, 1},
    {"?", EOperator::kSelect, 3},
    {"@clip", EOperator::kClip, 3},
    {"+", EOperator::kAdd, 2},
    {"-", EOperator::kSubtract, 2},
    {"*", EOperator::kMultiply, 2},
    {"/", EOperator::kDivide, 2},
    {"%", EOperator::kRemainder, 2},
    {"&amp;", EOperator::kBitAnd, 2},
    {"|", EOperator::kBitOr, 2},
    {"&amp;&amp;", EOperator::kLogicalAnd, 2},
    {"||", EOperator::kLogicalOr, 2},
    {"==", EOperator::kEqual, 2},
    {"!=", EOperator::kNotEqual, 2},
    {"&lt;", EOperator::kLess, 2},
    {"&gt;", EOperator::kGreater, 2},
    {"&lt;=", EOperator::kLessEqual, 2},
    {"&gt;=", EOperator::kGreaterEqual, 2},
    {"@min", EOperator::kMin, 2},
    {"@max", EOperator::kMax, 2},
};

const SOperatorSpelling* FindOperator(const std::string& token)
{
    for (const SOperatorSpelling& spelling : kOperators) {
        if (token == spelling.text)
            return &spelling;
    }
    return nullptr;
}

// Replaces the operator's operands on the stack with its result; false when
// the result is undefined (division by 0 and its kin).
bool Apply(EOperator op, std::vector<int32_t>& stack, size_t operands)
{
    // a, b, c in the order they were pushed.
    const int32_t* args = stack.data() + (stack.size() - operands);
    const int32_t a = args[0];
    const int32_t b = operands > 1 ? args[1] : 0;
    const int32_t c = operands > 2 ? args[2] : 0;
    int32_t result = 0;
    switch (op) {
    case EOperator::kNot: result = a == 0 ? 1 : 0; break;
    case EOperator::kComplement: result = ~a; break;
    case EOperator::kAbs: result = WrapAbs(a); break;
    // Operands (c, a, b): the first pushed selects.
    case EOperator::kSelect: result = a != 0 ? b : c; break;
    case EOperator::kClip: {
        // Operands (x, lo, hi); reversed bounds swap roles.
        const int32_t low = std::min(b, c);
        const int32_t high = std::max(b, c);
        result = a < low ? low : (a > high ? high : a);
        break;
    }
    case EOperator::kAdd: result = WrapAdd(a, b); break;
    case EOperator::kSubtract: result = WrapSub(a, b); break;
    case EOperator::kMultiply: result = WrapMul(a, b); break;
    case EOperator::kDivide:
        if (!CanDivide(a, b))
            return false;
        result = a / b;
        break;
    case EOperator::kRemainder:
        if (!CanDivide(a, b))
            return false;
        result = a % b;
        break;
    case EOperator::kBitAnd: result = a & b; break;
    case EOperator::kBitOr: result = a | b; break;
    case EOperator::kLogicalAnd: result = (a != 0 && b != 0) ? 1 : 0; break;
    case EOperator::kLogicalOr: result = (a != 0 || b != 0) ? 1 : 0; break;
    case EOperator::kEqual: result = a == b ? 1 : 0; break;
    case EOperator::kNotEqual: result = a != b ? 1 : 0; break;
    case EOperator::kLess: result = a < b ? 1 : 0; break;
    case EOperator::kGreater: result = a > b ? 1 : 0; break;
    case EOperator::kLessEqual: result = a <= b ? 1 : 0; break;
    case EOperator::kGreaterEqual: result = a >= b ? 1 : 0; break;
    case EOperator::kMin: result = std::min(a, b); break;
    case EOperator::kMax: result = std::max(a, b); break;
    }
    stack.resize(stack.size() - operands);
    stack.push_back(result);
    return true;
}

// The integer of the value that `name` refers to, making the reference
// when allowed.
bool ReadNamedValue(const std::string& name, std::vector<CTevValueRef>& refs, bool createRefs, int32_t& number)
{
    const CTevValue* value = nullptr;
    auto found = std::find_if(refs.begin(), refs.end(),
                              [&name](const CTevValueRef& ref) { return ref.GetName() == name; });
    if (found != refs.end()) {
        value = found->GetValue();
    } else {
        if (!createRefs)
            return false;
        CTevValueRef ref(name);
        if (!ref.Resolve())
            return false;
        value = ref.GetValue();
        refs.push_back(std::move(ref));
    }
    if (!value || value->GetKind() != CTevValueSpec::kNumeric)
        return false;
    number = value->GetInteger();
    return true;
}

} // namespace

bool SplitExpression(const std::string& expression, std::vector<std::string>& tokens)
{
    const size_t size = expression.size();
    size_t pos = 0;
    while (pos < size) {
        while (pos < size && IsSpaceByte(expression[pos]))
            ++pos;
        const size_t begin = pos;
        int depth = 0;
        for (; pos < size; ++pos) {
            const char c = expression[pos];
            if (c == '[')
                ++depth;
            else if (c == ']')
                --depth;
            else if (c == ',' && depth == 0)
                break;
        }
        size_t end = pos;
        if (pos < size)
            ++pos; // the comma
        else if (depth != 0)
            return false;
        while (end > begin && IsSpaceByte(expression[end - 1]))
            --end;
        if (end > begin)
            tokens.push_back(expression.substr(begin, end - begin));
    }
    return true;
}

bool EvaluateCondition(const std::string& expression, int32_t& result, std::vector<CTevValueRef>& refs,
                       bool createRefs)
{
    std::vector<std::string> tokens;
    if (!SplitExpression(expression, tokens) || tokens.empty())
        return false;

    std::vector<int32_t> stack;
    for (const std::string& token : tokens) {
        const char first = token[0];
        if (IsDigit(first)) {
            int32_t number = 0;
            if (!ScanLong(token, number))
                return false;
            stack.push_back(number);
        } else if (IsLetter(first)) {
            int32_t number = 0;
            if (!ReadNamedValue(token, refs, createRefs, number))
                return false;
            stack.push_back(number);
        } else {
            const SOperatorSpelling* spelling = FindOperator(token);
            if (!spelling || stack.size() < spelling->operands)
                return false;
            if (!Apply(spelling->op, stack, spelling->operands))
                return false;
        }
    }

    if (stack.empty())
        return false;
    result = stack.back();
    return stack.size() == 1;
}

bool BindAndEvaluateCondition(const std::string& expression, int32_t& result, std::vector<CTevValueRef>& refs)
{
    return EvaluateCondition(expression, result, refs, true);
}

bool ReevaluateCondition(const std::string& expression, int32_t& result, std::vector<CTevValueRef>& refs)
{
    return EvaluateCondition(expression, result, refs, false);
}
