#include "timescales/earth_grid.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <limits>
#include <numbers>

#include "numeric/threads.h"

namespace teril {
namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;
constexpr double kDegree = std::numbers::pi / 180.0;
// The reference distance (km) at which the topocentric coefficients of
// eraDtdb are read: large enough that their difference from the
// geocentric value stands well above its rounding.
constexpr double kProbeKm = 1000.0;

double Dot(const erfa::Vector3& a, const erfa::Vector3& b) {
  return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

double Dot4(const double* w, double a, double b, double c, double d) {
  return w[0] * a + w[1] * b + w[2] * c + w[3] * d;
}

}  // namespace

bool LineOfSight::Make(const SkyPosition& star, const std::optional<Observatory>& site,
                       LineOfSight& out) {
  double ra = star.raDeg * kDegree;
  double dec = star.decDeg * kDegree;
  out = LineOfSight{};
  out.star = {std::cos(dec) * std::cos(ra), std::cos(dec) * std::sin(ra), std::sin(dec)};
  if (!site) return true;
  erfa::Vector3 xyz;
  if (!erfa::GeodeticToGeocentric(site->longitudeDeg * kDegree, site->latitudeDeg * kDegree,
                                  site->heightM, xyz)) {
    return false;
  }
  out.hasObservatory = true;
  for (int i = 0; i < 3; ++i) out.observatoryAu[i] = xyz[i] / erfa::kAuMetres;
  out.longitudeRad = site->longitudeDeg * kDegree;
  out.spinAxisKm = std::hypot(xyz[0], xyz[1]) / 1000.0;
  out.equatorKm = xyz[2] / 1000.0;
  return true;
}

template <class Value>
void NodeTable<Value>::Want(long first, long last) {
  // Times usually come in order: most ask for nodes already asked for.
  if (first >= coveredFirst_ && last <= coveredLast_) return;
  for (long k = first; k <= last; ++k) wanted_.push_back(k);
  if (first >= coveredFirst_ && first <= coveredLast_ + 1) {
    coveredLast_ = std::max(coveredLast_, last);
  } else {
    coveredFirst_ = first;
    coveredLast_ = last;
  }
}

template <class Value>
void NodeTable<Value>::Settle() {
  std::sort(wanted_.begin(), wanted_.end());
  wanted_.erase(std::unique(wanted_.begin(), wanted_.end()), wanted_.end());
  index_ = std::move(wanted_);
  wanted_.clear();
  coveredFirst_ = 1;
  coveredLast_ = 0;
  values_.assign(index_.size(), Value{});
}

template <class Value>
std::size_t NodeTable<Value>::Find(long k, std::size_t& cursor) const {
  std::size_t at = cursor;
  if (at + 3 >= index_.size() || index_[at] != k - 1) {
    auto it = std::lower_bound(index_.begin(), index_.end(), k - 1);
    if (it == index_.end() || *it != k - 1) return kMissing;
    at = static_cast<std::size_t>(it - index_.begin());
  }
  if (at + 3 >= index_.size() || index_[at + 3] != k + 2) return kMissing;
  cursor = at;
  return at;
}

namespace {

// The cell of d on a grid of `step`: its left node k and the fraction u.
long Cell(double d, double step, double& u) {
  double x = d / step;
  double k = std::floor(x);
  u = x - k;
  return static_cast<long>(k);
}

}  // namespace

void EarthGrid::Need(double d, double margin) {
  double u = 0.0;
  fine_.Want(Cell(d - margin, kStep, u) - 1, Cell(d + margin, kStep, u) + 2);
  if (sight_.hasObservatory) {
    const double coarse = kStep * kTopoEvery;
    coarse_.Want(Cell(d - margin, coarse, u) - 1, Cell(d + margin, coarse, u) + 2);
  }
}

void EarthGrid::Compute(int threads) {
  fine_.Settle();
  coarse_.Settle();
  const std::size_t total = fine_.size() + coarse_.size();
  constexpr std::size_t kBlock = 8;
  std::atomic<std::size_t> next{0};
  RunOnThreads(threads, [&](int) {
    for (;;) {
      std::size_t begin = next.fetch_add(kBlock);
      if (begin >= total) return;
      std::size_t end = std::min(begin + kBlock, total);
      for (std::size_t i = begin; i < end; ++i) {
        if (i < fine_.size()) {
          fine_[i] = Evaluate(fine_.node(i));
        } else {
          std::size_t j = i - fine_.size();
          coarse_[j] = EvaluateTopo(coarse_.node(j));
        }
      }
    }
  });
}

EarthGrid::Node EarthGrid::Evaluate(long k) const {
  erfa::TwoPartDate date{kEpoch, static_cast<double>(k) * kStep};
  erfa::EarthState earth = erfa::EarthPositionVelocity(date);
  Node node;
  node.bary = Dot(earth.baryPosition, sight_.star);
  node.baryRate = Dot(earth.baryVelocity, sight_.star);
  node.helio = Dot(earth.helioPosition, sight_.star);
  node.helioRate = Dot(earth.helioVelocity, sight_.star);
  node.dtdb = erfa::TdbMinusTt(date, 0.0, 0.0, 0.0, 0.0);
  if (sight_.hasObservatory) {
    erfa::Matrix3 c2i = erfa::CelestialToIntermediate(date);
    for (int i = 0; i < 3; ++i) node.starCirs[i] = Dot(c2i[i], sight_.star);
  }
  return node;
}

EarthGrid::TopoNode EarthGrid::EvaluateTopo(long k) const {
  erfa::TwoPartDate date{kEpoch, static_cast<double>(k) * kStep * kTopoEvery};
  const double g = erfa::TdbMinusTt(date, 0.0, 0.0, 0.0, 0.0);
  // s = 0 reads C, s = pi/2 reads S (UT1 fraction 0.25 at longitude 0).
  TopoNode node;
  node.c = (erfa::TdbMinusTt(date, 0.0, 0.0, kProbeKm, 0.0) - g) / kProbeKm;
  node.s = (erfa::TdbMinusTt(date, 0.25, 0.0, kProbeKm, 0.0) - g) / kProbeKm;
  node.v = (erfa::TdbMinusTt(date, 0.0, 0.0, 0.0, kProbeKm) - g) / kProbeKm;
  return node;
}

void EarthGrid::Interpolation(double u, Weights& w) {
  // Nodes at x_j = -1, 0, 1, 2 (units of the step); L_j the Lagrange basis,
  // c_j = L_j'(x_j). Hermite: value weight (1 - 2 c_j (u - x_j)) L_j^2,
  // rate weight (u - x_j) L_j^2 h.
  const double l[4] = {-u * (u - 1) * (u - 2) / 6, (u + 1) * (u - 1) * (u - 2) / 2,
                       -(u + 1) * u * (u - 2) / 2, (u + 1) * u * (u - 1) / 6};
  constexpr double c[4] = {-11.0 / 6, -0.5, 0.5, 11.0 / 6};
  for (int j = 0; j < 4; ++j) {
    double dx = u - (j - 1);
    double l2 = l[j] * l[j];
    w.lagrange[j] = l[j];
    w.value[j] = (1 - 2 * c[j] * dx) * l2;
    w.rate[j] = dx * l2 * kStep;
  }
}

double EarthGrid::ObservatoryTerm(const erfa::Vector3& m, double era) const {
  // r_obs . n = R3(-era) r_ITRS . (C2I n)
  const erfa::Vector3& r = sight_.observatoryAu;
  double c = std::cos(era);
  double s = std::sin(era);
  double dot = c * (m[0] * r[0] + m[1] * r[1]) + s * (m[1] * r[0] - m[0] * r[1]) + m[2] * r[2];
  return dot * erfa::kAuLightTimeSeconds;
}

double EarthGrid::TdbMinusTt(double d, double ut1Fraction, Cursor& cursor) const {
  double u = 0.0;
  long k = Cell(d, kStep, u);
  std::size_t at = fine_.Find(k, cursor.fine);
  if (at == NodeTable<Node>::kMissing) return DirectTdbMinusTt(d, ut1Fraction);
  Weights w;
  Interpolation(u, w);
  const Node* n = fine_.at(at);
  double value = Dot4(w.lagrange, n[0].dtdb, n[1].dtdb, n[2].dtdb, n[3].dtdb);
  if (sight_.hasObservatory) {
    long kc = Cell(d, kStep * kTopoEvery, u);
    std::size_t atc = coarse_.Find(kc, cursor.coarse);
    if (atc == NodeTable<TopoNode>::kMissing) return DirectTdbMinusTt(d, ut1Fraction);
    Interpolation(u, w);
    const TopoNode* t = coarse_.at(atc);
    double s = kTwoPi * (ut1Fraction - std::floor(ut1Fraction)) + sight_.longitudeRad;
    value += sight_.spinAxisKm * (Dot4(w.lagrange, t[0].s, t[1].s, t[2].s, t[3].s) * std::sin(s) +
                                  Dot4(w.lagrange, t[0].c, t[1].c, t[2].c, t[3].c) * std::cos(s)) +
             sight_.equatorKm * Dot4(w.lagrange, t[0].v, t[1].v, t[2].v, t[3].v);
  }
  return value;
}

double EarthGrid::Roemer(TimePlace place, double d, double era, Cursor& cursor) const {
  if (place == TimePlace::GEO) return 0.0;
  double u = 0.0;
  long k = Cell(d, kStep, u);
  std::size_t at = fine_.Find(k, cursor.fine);
  if (at == NodeTable<Node>::kMissing) return DirectRoemer(place, d, era);
  Weights w;
  Interpolation(u, w);
  const Node* n = fine_.at(at);
  double au = 0.0;
  for (int j = 0; j < 4; ++j) {
    au += place == TimePlace::BAR ? w.value[j] * n[j].bary + w.rate[j] * n[j].baryRate
                                  : w.value[j] * n[j].helio + w.rate[j] * n[j].helioRate;
  }
  double seconds = au * erfa::kAuLightTimeSeconds;
  if (sight_.hasObservatory) {
    erfa::Vector3 m;
    for (int i = 0; i < 3; ++i) {
      m[i] =
          Dot4(w.lagrange, n[0].starCirs[i], n[1].starCirs[i], n[2].starCirs[i], n[3].starCirs[i]);
    }
    seconds += ObservatoryTerm(m, era);
  }
  return seconds;
}

double EarthGrid::DirectTdbMinusTt(double d, double ut1Fraction) const {
  return erfa::TdbMinusTt({kEpoch, d}, ut1Fraction, sight_.longitudeRad, sight_.spinAxisKm,
                          sight_.equatorKm);
}

double EarthGrid::DirectRoemer(TimePlace place, double d, double era) const {
  if (place == TimePlace::GEO) return 0.0;
  erfa::EarthState earth = erfa::EarthPositionVelocity({kEpoch, d});
  const erfa::Vector3& r = place == TimePlace::BAR ? earth.baryPosition : earth.helioPosition;
  double seconds = Dot(r, sight_.star) * erfa::kAuLightTimeSeconds;
  if (sight_.hasObservatory) {
    erfa::Matrix3 c2i = erfa::CelestialToIntermediate({kEpoch, d});
    erfa::Vector3 m;
    for (int i = 0; i < 3; ++i) m[i] = Dot(c2i[i], sight_.star);
    seconds += ObservatoryTerm(m, era);
  }
  return seconds;
}

}  // namespace teril
