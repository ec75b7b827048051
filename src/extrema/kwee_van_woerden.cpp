#include "extrema/kwee_van_woerden.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "base/io.h"
#include "base/numfmt.h"
#include "engine/engine.h"
#include "extrema/approximation_command.h"
#include "numeric/threads.h"
#include "periodicity/phase.h"

namespace teril {
namespace {

// --- the shiftgram sums ---
//
// Row i pairs y[i+1..i+K] with y[i-1..i-K]. With r, the signal reversed
// (r[m] = y[L+1-m]), y[i-1-j] = r[L+2-i+j], so both halves of a row are read
// forwards from contiguous memory. Rows are summed in blocks of kBlockRows
// consecutive rows, chunk by chunk of kChunk pairs: a chunk of y and of r
// then serves every row of the block from the first-level cache. Each row
// keeps eight partial sums (element j goes to partial j mod 8) whatever
// block or thread computes it, so its result never depends on either.

// Two doubles: the width of the vector registers that every x86-64 has.
using V2 = double __attribute__((vector_size(16)));

constexpr int kBlockRows = 32;
constexpr long kChunk = 1024;  // a multiple of 8
constexpr int kLanes = 8;

struct RowSums {
  V2 s1[4] = {}, s2[4] = {};
};

inline V2 Load(const double* p) {
  V2 v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

// Adds the pairs j0 .. j1 - 1 (both multiples of 8) of a row.
inline void AddPairs(const double* a, const double* b, long j0, long j1, RowSums& acc) {
  V2 p0 = acc.s1[0], p1 = acc.s1[1], p2 = acc.s1[2], p3 = acc.s1[3];
  V2 q0 = acc.s2[0], q1 = acc.s2[1], q2 = acc.s2[2], q3 = acc.s2[3];
  for (long j = j0; j < j1; j += kLanes) {
    const V2 d0 = Load(a + j) - Load(b + j);
    const V2 d1 = Load(a + j + 2) - Load(b + j + 2);
    const V2 d2 = Load(a + j + 4) - Load(b + j + 4);
    const V2 d3 = Load(a + j + 6) - Load(b + j + 6);
    p0 += d0;
    p1 += d1;
    p2 += d2;
    p3 += d3;
    q0 += d0 * d0;
    q1 += d1 * d1;
    q2 += d2 * d2;
    q3 += d3 * d3;
  }
  acc.s1[0] = p0;
  acc.s1[1] = p1;
  acc.s1[2] = p2;
  acc.s1[3] = p3;
  acc.s2[0] = q0;
  acc.s2[1] = q1;
  acc.s2[2] = q2;
  acc.s2[3] = q3;
}

inline double LaneTotal(const V2 (&v)[4]) {
  return ((v[0][0] + v[0][1]) + (v[1][0] + v[1][1])) + ((v[2][0] + v[2][1]) + (v[3][0] + v[3][1]));
}

inline long RowLength(int i, int L) { return std::min(i - 1, L - i); }

// The rows i0 .. i1 - 1 (2 <= i0, i1 <= L).
void SumBlock(const double* y, const double* r, int L, int i0, int i1, double* S1, double* S2) {
  RowSums acc[kBlockRows];
  long common = RowLength(i0, L);
  for (int i = i0; i < i1; ++i) common = std::min(common, RowLength(i, L));
  common -= common % kLanes;
  for (long c0 = 0; c0 < common; c0 += kChunk) {
    const long c1 = std::min(common, c0 + kChunk);
    for (int i = i0; i < i1; ++i) AddPairs(y + i + 1, r + L + 2 - i, c0, c1, acc[i - i0]);
  }
  for (int i = i0; i < i1; ++i) {
    const double* a = y + i + 1;
    const double* b = r + L + 2 - i;
    const long K = RowLength(i, L), bulk = K - K % kLanes;
    RowSums& s = acc[i - i0];
    AddPairs(a, b, common, bulk, s);
    double s1 = LaneTotal(s.s1), s2 = LaneTotal(s.s2);
    for (long j = bulk; j < K; ++j) {
      const double dj = a[j] - b[j];
      s1 += dj;
      s2 += dj * dj;
    }
    S1[i] = s1;
    S2[i] = s2;
  }
}

long long BlockPairs(int i0, int i1, int L) {
  long long p = 0;
  for (int i = i0; i < i1; ++i) p += RowLength(i, L);
  return p;
}

// --- the command ---

std::string Num(double v) { return General(v); }
std::string Int(long long v) { return Str(v); }

// Only a few of the repeated times are shown as message boxes, one each;
// every one of them is in the log.
constexpr int kShownRepeats = 10;

}  // namespace

void ResampleEvenly(const double* t, const double* x, int first, int last, int L, double* y) {
  const double tFirst = t[first], span = t[last] - t[first];
  int h = first;
  for (int o = 1; o <= L; ++o) {
    const double to = tFirst + span * (o - 1) / (L - 1);
    while (t[h + 1] < to && h + 1 < last) ++h;
    y[o] = x[h] + (to - t[h]) / (t[h + 1] - t[h]) * (x[h + 1] - x[h]);
  }
}

long long ShiftgramPairs(int L) { return L < 3 ? 0 : BlockPairs(2, L, L); }

bool ShiftgramSums(const double* y, int L, double* S1, double* S2,
                   const ShiftgramOptions& options) {
  for (int i : {0, 1, L}) {
    if (i < 0) continue;
    S1[i] = 0;
    S2[i] = 0;
  }
  if (L < 3) return true;
  std::vector<double> r(static_cast<std::size_t>(L) + 2);
  for (int m = 1; m <= L; ++m) r[m] = y[L + 1 - m];

  // Blocks of rows and their costs; rounds of whole blocks.
  std::vector<int> blockStart;
  for (int i = 2; i < L; i += kBlockRows) blockStart.push_back(i);
  const int blocks = static_cast<int>(blockStart.size());
  blockStart.push_back(L);
  const long long total = ShiftgramPairs(L);

  int threads =
      options.threads > 0 ? options.threads : static_cast<int>(std::thread::hardware_concurrency());
  threads = std::clamp(threads, 1, 16);
  if (total < 4'000'000) threads = 1;  // a thread costs more than it saves
  const long long perRound =
      options.progress ? std::max<long long>(1, options.pairsPerRound) : total + 1;

  long long done = 0;
  int b0 = 0;
  while (b0 < blocks) {
    int b1 = b0;
    long long cost = 0;
    while (b1 < blocks && (b1 == b0 || cost < perRound)) {
      cost += BlockPairs(blockStart[b1], blockStart[b1 + 1], L);
      ++b1;
    }
    std::atomic<int> next{b0};
    auto work = [&] {
      for (int b; (b = next.fetch_add(1)) < b1;)
        SumBlock(y, r.data(), L, blockStart[b], blockStart[b + 1], S1, S2);
    };
    RunOnThreads(std::min(threads, b1 - b0), [&work](int) { work(); });
    done += cost;
    b0 = b1;
    if (options.progress && !options.progress(done, total)) return b0 >= blocks;
  }
  return true;
}

KweeMinimum ShiftgramMinimum(const double* S, int L, double tFirst, double delta) {
  KweeMinimum m;
  const int q = L / 4;
  const int lo = std::max(q + 1, 3), hi = std::min(L - q, L - 2);
  int k = lo;
  for (int i = lo + 1; i <= hi; ++i)
    if (S[i] < S[k]) k = i;
  m.k = k;
  m.sMin = S[k];
  m.A = (S[k - 1] + S[k + 1]) / 2 - S[k];
  m.B = (S[k + 1] - S[k - 1]) / 2;
  m.v = m.A != 0 ? -m.B / (2 * m.A) : 0;
  m.tExtr = tFirst + (k - 1 + m.v) * delta;
  const double G = 2 * m.A * m.A * (L / 4.0 - 1);
  const double w = G > 0 ? (4 * m.A * m.sMin - m.B * m.B) / G : 0;
  m.sigmaT = w > 0 ? delta * std::sqrt(w) : 0;
  const double rest = m.sMin - m.A * m.v * m.v;
  m.sExtr = rest > 0 ? std::sqrt(rest) : 0;
  return m;
}

std::string KweeOrderMessage(long long unsorted, long long multiple) {
  if (unsorted == 0 && multiple == 0) return {};
  std::string m = "method of Kwee and van Woerden:";
  if (unsorted != 0)
    m += std::string("\n") + "* needs _sorted_ arguments (Edit->Sort)" + "\n" +
         "  unsorted pairs: " + Int(unsorted);
  if (multiple != 0)
    m += std::string("\n") + "* needs 1 value at time:" + "\n" +
         "  multiple data per time: " + Int(multiple) + "\n" +
         "    to solve: (Edit->Average for same times)" + "\n" +
         "  then work with a resulting file";
  return m;
}

void KweeVanWoerden(Engine& e) {
  const DataSet& d = e.data;
  const int first = e.view.firstVisible, last = e.view.lastVisible;
  const int count = first >= 1 && last >= first && last <= d.n ? last - first + 1 : 0;
  if (count < 3) {
    e.host.MessageBox(
        "method of Kwee and van Woerden:\n* needs at least 3 visible points; visible: " +
        Int(count));
    return;
  }
  const double* t = d.t.data();
  const double* x = d.x.data();
  long long unsorted = 0, multiple = 0;
  for (int i = first + 1; i <= last; ++i) {
    if (t[i] < t[i - 1]) {
      ++unsorted;
    } else if (t[i] == t[i - 1]) {
      const std::string at = "i=" + Int(i) + " " + Num(t[i]);
      e.LogLine(at);
      if (++multiple <= kShownRepeats) e.host.MessageBox(at);
    }
  }
  if (std::string refusal = KweeOrderMessage(unsorted, multiple); !refusal.empty()) {
    e.host.MessageBox(refusal);
    return;
  }

  // More points than the scratch arrays hold are resampled on fewer steps.
  const int L = static_cast<int>(std::min<long long>(2LL * (last - first) + 1, MaxPoints));
  const double tFirst = t[first], tLast = t[last];
  const double delta = (tLast - tFirst) / (L - 1);
  const std::string stem = ResultStem(e.run.inputFile);
  const int tw = d.tWidth + 2, td = d.tDecimals + 2, xw = d.xWidth + 2, xd = d.xDecimals + 2;

  std::vector<double> y(static_cast<std::size_t>(L) + 1);
  ResampleEvenly(t, x, first, last, L, y.data());
  std::string text;
  text.reserve(static_cast<std::size_t>(L) * (tw + xw + 2));
  for (int o = 1; o <= L; ++o) {
    text += Str(tFirst + (tLast - tFirst) * (o - 1) / (L - 1), tw, td);
    text += ' ';
    text += Str(y[o], xw, xd);
    text += '\n';
  }
  WriteFile(stem + "_KvW_data.dat", text);
  e.console.FileWritten(stem + "_KvW_data.dat");

  std::vector<double> S1(static_cast<std::size_t>(L) + 1), S2(S1.size()), S(S1.size());
  {
    ProgressScope progress(e.host);
    ShiftgramOptions options;
    options.progress = [&progress](long long done, long long total) {
      return progress.Step(done, total, "Kwee and van Woerden: shiftgram");
    };
    if (!ShiftgramSums(y.data(), L, S1.data(), S2.data(), options)) {
      e.LogLine("Kwee and van Woerden: stopped before the shiftgram was complete; no result");
      return;
    }
  }
  text.clear();
  text.reserve(static_cast<std::size_t>(L) * (tw + 4 * xw + 5));
  for (int i = 2; i <= L - 1; ++i) {
    const double K = static_cast<double>(RowLength(i, L));
    S[i] = S2[i] / K;
    text += Str(tFirst + (i - 1) * delta, tw, td);
    for (double value : {std::sqrt(S2[i] / K), std::sqrt(S2[i] / L), S1[i] / K, S1[i] / L}) {
      text += ' ';
      text += Str(value, xw, xd);
    }
    text += '\n';
  }
  WriteFile(stem + "_KvW_shiftgramm.dat", text);
  e.console.FileWritten(stem + "_KvW_shiftgramm.dat");

  const KweeMinimum m = ShiftgramMinimum(S.data(), L, tFirst, delta);
  double phase = PhaseOfTime(e.eph, m.tExtr);
  if (phase > 0.5) phase -= 1;
  e.LogLine("Kwee and van Woerden:");
  e.LogLine("k_k=" + Int(m.k));
  e.LogLine("v=" + Num(m.v));
  e.LogLine("t_extr=" + Num(m.tExtr));
  // O-C in time units: the phase times the period, paired with sigma_t as
  // the phase is paired with sigma_t f.
  e.LogLine("   O-C=" + Num(phase * e.eph.period));
  e.LogLine(" +-    " + Num(m.sigmaT));
  e.LogLine("Phase=" + Num(phase));
  e.LogLine(" +-    " + Num(m.sigmaT * e.eph.frequency));
  e.LogLine("s_extr=" + Num(m.sExtr));
  if (m.sExtr == 0) e.LogLine("!!! Bad shiftgram !!!");
  e.host.MessageBox("t_extr=" + Num(m.tExtr) + "\n" + " +-    " + Num(m.sigmaT) + "\n" +
                    "s_extr=" + Num(m.sExtr));
}

}  // namespace teril
