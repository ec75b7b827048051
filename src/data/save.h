// Saving the data set: the whole set to outputFile (key ~2) and the visible
// points to a file named after the visible range (key ~1). Both write
// through a temporary file renamed over the target, so a failed save leaves
// the previous file intact; a write error throws IoError.
#pragma once

#include <string>

#include "data/data_set.h"
#include "engine/fwd.h"

namespace teril {

// One saved line of point i, in the layout that depends on whether s is
// loaded and whether the set is phased:
//   s, phased:        t(w+2:d+2) x  s  t0 t+1(w+2:d+2) observer
//   s, not phased:    t x  s  observer
//   no s, phased:     t(w+2:d+2) x  t0 t+1(w+2:d+2) observer
//   no s, not phased: t x  observer
// (t and t0 in tWidth:tDecimals, x and s in xWidth:xDecimals unless noted).
// A field that fills its width is still preceded by a blank, so that the
// line reads back.
std::string SavedLine(const DataSet& data, int i);

// Key ~2: logs "LOG>>Saving file to <outputFile>", writes every point with
// SavedLine, logs "LOG>>Save complete!" and clears `modified`.
void SaveDataSet(Engine& engine);

// Name of the visible-points file: the file-name part of outputFile
// without its extension + "_" + first + "_" + last + ".dat".
std::string VisibleFileName(const std::string& outputFile, int firstVisible, int lastVisible);

// Key ~1: writes the points firstVisible..lastVisible with tMin <= t <= tMax
// (t x observer, or t x t0 observer when phased, followed by s and the
// observer again when s is loaded), logs
// ">>Save of visible complete! File=<name>" and clears `modified`.
// Returns the file name.
std::string SaveVisible(Engine& engine);

}  // namespace teril
