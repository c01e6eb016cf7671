#pragma once
// Condition expressions: postfix expressions over integer constants and the
// integer values of the parameter model, as panels and controls use them to
// decide whether they show or are enabled (for example "ms.tmp.mode,2,==").
//
// Tokens are separated by commas only; a comma inside brackets belongs to
// the token (a value name with an index expression). A token that starts
// with a digit is a number ("%li": decimal, 0x hexadecimal, leading-0
// octal), one that starts with a letter names a value, anything else is an
// operator. The operators containing '&', '<' or '>' are matched in their
// XML entity spellings ("&amp;&amp;", "&lt;=", ...), since script texts are
// not entity-decoded. Arithmetic is on signed 32-bit integers and wraps.
#include <cstdint>
#include <string>
#include <vector>

class CTevValueRef;

// Appends the expression's tokens to `tokens`. Leading and trailing bytes
// that are at most 32 as signed 8-bit numbers (blanks, control characters
// and every byte from 0x80) are removed from each token; empty tokens are
// dropped. False when a bracket is left open at the end of the expression.
bool SplitExpression(const std::string& expression, std::vector<std::string>& tokens);

// Evaluates the expression. A name is looked up in `refs` by its exact
// text; when it is not there and `createRefs` is set, a reference is made,
// resolved and appended (references made before a failure stay). The value
// must be numeric. True only when exactly one value is left on the stack;
// with more, `result` still receives the top one. Fails on an unknown token,
// too few operands, a division or remainder by 0 and the most negative
// number divided by -1.
bool EvaluateCondition(const std::string& expression, int32_t& result, std::vector<CTevValueRef>& refs,
                       bool createRefs);

// Evaluates while a view is built: references are made for new names.
bool BindAndEvaluateCondition(const std::string& expression, int32_t& result, std::vector<CTevValueRef>& refs);

// Evaluates again when values changed: only the references that `refs`
// already holds are used; a name without one fails.
bool ReevaluateCondition(const std::string& expression, int32_t& result, std::vector<CTevValueRef>& refs);
