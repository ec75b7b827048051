#include "extrema/scan_nonlinear.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <thread>

#include "engine/engine.h"
#include "base/numfmt.h"
#include "extrema/model_kernels.h"
#include "extrema/models.h"
#include "lsq/fit.h"
#include "lsq/fit_kernel.h"
#include "numeric/threads.h"

namespace teril {

struct ScanWorkspace {
  LsqSystem sys;
  double C[kLsqDim] = {};
  std::vector<double> store;           // basis values of one fit, N * m
  std::vector<double> t1, t2, t3;      // per-row tables, 1..N
};

int ScanGrid::UpperI(int j) const {
  switch (code) {
    case 3:
    case 4:
    case 8:
    case 9:
      return r;
    case 6:
      return j - 5;
    default:
      return j;
  }
}

double ScanGrid::C5(int i) const {
  if (code == 8) return (i + 100) * 1.989 / 200.0 - 0.99;
  if (code == 9) return 5.0 * (i + 100) / 200.0 + 0.001;
  return i / 100.0;
}

double ScanGrid::C6(int j) const {
  switch (code) {
    case 3:
    case 4:
      return 2.0 * j / 100.0 + 3.0;
    case 8:
      return (j + 100) * 3.998999 / 200.0 + 0.001001;
    case 9:
      return (5.0 * j + 500.0) / 200.0 + 0.001;
    default:
      return j / 100.0;
  }
}

int ScanGrid::IndexOfC5(double c5) const {
  if (code == 8) return static_cast<int>(std::lround((c5 + 0.99) / 1.989 * 200.0 - 100.0));
  if (code == 9) return static_cast<int>(std::lround((c5 - 0.001) / 5.0 * 200.0 - 100.0));
  return static_cast<int>(std::lround(100.0 * c5));
}

int ScanGrid::IndexOfC6(double c6) const {
  switch (code) {
    case 3:
    case 4:
      return static_cast<int>(std::lround(100.0 * (c6 - 3.0) / 2.0));
    case 8:
      return static_cast<int>(std::lround((c6 - 0.001001) / 3.998999 * 200.0 - 100.0));
    case 9:
      return static_cast<int>(std::lround((c6 - 0.001) / 5.0 * 200.0 - 100.0));
    default:
      return static_cast<int>(std::lround(100.0 * c6));
  }
}

ScanGrid GridOf(int modelCode) {
  ScanGrid g;
  g.code = modelCode;
  if (modelCode == 6) {
    g.r = 95;
    g.s = 85;
  } else if (modelCode == 7) {
    g.r = g.s = 99;
  }
  return g;
}

namespace {

// Runs fn(unit, worker) for unit = 0..units-1 on `threads` workers; each
// worker takes every threads-th unit. The result of a unit never depends on
// the worker that computed it.
template <class Fn>
void ParallelFor(int units, int threads, Fn&& fn) {
  if (threads <= 1) {
    for (int u = 0; u < units; ++u) fn(u, 0);
    return;
  }
  // Each unit's result depends on the unit only, never on the thread (slot)
  // whose workspace computes it.
  std::atomic<int> next{0};
  RunOnThreads(threads, [&](int slot) {
    for (int u; (u = next.fetch_add(1)) < units;) fn(u, slot);
  });
}

class GridRunner {
 public:
  GridRunner(LsqState& s, ApproxState& a, const ScanGrid& g, int threads)
      : s_(s), a_(a), g_(g), threads_(threads), N_(s.N), u_(s.u.data()), y_(s.y.data()) {
    rules_.wsl = g.code == 2;
    rules_.spline = g.code == 6;
    if (s.MethodNumber == 3 || s.MethodNumber == 4) rules_.signIndex = 2;
    if (s.MethodNumber == 8) rules_.signIndex = 3;
    rules_.curvatureNegative = s.CurvatureSign < 0;
    m_ = ModelLinearCount(g.code);
    while (static_cast<int>(a.scanWork.size()) < threads)
      a.scanWork.push_back(std::make_unique<ScanWorkspace>());
    const std::size_t need = static_cast<std::size_t>(N_) * m_ + 1;
    for (int t = 0; t < threads; ++t) {
      auto& w = *a.scanWork[t];
      if (w.store.size() < need) w.store.resize(need);
      if (w.t1.size() < static_cast<std::size_t>(N_) + 1) {
        w.t1.resize(N_ + 1);
        w.t2.resize(N_ + 1);
        w.t3.resize(N_ + 1);
      }
    }
    if (g.Centres() > 1) {
      a.bestCentre.assign(kMapSide * kMapSide, 0);
      if (g.code == 9) sechB_.resize(static_cast<std::size_t>(kMapSide) * (N_ + 1));
    }
  }

