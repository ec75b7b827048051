// A file run: the processing of one data file from its loading to the key
// that ends it.
#pragma once

#include <string>

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
// with the order check and the copy of t into t0. Returns false when the
// file cannot be opened. Throws DataFormatError for a malformed line.
bool LoadDataFile(Engine& engine);

// Reads the trial frequencies from the file "!" of the current folder (up
// to 50 numbers, one per line); logs "jp=" and the count when it exists.
void ReadFrequencyList(Engine& engine);

// Reads the s column (key K) from the data file.
void ReadSColumn(Engine& engine);

}  // namespace teril
