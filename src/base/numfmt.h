// Number formatting and parsing for everything the program writes or reads.
//
// Every routine is independent of the process locale: Qt sets the C locale
// from the environment, and printf-style functions would then write decimal
// commas. These use std::to_chars / std::from_chars only.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace teril {

// Fixed notation with `decimals` digits after the point, right-aligned in
// `width` characters and widened when the number needs more room
// (Str(v:w:d)). Non-finite values are written as "NaN", "+Inf", "-Inf".
std::string Str(double v, int width, int decimals);

// Str(v, width, decimals) for a field that follows another on its line:
// a value that fills its width gets a blank in front, so that it cannot run
// into the field before it and be read back as part of it.
std::string Joined(double v, int width, int decimals);

// Integer right-aligned in `width` characters (Str(i:w)).
std::string Str(long long i, int width = 0);

// The 23-character scientific form: sign place (blank or "-"), one digit,
// point, 14 decimals, "E", exponent sign, four exponent digits,
// e.g. " 1.23450000000000E+0002".
std::string Sci23(double v);

// The shortest general form with at most 15 significant digits: fixed
// notation for 1e-5 <= |v| < 1e15, otherwise mantissa and exponent as in
// "1.5E-7" or "2E20". Used for log lines and message boxes.
std::string General(double v);

// Shortest text that reads back to exactly the same double ("round trip").
std::string RoundTrip(double v);

// Parses a whole string (leading and trailing blanks allowed) as a decimal
// number with "." as decimal point; an optional sign and exponent are
// accepted. Returns nothing for anything else, including inf and nan.
std::optional<double> ParseNumber(std::string_view text);

// Parses a whole string (blanks allowed around it) as an integer.
std::optional<long long> ParseInteger(std::string_view text);

// Parses a number at the start of `text` after skipping blanks; on success
// returns the value and sets `used` to the count of characters consumed
// (blanks included).
std::optional<double> ParseLeadingNumber(std::string_view text, std::size_t& used);

}  // namespace teril