  void Run() {
    switch (g_.code) {
      case 3:
      case 4:
        RunPower();
        break;
      case 8:
        RunBsk();
        break;
      case 9:
        RunSech();
        break;
      default:
        RunDirect();
        break;
    }
  }

 private:
  template <int M>
  double Fit(ScanWorkspace& w, int central) {
    double sum = FitTable<M>(N_, y_, rules_, w.store.data(), central, w.sys, w.C);
    if (!std::isfinite(sum)) sum = kRejectedSum;
    return sum;
  }

  void Store(int i, int j, double sum) {
    a_.Map(i, j) = sum;
    if (g_.Symmetric()) a_.Map(j, i) = sum;
  }

  // Keeps the smallest sum over the centres; the first centre wins ties.
  void StoreCentre(int i, int j, int q, double sum) {
    const int cell = (i + kMapHalf) * kMapSide + (j + kMapHalf);
    if (q == 0 || sum < a_.ResidualMap[cell]) {
      a_.ResidualMap[cell] = sum;
      a_.bestCentre[cell] = static_cast<std::int8_t>(q);
    }
  }

  // Models 1, 2, 5, 6, 7: the basis is cheap, one row of the grid per unit.
  void RunDirect() {
    const int rows = g_.r + g_.s + 1;
    ParallelFor(rows, threads_, [&](int unit, int t) {
      ScanWorkspace& w = *a_.scanWork[t];
      double* table = w.store.data();
      const double* u = u_;
      const int N = N_;
      const int j = -g_.s + unit;
      const double c6 = g_.C6(j);
      for (int i = -g_.r; i <= g_.UpperI(j); ++i) {
        const double c5 = g_.C5(i);
        double sum;
        switch (g_.code) {
          case 1:
            for (int k = 1; k <= N; ++k) kernels::BasisWsp(u[k], c5, c6, table + (k - 1) * 3);
            sum = Fit<3>(w, 0);
            break;
          case 2:
            for (int k = 1; k <= N; ++k) kernels::BasisWsl(u[k], c5, c6, table + (k - 1) * 3);
            sum = Fit<3>(w, 0);
            break;
          case 5:
            for (int k = 1; k <= N; ++k) kernels::BasisWsap(u[k], c5, c6, table + (k - 1) * 3);
            sum = Fit<3>(w, 0);
            break;
          case 6: {
            int central = N;
            for (int k = 1; k <= N; ++k)
              central -= kernels::BasisSpline(u[k], c5, c6, table + (k - 1) * 5);
            sum = Fit<5>(w, central);
            break;
          }
          default:
            for (int k = 1; k <= N; ++k) kernels::BasisAp(u[k], c5, c6, table + (k - 1) * 3);
            sum = Fit<3>(w, 0);
            break;
        }
        Store(i, j, sum);
      }
    });
  }

