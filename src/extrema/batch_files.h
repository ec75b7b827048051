// The four result files of the comparison of methods: "allmethod_extr.dat"
// (one line per method and interval), "<stem>_result.dat" (the accepted
// best result of each interval), "<stem>_bad.da!" (intervals whose result
// was not accepted, in the form of an intervals file) and "extr+coef.dat"
// (the best result of each interval with its coefficients). Each file is
// appended to and gets its header line only when it is created. Reals are
// written in the 23-character scientific form (Sci23), integers without
// padding.
#pragma once

#include <string>

namespace teril {

// Header of "allmethod_extr.dat"; its sigma0 column is " sigma0 " when the
// file is created by a method other than the two polynomials.
std::string AllMethodHeader(bool otherMethod);
std::string ResultHeader();
std::string BadHeader();
// The header of "extr+coef.dat"; "с8" and "с9" begin with the single byte
// 241 (the Cyrillic es of code page 1251).
std::string ExtrCoefHeader();

// "<stem of inputFile>_result.dat" in the current folder.
std::string ResultFileName(const std::string& inputFile);
// "<intervalsFile up to the first "." of its file name>_bad.da!", in the
// intervals file's folder; from `inputFile` when the intervals file's name
// has no ".".
std::string BadFileName(const std::string& intervalsFile, const std::string& inputFile);

inline constexpr const char* kAllMethodFile = "allmethod_extr.dat";
inline constexpr const char* kExtrCoefFile = "extr+coef.dat";

// What the lines of one interval report.
struct BatchResult {
  int first = 0, last = 0;  // firstVisible, lastVisible
  double tMin = 0, tMax = 0;
  double sigma0 = 0, T = 0, sigmaT = 0, M = 0, sigmaM = 0;
  std::string method;              // the method's result name ("wsp", ...)
  int m = 0;                       // linear coefficients
  int count = 0;                   // the coefficient-count column (n - m, or n for the polynomials)
  bool minimum = false;            // M at least the mean signal of the interval
  bool curvaturePositive = false;  // CurvatureSign > 0
  double coef[10] = {}, coefSigma[10] = {};  // c1..c9 and their errors
};

// T, sigma T, M, sigma M, sigma0, m, count, the data file, first, last, the
// method, then " max " when the curvature is positive, else " min ".
std::string AllMethodLine(const BatchResult& r, const std::string& inputFile);
// first, last, tMin, tMax, sigma0, T, sigma T, M, sigma M, method, m,
// count, each followed by a blank, then "min " or "max ".
std::string ResultLine(const BatchResult& r);
// first, tMin, last, tMax, method, separated by single blanks.
std::string BadLine(const BatchResult& r);
// first, last, sigma0, T, sigma T, M, sigma M, method, m, count, each
// followed by a blank, a second blank, c1, sigma c1, ..., c9, sigma c9
// separated by blanks, then "  max" when M is below the mean, else "  min".
std::string ExtrCoefLine(const BatchResult& r);

// Appends `line` and a line end to `path`, after `header` when the file is
// created. Throws IoError when the file cannot be written.
void AppendResultLine(const std::string& path, const std::string& header, const std::string& line);

}  // namespace teril
