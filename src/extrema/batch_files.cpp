#include "extrema/batch_files.h"

#include "base/io.h"
#include "base/numfmt.h"
#include "extrema/approximation_command.h"

namespace teril {

namespace {

std::string Int(long long v) { return Str(v); }

}  // namespace

std::string AllMethodHeader(bool otherMethod) {
  return std::string("Extremum: time +-  mag +- ") + (otherMethod ? " sigma0 " : "sigma0 ") +
         " lin coef" + " nonlin coef" + " filename " + " point start  end " + "   method" +
         "  min or max";
}

std::string ResultHeader() {
  return "Point: start  end  Time: start  end   sigma0  Extremum: time +-  mag +-  method  "
         "lin_coef  nonlin_coef  max_or_min";
}

std::string BadHeader() { return "Num of start point   data   Num of end point   data   method"; }

std::string ExtrCoefHeader() {
  const std::string es = "\xF1";
  return "Point: start  end  sigma0  Extremum: time +-  mag +-  method  lin_coef  nonlin_coef   "
         "c1  +-  c2  +-  c3  +-  c4  +-  c5  +-  c6  +-  c7  +-  " +
         es + "8  +-  " + es + "9  +-  max_or_min";
}

std::string ResultFileName(const std::string& inputFile) {
  return ResultStem(inputFile) + "_result.dat";
}

std::string BadFileName(const std::string& intervalsFile, const std::string& inputFile) {
  // The first "." of the file name, not one of a folder that holds it.
  const std::string name = FileNamePart(intervalsFile);
  const auto dot = name.find('.');
  if (dot == std::string::npos) return ResultStem(inputFile) + "_bad.da!";
  const std::string folder = intervalsFile.substr(0, intervalsFile.size() - name.size());
  return folder + name.substr(0, dot) + "_bad.da!";
}

std::string AllMethodLine(const BatchResult& r, const std::string& inputFile) {
  return Sci23(r.T) + " " + Sci23(r.sigmaT) + " " + Sci23(r.M) + " " + Sci23(r.sigmaM) + " " +
         Sci23(r.sigma0) + " " + Int(r.m) + " " + Int(r.count) + " " + inputFile + " " +
         Int(r.first) + " " + Int(r.last) + " " + r.method +
         (r.curvaturePositive ? " max " : " min ");
}

std::string ResultLine(const BatchResult& r) {
  return Int(r.first) + " " + Int(r.last) + " " + Sci23(r.tMin) + " " + Sci23(r.tMax) + " " +
         Sci23(r.sigma0) + " " + Sci23(r.T) + " " + Sci23(r.sigmaT) + " " + Sci23(r.M) + " " +
         Sci23(r.sigmaM) + " " + r.method + " " + Int(r.m) + " " + Int(r.count) + " " +
         (r.minimum ? "min " : "max ");
}

std::string BadLine(const BatchResult& r) {
  return Int(r.first) + " " + Sci23(r.tMin) + " " + Int(r.last) + " " + Sci23(r.tMax) + " " +
         r.method;
}

std::string ExtrCoefLine(const BatchResult& r) {
  std::string line = Int(r.first) + " " + Int(r.last) + " " + Sci23(r.sigma0) + " " + Sci23(r.T) +
                     " " + Sci23(r.sigmaT) + " " + Sci23(r.M) + " " + Sci23(r.sigmaM) + " " +
                     r.method + " " + Int(r.m) + " " + Int(r.count) + " " + " ";
  for (int k = 1; k <= 9; ++k) {
    if (k > 1) line += " ";
    line += Sci23(r.coef[k]) + " " + Sci23(r.coefSigma[k]);
  }
  return line + (r.minimum ? "  min" : "  max");
}

void AppendResultLine(const std::string& path, const std::string& header, const std::string& line) {
  std::string text;
  if (!FileExists(path)) text = header + "\n";
  AppendToFile(path, text + line + "\n");
}

}  // namespace teril
