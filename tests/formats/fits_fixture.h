// Light-curve FITS files written through CFITSIO for the tests: a primary
// header and a BINTABLE in HDU 1 laid out as the missions write them.
#pragma once

#include <fitsio.h>

#include <cmath>
#include <string>
#include <vector>

namespace teril::testing {

struct FitsRow {
  double time;
  float flux;
  float error;
  int quality;
};

struct FitsLayout {
  std::string telescope = "TESS";
  std::string mission;  // MISSION keyword when not empty
  bool withTime = true;
  bool withPdcsap = true;
  bool withBjdref = true;
  long bjdrefi = 2457000;
  double bjdreff = 0.0;
  std::vector<FitsRow> rows;
};

// Writes the file; returns the CFITSIO status (0 when all went well).
inline int WriteLightCurveFits(const std::string& path, const FitsLayout& layout) {
  int status = 0;
  fitsfile* f = nullptr;
  std::string name = "!" + path;  // "!" replaces an existing file
  fits_create_file(&f, name.c_str(), &status);
  fits_create_img(f, BYTE_IMG, 0, nullptr, &status);
  fits_update_key(f, TSTRING, "TELESCOP", const_cast<char*>(layout.telescope.c_str()), nullptr,
                  &status);
  if (!layout.mission.empty())
    fits_update_key(f, TSTRING, "MISSION", const_cast<char*>(layout.mission.c_str()), nullptr,
                    &status);
  double ra = 123.5, dec = -45.25;
  fits_update_key(f, TDOUBLE, "RA_OBJ", &ra, "[deg]", &status);
  fits_update_key(f, TDOUBLE, "DEC_OBJ", &dec, "[deg]", &status);

  std::vector<std::string> names, forms;
  if (layout.withTime) names.push_back("TIME"), forms.push_back("D");
  if (layout.withPdcsap) {
    names.push_back("PDCSAP_FLUX"), forms.push_back("E");
    names.push_back("PDCSAP_FLUX_ERR"), forms.push_back("E");
  }
  names.push_back("SAP_FLUX"), forms.push_back("E");
  names.push_back("QUALITY"), forms.push_back("J");
  std::vector<char*> n, t;
  for (auto& s : names) n.push_back(s.data());
  for (auto& s : forms) t.push_back(s.data());
  fits_create_tbl(f, BINARY_TBL, 0, static_cast<int>(n.size()), n.data(), t.data(), nullptr,
                  "LIGHTCURVE", &status);
  if (layout.withBjdref) {
    long i = layout.bjdrefi;
    double r = layout.bjdreff;
    fits_update_key(f, TLONG, "BJDREFI", &i, nullptr, &status);
    fits_update_key(f, TDOUBLE, "BJDREFF", &r, nullptr, &status);
  }
  fits_update_key(f, TSTRING, "TIMESYS", const_cast<char*>("TDB"), nullptr, &status);
  fits_update_key(f, TSTRING, "TIMEREF", const_cast<char*>("SOLARSYSTEM"), nullptr, &status);

  const long n_rows = static_cast<long>(layout.rows.size());
  std::vector<double> time;
  std::vector<float> flux, error, sap;
  std::vector<int> quality;
  for (const auto& r : layout.rows) {
    time.push_back(r.time);
    flux.push_back(r.flux);
    error.push_back(r.error);
    sap.push_back(r.flux * 2);
    quality.push_back(r.quality);
  }
  int col = 1;
  if (n_rows > 0) {
    if (layout.withTime) fits_write_col(f, TDOUBLE, col++, 1, 1, n_rows, time.data(), &status);
    if (layout.withPdcsap) {
      fits_write_col(f, TFLOAT, col++, 1, 1, n_rows, flux.data(), &status);
      fits_write_col(f, TFLOAT, col++, 1, 1, n_rows, error.data(), &status);
    }
    fits_write_col(f, TFLOAT, col++, 1, 1, n_rows, sap.data(), &status);
    fits_write_col(f, TINT, col++, 1, 1, n_rows, quality.data(), &status);
  }
  fits_close_file(f, &status);
  return status;
}

// An image alone, or an image followed by an IMAGE extension.
inline int WriteImageFits(const std::string& path, bool imageExtension) {
  int status = 0;
  fitsfile* f = nullptr;
  std::string name = "!" + path;
  fits_create_file(&f, name.c_str(), &status);
  long axes[2] = {4, 3};
  fits_create_img(f, SHORT_IMG, 2, axes, &status);
  short pixels[12] = {};
  fits_write_img(f, TSHORT, 1, 12, pixels, &status);
  if (imageExtension) fits_create_img(f, SHORT_IMG, 2, axes, &status);
  if (imageExtension) fits_write_img(f, TSHORT, 1, 12, pixels, &status);
  fits_close_file(f, &status);
  return status;
}

}  // namespace teril::testing
