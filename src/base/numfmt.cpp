#include "base/numfmt.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <system_error>

namespace teril {
namespace {

std::string PadLeft(std::string s, int width) {
  if (width > 0 && static_cast<int>(s.size()) < width) s.insert(0, width - s.size(), ' ');
  return s;
}

std::string NonFinite(double v) {
  if (std::isnan(v)) return "NaN";
  return v > 0 ? "+Inf" : "-Inf";
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

}  // namespace

std::string Str(double v, int width, int decimals) {
  if (!std::isfinite(v)) return PadLeft(NonFinite(v), width);
  if (decimals < 0) decimals = 0;
  if (decimals > 30) decimals = 30;
  char buf[400];
  auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
  std::string s(buf, r.ptr);
  return PadLeft(std::move(s), width);
}

std::string Joined(double v, int width, int decimals) {
  std::string s = Str(v, width, decimals);
  if (s.empty() || s.front() != ' ') s.insert(0, " ");
  return s;
}

std::string Str(long long i, int width) {
  char buf[32];
  auto r = std::to_chars(buf, buf + sizeof buf, i);
  return PadLeft(std::string(buf, r.ptr), width);
}

std::string Sci23(double v) {
  if (!std::isfinite(v)) return PadLeft(NonFinite(v), 23);
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, std::fabs(v), std::chars_format::scientific, 14);
  std::string m(buf, r.ptr);  // d.dddddddddddddde+XX
  auto e = m.find('e');
  std::string mant = m.substr(0, e);
  int exponent = std::atoi(m.c_str() + e + 1);
  std::string out;
  out += (std::signbit(v) && v != 0) ? '-' : ' ';
  out += mant;
  out += 'E';
  out += exponent < 0 ? '-' : '+';
  std::string digits = Str(static_cast<long long>(std::abs(exponent)), 0);
  out += std::string(4 - std::min<std::size_t>(4, digits.size()), '0') + digits;
  return out;
}

std::string General(double v) {
  if (!std::isfinite(v)) return NonFinite(v);
  if (v == 0) return "0";
  // Round to 15 significant digits first, then decide the notation from the
  // rounded exponent so that 999999999999999.9 becomes "1E15".
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, 14);
  std::string m(buf, r.ptr);
  auto e = m.find('e');
  int exponent = std::atoi(m.c_str() + e + 1);
  std::string mant = m.substr(0, e);
  bool negative = mant[0] == '-';
  if (negative) mant.erase(0, 1);
  std::string digits;  // 15 significant digits without the point
  for (char c : mant)
    if (c != '.') digits += c;
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  std::string out = negative ? "-" : "";
  if (std::fabs(v) >= 1e-5 && exponent < 15) {
    if (exponent >= 0) {
      if (static_cast<int>(digits.size()) <= exponent + 1) {
        out += digits + std::string(exponent + 1 - digits.size(), '0');
      } else {
        out += digits.substr(0, exponent + 1) + "." + digits.substr(exponent + 1);
      }
    } else {
      out += "0." + std::string(-exponent - 1, '0') + digits;
    }
  } else {
    out += digits.substr(0, 1);
    if (digits.size() > 1) out += "." + digits.substr(1);
    out += "E" + Str(static_cast<long long>(exponent), 0);
  }
  return out;
}

std::string RoundTrip(double v) {
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

std::optional<double> ParseLeadingNumber(std::string_view text, std::size_t& used) {
  std::size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  std::size_t start = i;
  if (i < text.size() && text[i] == '+') ++i;  // from_chars refuses a leading plus
  if (i < text.size() && text[i] == '+') return std::nullopt;
  // Only plain decimal syntax: digits, point, exponent (no inf, nan, hex).
  std::size_t k = i;
  if (k < text.size() && text[k] == '-') {
    if (i != start) return std::nullopt;
    ++k;
  }
  bool digit = false;
  while (k < text.size() && std::isdigit(static_cast<unsigned char>(text[k]))) ++k, digit = true;
  if (k < text.size() && text[k] == '.') {
    ++k;
    while (k < text.size() && std::isdigit(static_cast<unsigned char>(text[k]))) ++k, digit = true;
  }
  if (!digit) return std::nullopt;
  if (k < text.size() && (text[k] == 'e' || text[k] == 'E')) {
    std::size_t q = k + 1;
    if (q < text.size() && (text[q] == '+' || text[q] == '-')) ++q;
    if (q < text.size() && std::isdigit(static_cast<unsigned char>(text[q]))) {
      while (q < text.size() && std::isdigit(static_cast<unsigned char>(text[q]))) ++q;
      k = q;
    }
  }
  double value = 0;
  auto r = std::from_chars(text.data() + i, text.data() + k, value);
  if (r.ec == std::errc::result_out_of_range) {
    // Tiny values underflow to zero; huge ones are refused.
    std::string_view tok = text.substr(i, k - i);
    auto epos = tok.find_first_of("eE");
    if (epos != std::string_view::npos && tok.find('-', epos) != std::string_view::npos)
      value = 0;
    else
      return std::nullopt;
  } else if (r.ec != std::errc() || r.ptr != text.data() + k) {
    return std::nullopt;
  }
  if (!std::isfinite(value)) return std::nullopt;
  used = k;
  return value;
}

std::optional<double> ParseNumber(std::string_view text) {
  text = Trim(text);
  std::size_t used = 0;
  auto v = ParseLeadingNumber(text, used);
  if (!v || used != text.size()) return std::nullopt;
  return v;
}

std::optional<long long> ParseInteger(std::string_view text) {
  text = Trim(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  long long value = 0;
  auto r = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || r.ec != std::errc() || r.ptr != text.data() + text.size())
    return std::nullopt;
  return value;
}

}  // namespace teril
