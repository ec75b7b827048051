// The one series of observations in memory: parallel 1-based arrays
// (index 0 unused), allocated once at their capacity and reused by every
// file run.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace teril {

constexpr int MaxPoints = 1220100;
// A few spare slots beyond MaxPoints, so that formulas reading i + 1 .. i + 3
// next to the last point stay inside the arrays.
constexpr int kSpareSlots = 8;

// Observer code of at most 3 characters, taken as it stands (blanks
// included); empty when the line has none.
struct ObserverCode {
  std::array<char, 3> c{};
  std::uint8_t len = 0;

  ObserverCode() = default;
  explicit ObserverCode(std::string_view text) {
    len = static_cast<std::uint8_t>(text.size() < 3 ? text.size() : 3);
    for (int i = 0; i < len; ++i) c[i] = text[i];
  }
  std::string_view view() const { return {c.data(), len}; }
  std::string str() const { return std::string(view()); }
  friend bool operator==(const ObserverCode& a, const ObserverCode& b) {
    return a.view() == b.view();
  }
};

struct DataSet {
  DataSet()
      : t(MaxPoints + kSpareSlots, 0.0),
        x(MaxPoints + kSpareSlots, 0.0),
        s(MaxPoints + kSpareSlots, 1.0),
        t0(MaxPoints + kSpareSlots, 0.0),
        observer(MaxPoints + kSpareSlots) {}

  std::vector<double> t;   // argument: time as read, or transformed, or phase
  std::vector<double> x;   // signal
  std::vector<double> s;   // weight/error column, 1.0 when none is loaded
  std::vector<double> t0;  // argument as loaded
  std::vector<ObserverCode> observer;
  int n = 0;

  // Print format from the first data line.
  int tWidth = 11, tDecimals = 5, xWidth = 8, xDecimals = 5;

  // The header lines of the file as last loaded (ReadColumns::headerText).
  std::string headerText;

  bool phased = false;         // the t are not ascending (or hold phases)
  bool weightsLoaded = false;  // the s column has been read

  // A newly opened file: ascending times, no s column yet.
  void StartFile() {
    phased = false;
    weightsLoaded = false;
  }

  // Moves the whole point (t, x, s, t0, observer) from slot `from` to `to`.
  void CopyPoint(int from, int to) {
    t[to] = t[from];
    x[to] = x[from];
    s[to] = s[from];
    t0[to] = t0[from];
    observer[to] = observer[from];
  }
};

}  // namespace teril
