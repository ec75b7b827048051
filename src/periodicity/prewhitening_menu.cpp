// Menu items of the multi-frequency analysis (their place in the Periodogram
// menu, after "Periodogram...", is in the menu table).
#include "engine/named_command.h"
#include "periodicity/prewhitening_command.h"

namespace teril {
namespace {

// Commands that fit and redraw must not run under another command's own
// question.
std::function<void(Engine&)> WhenFree(void (*run)(Engine&)) {
  return [run](Engine& e) {
    if (FreeOfOtherCommands(e)) run(e);
  };
}

}  // namespace

std::vector<NamedCommand> PrewhiteningCommands() {
  return {
      NamedCommand{.name = "Prewhitening1",
                   .menu = "Periodogram",
                   .caption = "Prewhitening...",
                   .handler = WhenFree(RunPrewhiteningCommand)},
      NamedCommand{.name = "AddHighestPeak1",
                   .menu = "Periodogram",
                   .caption = "Add highest peak",
                   .handler = WhenFree(RunAddHighestPeakCommand)},
      NamedCommand{.name = "FitAll1",
                   .menu = "Periodogram",
                   .caption = "Fit all",
                   .handler = WhenFree(RunFitAllCommand)},
      NamedCommand{.name = "RemoveFrequency1",
                   .menu = "Periodogram",
                   .caption = "Remove frequency",
                   .handler = WhenFree(RunRemoveFrequencyCommand)},
      // Replaces the data set: only while the engine waits for a key.
      NamedCommand{.name = "PrewhiteningResiduals1",
                   .menu = "Periodogram",
                   .caption = "Residuals as data",
                   .handler = WhenWaiting(RunPrewhiteningResidualsCommand)},
      NamedCommand{.name = "SpectralWindow1",
                   .menu = "Periodogram",
                   .caption = "Spectral window...",
                   .handler = WhenFree(RunSpectralWindowCommand)},
  };
}

}  // namespace teril