  // NAV and Mik: |u - c5| and its logarithm depend on the column only.
  void RunPower() {
    const int cols = 2 * g_.r + 1;
    ParallelFor(cols, threads_, [&](int unit, int t) {
      ScanWorkspace& w = *a_.scanWork[t];
      double* table = w.store.data();
      const int N = N_;
      const int i = -g_.r + unit;
      const double c5 = g_.C5(i);
      double* F = w.t1.data();
      double* lnF = w.t2.data();
      for (int k = 1; k <= N; ++k) {
        F[k] = std::fabs(u_[k] - c5);
        lnF[k] = kernels::LogOrZero(F[k]);
      }
      // Along a column the exponent c6 grows in steps of 0.02, so F^c6 is
      // carried from one row to the next by a product with F^0.02 and
      // computed afresh every kReseed rows. The carried power differs from
      // the direct one by a few units in the last place, and the grid runs
      // in less than two thirds of the time; the refit of the chosen point
      // uses the direct power.
      constexpr int kReseed = 8;
      double* step = w.t3.data();
      for (int k = 1; k <= N; ++k) step[k] = kernels::PowerFromLog(F[k], lnF[k], 0.02);
      const bool nav = g_.code == 3;
      for (int j = -g_.s; j <= g_.r; ++j) {
        const double c6 = g_.C6(j);
        const bool exact = (j + g_.s) % kReseed == 0;
        for (int k = 1; k <= N; ++k) {
          double* f = table + (k - 1) * 3;
          const double p = exact ? kernels::PowerFromLog(F[k], lnF[k], c6) : f[2] * step[k];
          f[1] = 1.0;
          f[2] = p;
          f[3] = nav ? p * p : F[k] * F[k] * p;
        }
        Store(i, j, Fit<3>(w, 0));
      }
    });
  }

  // BSK: z, 1 + z and ln^2(1 + z) depend on the column and the centre.
  void RunBsk() {
    const int cols = 2 * g_.r + 1;
    for (int q = 0; q < 9; ++q) {
      const double x0 = ScanGrid::X0(q);
      ParallelFor(cols, threads_, [&](int unit, int t) {
        ScanWorkspace& w = *a_.scanWork[t];
        double* table = w.store.data();
        const int N = N_;
        const int i = -g_.r + unit;
        const double c5 = g_.C5(i);
        double* z = w.t1.data();
        double* yv = w.t2.data();
        double* L2 = w.t3.data();
        for (int k = 1; k <= N; ++k) {
          z[k] = c5 * (u_[k] - x0);
          yv[k] = 1.0 + z[k];
          if (yv[k] > 0 && !(std::fabs(z[k]) <= 1e-8)) {
            const double L = std::log(yv[k]);
            L2[k] = L * L;
          } else {
            L2[k] = 0.0;
          }
        }
        for (int j = -g_.s; j <= g_.r; ++j) {
          const double c6 = g_.C6(j);
          for (int k = 1; k <= N; ++k) {
            table[(k - 1) * 2 + 1] = 1.0;
            table[(k - 1) * 2 + 2] = kernels::BskF2(z[k], yv[k], L2[k], c6);
          }
          StoreCentre(i, j, q, Fit<2>(w, 0));
        }
      });
    }
  }

  // Sech: e^(c5 d0) - 1 depends on the column and the centre,
  // e^(-c6 d0) - 1 on the row and the centre.
  void RunSech() {
    const int cols = 2 * g_.r + 1;
    const int rows = g_.r + g_.s + 1;
    const std::size_t stride = static_cast<std::size_t>(N_) + 1;
    for (int q = 0; q < 9; ++q) {
      const double x0 = ScanGrid::X0(q);
      ParallelFor(rows, threads_, [&](int unit, int) {
        const double c6 = g_.C6(-g_.s + unit);
        double* B = sechB_.data() + unit * stride;
        for (int k = 1; k <= N_; ++k) B[k] = kernels::SechB(c6, u_[k] - x0);
      });
      ParallelFor(cols, threads_, [&](int unit, int t) {
        ScanWorkspace& w = *a_.scanWork[t];
        double* table = w.store.data();
        const int N = N_;
        const int i = -g_.r + unit;
        const double c5 = g_.C5(i);
        double* A = w.t1.data();
        for (int k = 1; k <= N; ++k) A[k] = kernels::SechA(c5, u_[k] - x0);
        for (int j = -g_.s; j <= g_.r; ++j) {
          const double* B = sechB_.data() + (j + g_.s) * stride;
          for (int k = 1; k <= N; ++k) {
            table[(k - 1) * 2 + 1] = 1.0;
            table[(k - 1) * 2 + 2] = kernels::SechF2(A[k], B[k]);
          }
          StoreCentre(i, j, q, Fit<2>(w, 0));
        }
      });
    }
  }

