#pragma once

#include <QString>

// Evaluation of the calculator's arithmetic formulas: the four operations,
// parentheses, decimal points and "^" as power. Widget-free so that the grid
// commands and the tests can use it without a window.
namespace Formula {

// Malformed: not a formula of numbers and operators. Undefined: a division by
// zero or the like. OutOfRange: a number too large for an amount.
enum class Status { Ok, Malformed, Undefined, OutOfRange };

struct Outcome {
    Status status = Status::Malformed;
    double value = 0; // only meaningful with Status::Ok
};

// Largest magnitude accepted as an amount: beyond it the cents no longer fit in
// the 15 significant digits that the grid and the formula box show.
inline constexpr double MaxAmount = 1e13;
// Longest formula evaluated; the box holds 100 characters, callers may pass more.
inline constexpr int MaxLength = 200;

// Full-width digits and operators, "×", "÷" and thousands separators are
// accepted as typed; letters, functions and constants are not. The value is
// rounded to 15 significant digits, as it is shown.
Outcome evaluate(const QString& formula);

// The value as the shortest plain decimal text with at most 15 significant
// digits ("1320", "25", "0.00001"); never an exponent, so that the text can be
// evaluated again.
QString shortestText(double value);

} // namespace Formula
