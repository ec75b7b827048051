// Bootstrap samples for error studies: the visible points and 1,999
// resamples of them (drawn with replacement, each as large as the set) in
// one data file, and beside it an intervals file that names each sample as
// one interval, so that the batch over intervals fits every sample.
#pragma once

#include <cstdint>
#include <string>

#include "data/data_set.h"

namespace teril {

class Engine;

constexpr int kBootstrapSamples = 2000;
// Most visible points of a bootstrap: 2,000 samples of 10,000 points are
// 20 million lines, some 500 MB of text.
constexpr int kMaxBootstrapPoints = 10000;

inline constexpr const char* kBootstrapFile = "BootStrap.dat";

// The generator s <- (134775813 s + 1) mod 2^32; returns the new s times
// 2^-32, a number in [0, 1).
double NextUniform(std::uint32_t& state);

struct BootstrapText {
  std::string data;       // 2,000 blocks of n_b lines "t x"
  std::string intervals;  // 2,000 lines "start t_first end t_last"
};

// The text of the two files for the points first..last of `data`
// (n_b = last - first + 1 >= 1), drawing from `state`. Block 1 is the
// points in index order; each later block sets the n_b counts to 0, draws
// n_b times k = trunc(u n_b) + 1 and adds one to count k, then writes each
// point in index order as many times as its count. A line is t (tWidth,
// tDecimals), a blank, x (xWidth, xDecimals). Interval line r (1..2000):
// (r - 1) n_b + 1, t[first], r n_b, t[last] (integers without padding,
// times in the 23-character scientific form, single blanks between).
BootstrapText MakeBootstrap(const DataSet& data, int first, int last, std::uint32_t& state);

// "Generate Bootstrap": writes `fileName` and `fileName` + "!" (both created
// afresh) from firstVisible..lastVisible and advances the engine's
// generator. With no visible point or more than kMaxBootstrapPoints it logs
// why and writes nothing. Throws IoError when a file cannot be written.
void WriteBootstrap(Engine& engine, const std::string& fileName);

}  // namespace teril
