// The moment of symmetry of a light curve after Kwee and van Woerden: the
// visible points are resampled on an even grid, the "shiftgram" measures how
// far the curve differs from its mirror image about each grid point, and a
// parabola through the shiftgram's smallest value gives the moment.
#pragma once

#include <functional>
#include <string>

namespace teril {

class Engine;

// y[1..L] (y[0] unused): the signal of the points t[first..last],
// x[first..last] (strictly ascending t, last > first) linearly interpolated
// at L >= 2 even steps t_o = t_first + (t_last - t_first)(o - 1)/(L - 1).
// The segment h starts at first and moves on while t[h+1] < t_o and
// h + 1 < last, so t_o beyond t_last extrapolates the last segment.
void ResampleEvenly(const double* t, const double* x, int first, int last, int L, double* y);

// How the shiftgram sums run: on `threads` threads (0: all cores), and, when
// `progress` is set, in rounds of about `pairsPerRound` pairs with a call
// progress(done, total) (in pairs) on the calling thread after each round.
// A false answer stops the sums after that round.
struct ShiftgramOptions {
  int threads = 0;
  long long pairsPerRound = 50'000'000;
  std::function<bool(long long done, long long total)> progress;
};

// The direct sums of the shiftgram of y[1..L] (L >= 3): for i = 2..L-1,
// K = min(i - 1, L - i) and d_j = y[i+j] - y[i-j] (j = 1..K),
// S1[i] = sum d_j and S2[i] = sum d_j^2. S1, S2 hold L + 1 values; entries
// 0, 1 and L are set to 0. The sums of one i never depend on the number of
// threads. Returns false when stopped by the progress call (the sums are
// then incomplete).
bool ShiftgramSums(const double* y, int L, double* S1, double* S2,
                   const ShiftgramOptions& options = {});

// Number of pairs d_j the shiftgram of L values sums: sum over i of K.
long long ShiftgramPairs(int L);

// The moment from the shiftgram S[i] = S2[i]/K (i = 2..L-1) of L >= 5 grid
// values spaced `delta` from tFirst.
struct KweeMinimum {
  int k = 0;            // index of the smallest S in the search range
  double A = 0, B = 0;  // parabola S_k + B u + A u^2 through S_(k-1), S_k, S_(k+1)
  double v = 0;         // vertex offset -B/(2A) in grid steps (0 when A = 0)
  double tExtr = 0;     // tFirst + (k - 1 + v) delta
  double sigmaT = 0;    // delta sqrt(w), w = (4 A S_k - B^2) / (2 A^2 (L/4 - 1)); 0 when w <= 0
  double sMin = 0;      // S_k
  double sExtr = 0;     // sqrt(S_k - A v^2), 0 unless positive
};

// Searches i = q + 1 .. L - q, q = trunc(L/4), for the first smallest S,
// but never closer to the ends than 3 and L - 2, so that both neighbours of
// k are shiftgram values (this matters for L < 9, i.e. 3 or 4 points).
KweeMinimum ShiftgramMinimum(const double* S, int L, double tFirst, double delta);

// The command "Kwee, van Woerden" on the visible points: the checks of
// sortedness and repeated times (messages, no files), the resampled curve in
// "<stem>_KvW_data.dat", the shiftgram in "<stem>_KvW_shiftgramm.dat", the
// log lines of the result and a message box. Fewer than three visible points
// are refused with a message. The data set and the view are not changed.
void KweeVanWoerden(Engine& engine);

// The refusal for unsorted data or repeated times (empty when neither).
std::string KweeOrderMessage(long long unsorted, long long multiple);

}  // namespace teril
