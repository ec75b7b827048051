#include "periodicity/bootstrap.h"

#include <algorithm>
#include <vector>

#include "base/io.h"
#include "base/numfmt.h"
#include "engine/engine.h"

namespace teril {

double NextUniform(std::uint32_t& state) {
  state = 134775813u * state + 1u;  // unsigned arithmetic wraps modulo 2^32
  return static_cast<double>(state) / 4294967296.0;
}

BootstrapText MakeBootstrap(const DataSet& d, int first, int last, std::uint32_t& state) {
  const int nb = last - first + 1;
  BootstrapText out;
  // Each point's line is formatted once; the resamples repeat the texts.
  std::vector<std::string> lines(static_cast<std::size_t>(nb) + 1);
  std::size_t blockSize = 0;
  for (int i = 1; i <= nb; ++i) {
    const int p = first + i - 1;
    lines[i] = Str(d.t[p], d.tWidth, d.tDecimals) + " " + Str(d.x[p], d.xWidth, d.xDecimals) + "\n";
    blockSize += lines[i].size();
  }
  // A resample is as long as the longest line times n_b at most.
  std::size_t longest = 0;
  for (int i = 1; i <= nb; ++i) longest = std::max(longest, lines[i].size());
  out.data.reserve(blockSize + static_cast<std::size_t>(kBootstrapSamples - 1) * longest * nb);
  for (int i = 1; i <= nb; ++i) out.data += lines[i];

  std::vector<int> counts(static_cast<std::size_t>(nb) + 1);
  for (int r = 2; r <= kBootstrapSamples; ++r) {
    std::fill(counts.begin(), counts.end(), 0);
    for (int draw = 0; draw < nb; ++draw) {
      int k = static_cast<int>(NextUniform(state) * nb) + 1;
      ++counts[std::min(k, nb)];
    }
    for (int i = 1; i <= nb; ++i)
      for (int c = 0; c < counts[i]; ++c) out.data += lines[i];
  }

  const std::string tFirst = Sci23(d.t[first]), tLast = Sci23(d.t[last]);
  for (long long r = 1; r <= kBootstrapSamples; ++r) {
    out.intervals += Str((r - 1) * nb + 1) + " " + tFirst + " " + Str(r * nb) + " " + tLast + "\n";
  }
  return out;
}

void WriteBootstrap(Engine& e, const std::string& fileName) {
  const ViewState& v = e.view;
  const int first = std::max(v.firstVisible, 1);
  const int last = std::min(v.lastVisible, e.data.n);
  const int nb = last - first + 1;
  if (v.firstVisible < 1 || nb < 1) {
    e.LogLine("Generate Bootstrap: no point is visible; nothing is written");
    return;
  }
  if (nb > kMaxBootstrapPoints) {
    e.LogLine("Generate Bootstrap: " + Str(static_cast<long long>(nb)) +
              " visible points would make " + Str(static_cast<long long>(nb) * kBootstrapSamples) +
              " lines; at most " + Str(static_cast<long long>(kMaxBootstrapPoints)) +
              " points; nothing is written");
    return;
  }
  std::uint32_t state = e.bootstrap.seed;
  BootstrapText text = MakeBootstrap(e.data, first, last, state);
  WriteFileAtomic(fileName, text.data);
  WriteFileAtomic(fileName + "!", text.intervals);
  e.console.FileWritten(fileName);
  e.console.FileWritten(fileName + "!");
  e.bootstrap.seed = state;
  const long long lines = static_cast<long long>(nb) * kBootstrapSamples;
  e.LogLine("LOG>>Bootstrap: " + Str(static_cast<long long>(kBootstrapSamples)) + " samples of " +
            Str(static_cast<long long>(nb)) + " points in " + fileName + ", intervals in " +
            fileName + "!");
  if (lines > MaxPoints)
    e.LogLine(fileName + " holds " + Str(lines) + " lines; only the first " +
              Str(static_cast<long long>(MaxPoints)) + " can be loaded");
}

}  // namespace teril
