// The engine: one object that owns all engine state, grouped by subsystem,
// and the ports through which it meets the world. Every test builds a
// fresh one.
#pragma once

#include <string>
#include <vector>

#include "console/console.h"
#include "console/console_host.h"
#include "console/dialogs.h"
#include "data/data_set.h"
#include "data/history.h"
#include "data/linear_transform_state.h"
#include "engine/fwd.h"
#include "engine/menu_checks.h"
#include "extrema/approx_output_state.h"
#include "extrema/approx_state.h"
#include "extrema/batch_state.h"
#include "extrema/classical_state.h"
#include "lsq/lsq_state.h"
#include "periodicity/blazhko_state.h"
#include "periodicity/bootstrap_state.h"
#include "periodicity/ephemeris.h"
#include "periodicity/fourier_state.h"
#include "periodicity/prewhitening_state.h"
#include "periodicity/trial_frequencies.h"
#include "plot/canvas.h"
#include "plot/view_state.h"
#include "smoothing/correlation_state.h"
#include "smoothing/mean_state.h"
#include "smoothing/running_parabola_state.h"
#include "timescales/time_system_state.h"

namespace teril {

// The six transformation flags of the argument and the signal.
struct TransformFlags {
  bool lgT = false, powT = false, lgX = false, powX = false;
  bool intensityToMagnitude = false, magnitudeToIntensity = false;
  void Clear() { *this = TransformFlags(); }
};

// What ends the file run when the key loop quits.
enum class RunAction {
  None = 0,          // nothing asked yet
  Quit = 4,          // end the run
  Restart = 7,       // reload the same file from the settings on
  ReloadColumn = 8,  // reload the data with a new x column
};

// State of one file run and the read settings kept across its reloads.
struct FileRunState {
  std::vector<std::string> args;  // command-line parameters after the program name
  int paramCount = 0;             // how many of them still count
  std::string inputFile, outputFile, marksFile;
  std::string lastOpenedPath;
  RunAction runAction = RunAction::None;
  bool modified = false;
  int columnX = 1, columnS = 0, headerLines = 0;
  bool echoPoints = false;        // third parameter "-": echo loaded points
  std::string workFolder;         // holds c.z and the scratch files
  TransformFlags flags;
  bool deferRescale = false;
  int countAtLoad = 0;            // n after loading (lag diagram)
  int tDecimalsAtLoad = 5, xDecimalsAtLoad = 5;  // print decimals of t and x as loaded
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
  TrialFrequencies trial;       // trial frequencies of the file "!"
  LinearTransformState line;    // linear transformation of the signal
  RunningParabolaState runningParabola;  // running parabola: the window width
  PrewhiteningState prewhitening;        // frequency list of the multi-frequency analysis
  TimeSystemState timeSystem;  // system of t, the time-system dialog per file
  DataHistory history;         // undo and redo of the edits of the data set

  // Called when a file run starts: each subsystem's state starts afresh
  // where a new file needs it.
  void StartFile();

  MenuChecks checks;  // check marks of the menu items

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
