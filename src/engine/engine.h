// The engine: one object that owns all engine state, grouped by subsystem,
// and the ports through which it meets the world. Every test builds a
// fresh one.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "console/console.h"
#include "console/console_host.h"
#include "console/dialogs.h"
#include "data/data_set.h"
#include "engine/fwd.h"
#include "extrema/approx_output_state.h"
#include "extrema/approx_state.h"
#include "extrema/batch_state.h"
#include "extrema/classical_state.h"
#include "lsq/lsq_state.h"
#include "periodicity/blazhko_state.h"
#include "periodicity/bootstrap_state.h"
#include "periodicity/ephemeris.h"
#include "periodicity/fourier_state.h"
#include "plot/canvas.h"
#include "plot/view_state.h"
#include "smoothing/correlation_state.h"
#include "smoothing/mean_state.h"

namespace teril {

// The six transformation flags of the argument and the signal.
struct TransformFlags {
  bool lgT = false, powT = false, lgX = false, powX = false;
  bool intensityToMagnitude = false, magnitudeToIntensity = false;
  void Clear() { *this = TransformFlags(); }
};

// State of one file run and the read settings kept across its reloads.
struct FileRunState {
  std::vector<std::string> args;  // command-line parameters after the program name
  int paramCount = 0;             // how many of them still count
  std::string inputFile, outputFile, marksFile;
  std::string lastOpenedPath;
  int runAction = 0;              // 0 none, 4 quit, 7 reload, 8 reload with new x column
  bool modified = false;
  int columnX = 1, columnS = 0, headerLines = 0;
  bool echoPoints = false;        // third parameter "-": echo loaded points
  std::string workFolder;         // holds c.z and the scratch files
  TransformFlags flags;
  bool deferRescale = false;
  double lineCoefA = 0, lineCoefB = 1, lineCoefC = 0;
  bool lineApplied = false;
  std::vector<double> frequencyList;
  int frequencyIndex = 0;
  int countAtLoad = 0;            // n after loading (lag diagram)
  int tDecimalsAtLoad = 5, xDecimalsAtLoad = 5;  // print decimals of t and x as loaded
  double rpDeltaT = 50;
  bool correlationFollowUp = false;
  double lastParabolaPeriod = 0;  // period found by the last three-point parabola (0: none)
  // Previous print format of x kept by the magnitude/intensity toggles.
  int savedXWidth = 0, savedXDecimals = 0;
  // References used when "M" / "I" were switched on, so that switching off
  // inverts exactly what was applied even after a rescale moved m0Ref/x0Ref.
  double magnitudeRefUsed = 0, intensityRefUsed = 1;
  // A file chosen by Open or Re-open while a file run waited for a key: the
  // run is closed and this file opened once RunDataFile has returned.
  bool openPending = false, reopenPending = false;
  std::string pendingPath;
  bool inFileRun = false;  // set by OpenDataFile while RunDataFile runs
};

struct EngineOptions {
  std::string workFolder;  // empty: from the environment (see WorkFolderFromEnvironment)
};

class Engine {
 public:
  Engine(ConsoleHost& host, Dialogs& dialogs, EngineOptions options = {});
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;

  ConsoleHost& host;
  Dialogs& dialogs;
  Console console;
  Canvas* canvas = nullptr;     // the plot bitmap, attached when a file is opened
  Canvas* mapCanvas = nullptr;  // the 209 x 209 residual map

  DataSet data;
  FileRunState run;
  Ephemeris eph;
  ViewState view;
  LsqState lsq;         // least squares: normal matrix, Coef, u, y, r, model parameters
  ApproxState approx;   // approximation engine: results, residual map
  ApproxOutputState approxOut;  // result output of the approximation commands
  BlazhkoState blazhko;         // two-frequency fit: dialog answers and results
  MeanState means;      // bin table of the bin mean, t decimals at load
  ClassicalState classical;     // three-point parabola: sigma_0
  CorrelationState correlation;  // correlation and regression of the visible points
  BatchState batch;             // intervals file, choice of methods, batch run
  BootstrapState bootstrap;     // generator of the bootstrap samples
  FourierState fourier;         // trigonometric polynomial: the suggested degree

  // Check marks of the menu items, by item name ("Inversex1", ...).
  std::map<std::string, bool> checks;
  bool Checked(const std::string& name) const {
    auto it = checks.find(name);
    return it != checks.end() && it->second;
  }

  template <typename T>
  void LogLine(const T& value) {
    console.LogLine(value);
  }

  EngineOptions options;
};

// The work folder from the environment: $TERIL_HOME, else
// $XDG_CONFIG_HOME/teril, else ~/.config/teril.
std::string WorkFolderFromEnvironment();

}  // namespace teril
