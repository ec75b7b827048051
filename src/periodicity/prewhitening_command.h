// The commands of the multi-frequency analysis: the automatic prewhitening,
// its steps one at a time, the residuals as data and the spectral window.
// Each takes the visible points firstVisible..lastVisible with tMin <= t <=
// tMax (weights 1/s^2 when the s column is loaded) and refuses, with the
// reason in the log and a message box and nothing changed, phase mode,
// values that are not finite, errors that give no weight, too few points
// for the parameters (3 n + 1 for n frequencies, and one point more) and a
// grid of more than kMaxSpectrumFrequencies frequencies.
#pragma once

#include "engine/fwd.h"

namespace teril {

// "Prewhitening...": the dialog "Prewhitening" (lowest and highest
// frequency, oversampling, frequencies at most, stop at S/N, noise box;
// the answers of the last run of this file offered again), then the
// automatic loop (Prewhiten) from an empty list, with progress and Stop.
// The list that it ends with becomes the engine's list: its log lines,
// "<stem>_frequencies.dat" and "<stem>_prewhitening.dat", and the model
// curve over the light curve. A stop keeps the list of the last finished
// step; a stop before the first step changes nothing.
void RunPrewhiteningCommand(Engine& engine);

// "Add highest peak": one step on the engine's list (the dialog first when
// this file has no options yet). A stop leaves the list as it was.
void RunAddHighestPeakCommand(Engine& engine);

// "Fit all": the simultaneous fit of every frequency of the list again.
void RunFitAllCommand(Engine& engine);

// "Remove frequency": asks its number (dialog "RemoveFrequency", the last
// one offered) and fits the others again.
void RunRemoveFrequencyCommand(Engine& engine);

// "Residuals as data": unsaved edits offered for saving first, the data
// set becomes the visible points with x := x - model of the list (t, s and
// observers kept); the list then starts afresh, since its frequencies are
// gone from the data.
void RunPrewhiteningResidualsCommand(Engine& engine);

// "Spectral window...": the dialog "Spectral window" (lowest and highest
// frequency, oversampling), the window of the visible times (SpectralWindow)
// with progress and Stop, the file "<stem>_window.dat" and its log. The
// data set is not changed; a stop leaves no file.
void RunSpectralWindowCommand(Engine& engine);

}  // namespace teril