  LsqState& s_;
  ApproxState& a_;
  const ScanGrid& g_;
  int threads_;
  int N_;
  const double* u_;
  const double* y_;
  FitRules rules_;
  int m_ = 3;
  std::vector<double> sechB_;
};

int ThreadCount(const ApproxState& a, const ScanGrid& g, int N) {
  if (a.scanThreads == 1) return 1;
  int t = a.scanThreads;
  if (t <= 0) t = static_cast<int>(std::thread::hardware_concurrency());
  t = std::clamp(t, 1, 16);
  const double work = double(g.r + g.s + 1) * (2 * g.r + 1) * g.Centres() * std::max(N, 1);
  if (work < 2e5) return 1;
  return t;
}

}  // namespace

void ScanNonlinear(Engine& engine) {
  LsqState& s = engine.lsq;
  ApproxState& a = engine.approx;
  const ScanGrid g = GridOf(s.ModelCode);
  a.mapRange = g.r;

  for (int i = -g.r; i <= g.r; ++i)
    for (int j = -g.r; j <= g.r; ++j) a.Map(i, j) = 0.0;
  double sMin = 1e32, sMax = -1e32;
  {
    const bool saved = s.DerivativeMode;
    s.DerivativeMode = false;
    EvalBasis(s, 0.0);
    s.DerivativeMode = saved;
  }

  GridRunner runner(s, a, g, ThreadCount(a, g, s.N));
  runner.Run();

  // The choice of the best point follows the order of the grid.
  int bestI = -g.r, bestJ = -g.s, bestQ = 0;
  for (int j = -g.s; j <= g.r; ++j)
    for (int i = -g.r; i <= g.UpperI(j); ++i) {
      const double sum = a.Map(i, j);
      if (sMin == 1e32) {
        sMin = sMax = sum;
      } else {
        if (!(sum < sMin)) {
          if (sum > sMax && sum < 1e32) sMax = sum;
          continue;
        }
        sMin = sum;
      }
      bestI = i;
      bestJ = j;
      bestQ = g.Centres() > 1 ? a.bestCentre[(i + kMapHalf) * kMapSide + (j + kMapHalf)] : 0;
    }
  a.mapMin = sMin;
  a.mapMax = sMax;
  a.mapBestI = bestI;
  a.mapBestJ = bestJ;

  s.c5 = g.C5(bestI);
  s.c6 = g.C6(bestJ);
  if (g.Centres() > 1) s.x0 = ScanGrid::X0(bestQ);
  a.gridC5 = s.c5;
  a.gridC6 = s.c6;
  a.gridX0 = s.x0;
  FitWithBasis(s);

  DrawResidualMap(engine, g);
}

void DrawResidualMap(Engine& engine, const ScanGrid& g) {
  ApproxState& a = engine.approx;
  const LsqState& s = engine.lsq;
  const double sMin = a.mapMin, sMax = a.mapMax;
  double k = 1.0;
  if (sMax == sMin) {
    engine.host.MessageBox(General(1.0));
  } else {
    k = 1.0 / (sMax - sMin);
  }
  Canvas* c = engine.mapCanvas;
  if (!c) return;
  const Rgb white{255, 255, 255};
  c->SetPen(white);
  c->Rectangle(0, 0, 209, 209);
  for (int i = -g.r; i <= g.r; ++i)
    for (int j = -g.r; j <= g.r; ++j) {
      double w = a.Map(i, j);
      if (w == 1e32 || !std::isfinite(w)) w = sMax;
      const double level = 15.0 * std::sqrt(std::fabs(k * (w - sMin)));
      double phi = level - std::trunc(level);
      if (!std::isfinite(phi)) phi = 0.0;
      const auto rg = static_cast<std::uint8_t>(std::trunc(255.0 * phi));
      const auto b = static_cast<std::uint8_t>(std::trunc(255.0 * (1.0 - phi)));
      c->SetPixel(i + 104, j + 104, Rgb{rg, rg, b});
    }
  const int ib = g.IndexOfC5(s.c5);
  const int jb = g.IndexOfC6(s.c6);
  c->SetPen(Rgb{0, 0, 0});
  c->MoveTo(0, jb + 104);
  c->LineTo(209, jb + 104);
  c->MoveTo(ib + 104, 0);
  c->LineTo(ib + 104, 209);
}

}  // namespace teril

namespace teril {

ApproxState::ApproxState() : ResidualMap(kMapSide * kMapSide, 0.0) {}
ApproxState::~ApproxState() = default;

}  // namespace teril
