// The settings file c.z in the work folder (ephemeris, NNH and a run
// counter), the reset that precedes every file run, and the scratch files
// of the exchange with an outside tool.
//
// c.z is one line: the marker byte 255, the counter, epochT0, period, Q and
// NNH separated by single blanks. Older files hold only the first four.
#pragma once

#include <string>
#include <string_view>

namespace teril {

class Engine;

// Text shown with the settings-marker error.
inline constexpr const char* kAuthorContact = "the TERIL maintainers (see the README)";

std::string SettingsPath(const Engine& engine);

// The values of one settings line.
struct SettingsValues {
  long long counter = 0;
  double epochT0 = 0, period = 1, Q = 0;
  int NNH = 8;
};

// Counters beyond this are held there.
inline constexpr long long kMaxSettingsCounter = 1000000000000000LL;

// Reads the text of a settings file into `values`: the counter (0 when
// absent, held within +-kMaxSettingsCounter), epochT0 and period when
// present (otherwise `values` keeps them), Q (0 when absent) and NNH (8
// when absent, clamped to 1..500). A period of 0, or one whose reciprocal
// overflows, becomes 1.0. Returns false when the first byte is not the
// marker 255.
bool ParseSettingsText(std::string_view text, SettingsValues& values);

// The settings line for `values`: marker, counter, epochT0, period and Q
// in the shortest form that reads back exactly, NNH; single blanks.
std::string SettingsText(const SettingsValues& values);

// Makes sure the work folder holds a settings file: creates the folder when
// it is missing and a valid c.z (counter 0, T0 0, P 1, Q 0, NNH 8) when the
// folder has none, so that an ephemeris typed in is kept. An existing c.z
// is left as it is. Returns why the file could not be made (empty when it
// is there).
std::string EnsureWorkFolder(const std::string& folder);

// Reads c.z and rewrites it with the counter raised by one. A missing file
// is ignored, one that cannot be read or rewritten is named in the log; a
// wrong marker shows a message box and ends the program with exit code 3
// (throws ProgramExit{3}).
void ReadSettings(Engine& engine);

// Rewrites c.z with the current ephemeris and NNH, keeping the counter.
void WriteSettings(Engine& engine);

// Values every file run starts from. `fromOpen`: the Open command rather
// than Re-open; both start alike, and both keep the check marks of the menu
// (inverse x among them).
void ResetEngine(Engine& engine, bool fromOpen);

// The "Q B" exchange: writes t of every point to qvx/tmp.qvx under the work
// folder and reads n values back from tmp.qvx in the work folder into t.
// Returns false (with a log line) when the second file holds fewer values.
bool ExchangeScratchFiles(Engine& engine);

}  // namespace teril
