// Light curves of TESS, Kepler and K2 from their FITS files (through the
// FITS module): the BINTABLE of HDU 1 with TIME, PDCSAP_FLUX or SAP_FLUX and
// its _ERR column, and the QUALITY bits per cadence.
//
// Time: TIME is BJD - (BJDREFI + BJDREFF) in the scale of TIMESYS (TDB for
// all three missions); it is kept as it stands and the reference is
// written out, e.g. "time = BJD_TDB - 2457000" (BTJD) or
// "time = BJD_TDB - 2454833" (Kepler and K2). Text is plain ASCII.
//
// Quality masks. A cadence is dropped when QUALITY & mask != 0.
//  - "none": 0, every cadence kept.
//  - "hard": every bit: any flag at all drops the cadence.
//  - "default", from the bit tables of the mission documents: the events
//    during which the spacecraft did not point or measure as intended.
//    TESS (Tenenbaum & Jenkins 2018, TESS Science Data Products Description
//    Document, EXP-TESS-ARC-ICD-0014, table of the QUALITY bits): attitude
//    tweak 1, safe mode 2, coarse point 4, Earth point 8, Argabrightening 16,
//    reaction-wheel desaturation 32, manual exclude 128, bad calibration
//    16384; together 16575. Kepler (Thompson et al. 2016, Kepler Archive
//    Manual, KDMC-10008-006, Table 2-3): attitude tweak 1, safe mode 2,
//    coarse point 4, Earth point 8, desaturation 32, Argabrightening 64,
//    manual exclude 256, sudden sensitivity dropout 1024, detector anomaly
//    16384, no fine point 32768, no data 65536; together 116079. K2 (the same
//    table; Van Cleve et al. 2016, Kepler/K2 Handbook, KSCI-19116): the
//    Kepler mask and thruster firing 1048576; together 1164655.
//    Flags that mark corrected or merely noted events (cosmic rays
//    corrected, impulsive outliers, stray light, rolling band, possible
//    thruster firing) are kept by the default and dropped by "hard".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "formats/fits.h"
#include "formats/light_curve_table.h"

namespace teril {

enum class FluxColumn { Pdcsap, Sap };
enum class QualityMask { Default, Hard, None };

// The bits dropped by `mask` for `mission` ("TESS", "Kepler", "K2"; an
// unknown mission gets the TESS default, the hard and none masks are the
// same for all).
std::uint32_t QualityMaskBits(std::string_view mission, QualityMask mask);

// "default", "hard", "none" / "pdcsap", "sap".
const char* QualityMaskName(QualityMask mask);
const char* FluxColumnName(FluxColumn flux);

// The light curve of `fits`: time, flux (PDCSAP_FLUX, or SAP_FLUX when
// asked for or when the file has no PDCSAP_FLUX, noted), its error, the
// QUALITY bits, the mission (MISSION, else TELESCOP), TIMESYS, RA_OBJ and
// DEC_OBJ in degrees. Rows are kept whole, NaN included: the import drops
// and counts them. Throws FormatError naming the file when HDU 1 has no
// TIME column or no flux column.
LightCurveTable ReadLightCurve(const FitsTable& fits, FluxColumn flux);

}  // namespace teril
