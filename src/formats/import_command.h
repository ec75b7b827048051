// Opening a downloaded light curve: when the file of a run is a survey
// table, an AAVSO file or a FITS light curve, the "Import" dialog asks what
// to take, the program's own data file is written beside the source, and
// the run goes on with that file.
#pragma once

#include <string>

#include "engine/fwd.h"

namespace teril {

struct ImportOutcome {
  bool failed = false;   // refused or cancelled: the run ends, nothing was written
  bool imported = false;  // dataFile was written from the source
  std::string dataFile;   // the file the run reads (its name in the data folder)
  // Columns of x and s of the data file; columnX 0 when the file does not
  // say (a plain data file: the run's own columns stand).
  int columnX = 0, columnS = 0;
};

// Looks at the file `name` (in the current folder). A plain data file
// comes back as it is (with the columns an imported data file names in
// its header lines); a foreign file is imported through the "Import"
// dialog. Messages name the file and, for text, the line and column.
ImportOutcome ImportIfForeign(Engine& engine, const std::string& name);

}  // namespace teril
