// A file run: the processing of one data file from its loading to the key
// that ends it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace teril {

class Engine;

// Runs a file run on `path` and returns when it ends. The caller has reset
// the engine (ResetEngine) and made the file's folder current.
void RunDataFile(Engine& engine, const std::string& path);

// Output and marks file names derived from the data file name:
// ab.dat -> ab$.dat / ab!.dat, data -> data.$ / data.!,
// star.dat -> star.da$ / star.da!.
void DeriveOutputNames(const std::string& inputFile, std::string& outputFile,
                       std::string& marksFile);

// Loads the data file `inputFile` of the current folder into the data set,
// with the order check and the copy of t into t0. The file is read line by
// line, never whole. Throws IoError when the file cannot be opened or read
// (missing, a folder, no permission) and DataFormatError for a malformed
// line.
void LoadDataFile(Engine& engine);

inline constexpr std::size_t kMaxTrialFrequencies = 50;

// The trial frequencies of a frequency file: the number at the start of
// each line, up to 50; lines without one are passed over. A value whose
// reciprocal overflows becomes 0 (an entry the stepping keys pass over).
std::vector<double> ParseFrequencyList(std::string_view text);

// Reads the trial frequencies from the file "!" of the current folder;
// logs "jp=" and the count when it exists. A "!" that cannot be read is
// named in the log and gives an empty list.
void ReadFrequencyList(Engine& engine);

// Reads the s column (key K) from the data file. Throws IoError when the
// file cannot be read.
void ReadSColumn(Engine& engine);

}  // namespace teril
