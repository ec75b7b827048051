// The light-time corrections along the line of sight to one star, taken
// from ERFA on a grid of dates and interpolated, so that a million times
// cost a few thousand evaluations of the Earth's ephemeris instead of a
// million.
//
// Roemer delay of place P (the barycentre or the Sun's centre), seconds:
//   D_P(t) = (r_P(t) + r_obs(t)) . n * A / c
// r_P: the geocentre's position relative to P (au, eraEpv00 at TDB t),
// n: the unit vector to the star (J2000 axes), r_obs: the observatory's
// offset from the geocentre in the same axes, A/c: the light time of 1 au
// (499.005 s). A time at P is the time at the observer plus D_P.
//
// TDB - TT at the observer, seconds (eraDtdb):
//   g(t) + u [S(t) sin s + C(t) cos s] + v V(t),   s = 2 pi UT1 + lon
// g: the geocentric series; u, v: the observatory's distances from the
// spin axis and from the equatorial plane (km). The topocentric terms of
// eraDtdb are all of the form u sin(s + phase) or v cos(phase) with slowly
// changing phases, so the three coefficients S, C, V are read from eraDtdb
// at each grid date and the daily term is evaluated exactly.
//
// The observatory: r_obs = C2I^T R3(-ERA) r_ITRS (IAU 2000 CIO-based
// transformation, eraC2i00b for the precession-nutation at the grid date,
// the Earth rotation angle at UT1 ~ UTC), polar motion neglected.
//
// Grid: every 2 days of TDB from J2000. Between nodes k and k+1 every
// quantity is interpolated from the four nodes k-1 .. k+2: the projected
// positions by the Hermite polynomial of degree 7 that matches their
// values and rates (velocities) there, g and C2I n by the cubic through
// their values. S, C and V change only over the year (their monthly parts
// are below 1e-9 s), so they come from a coarser grid, every 16 days, by
// the same cubic. The error of the degree-7 Hermite is
// f8 / 8! x prod (t - t_j)^2 <= f8 h^8 / 8! x 0.32; the largest f8 is the
// Earth's monthly wobble about the Earth-Moon barycentre (3.1e-5 au at
// 0.23 rad/day): 5e-13 au, 3e-10 s. In practice the model's rates are not
// exactly the derivative of its positions, and measured against direct
// evaluation the Roemer delay agrees to 1e-8 s with this step (8e-8 s with
// a 3-day step). The cubic in g (whose monthly terms are a few us) is good
// to about 2e-9 s.
// A node costs one eraEpv00 and one eraDtdb (about 70 us; 5 us more for
// C2I with an observatory), so the grid costs far less than evaluating
// ERFA for each time.
#pragma once

#include <cstddef>
#include <vector>

#include "timescales/erfa_time.h"
#include "timescales/time_system.h"

namespace teril {

// The star and the observatory of one conversion, in the forms the
// corrections need.
struct LineOfSight {
  erfa::Vector3 star{};  // unit vector, J2000 axes
  bool hasObservatory = false;
  erfa::Vector3 observatoryAu{};  // geocentric, terrestrial frame, au
  double longitudeRad = 0.0;      // east
  double spinAxisKm = 0.0;        // u: distance from the Earth's spin axis
  double equatorKm = 0.0;         // v: distance north of the equatorial plane

  // Fails (returns false) only for an observatory ERFA cannot place.
  static bool Make(const SkyPosition& star, const std::optional<Observatory>& site,
                   LineOfSight& out);
};

// Values at some of the nodes k * step of a grid: those asked for.
template <class Value>
class NodeTable {
 public:
  static constexpr std::size_t kMissing = static_cast<std::size_t>(-1);
  // Asks for the nodes first..last.
  void Want(long first, long last);
  // Fixes the set of nodes asked for; values start default.
  void Settle();
  std::size_t size() const { return index_.size(); }
  long node(std::size_t i) const { return index_[i]; }
  Value& operator[](std::size_t i) { return values_[i]; }
  // The position of node k - 1 when nodes k - 1 .. k + 2 are all there,
  // else kMissing. `cursor` remembers the last answer.
  std::size_t Find(long k, std::size_t& cursor) const;
  const Value* at(std::size_t i) const { return &values_[i]; }

 private:
  std::vector<long> wanted_;
  long coveredFirst_ = 1;  // the nodes the last calls of Want asked for
  long coveredLast_ = 0;
  std::vector<long> index_;  // node numbers, ascending
  std::vector<Value> values_;
};

class EarthGrid {
 public:
  static constexpr double kEpoch = 2451545.0;  // J2000, the date of node 0
  static constexpr double kStep = 2.0;         // days between nodes
  static constexpr int kTopoEvery = 8;         // fine steps per coarse step

  explicit EarthGrid(const LineOfSight& sight) : sight_(sight) {}

  // Asks for the nodes that cover the dates epoch + d - margin ..
  // epoch + d + margin (d in days from kEpoch).
  void Need(double d, double margin);
  // Evaluates every node asked for, sharing the work among `threads`.
  void Compute(int threads);

  // Where a thread is in the node lists; each thread keeps its own.
  struct Cursor {
    std::size_t fine = 0;
    std::size_t coarse = 0;
  };

  // TDB - TT (s) at d days of TT from kEpoch, UT1 fraction of the day
  // `ut1Fraction` (ignored for the geocentre).
  double TdbMinusTt(double d, double ut1Fraction, Cursor& cursor) const;
  // Roemer delay (s) towards the barycentre (place BAR) or the Sun's centre
  // (HEL) at d days of TDB from kEpoch, with the Earth rotation angle
  // `era` (radians; ignored for the geocentre). GEO gives 0.
  double Roemer(TimePlace place, double d, double era, Cursor& cursor) const;

  // The same directly from ERFA, without the grid (for checks).
  double DirectTdbMinusTt(double d, double ut1Fraction) const;
  double DirectRoemer(TimePlace place, double d, double era) const;

  std::size_t NodeCount() const { return fine_.size() + coarse_.size(); }

 private:
  struct Node {
    double bary = 0.0, baryRate = 0.0;    // r . n (au), dr/dt . n (au/day)
    double helio = 0.0, helioRate = 0.0;  // the same relative to the Sun
    double dtdb = 0.0;                    // g (s)
    erfa::Vector3 starCirs{};             // C2I n
  };
  struct TopoNode {
    double s = 0.0, c = 0.0, v = 0.0;  // s per km
  };
  // Interpolation weights at the fraction u of the cell from node k to k+1,
  // for the nodes k-1 .. k+2.
  struct Weights {
    double value[4];  // Hermite, for the values
    double rate[4];   // Hermite, for the rates (per day)
    double lagrange[4];
  };
  static void Interpolation(double u, Weights& w);
  Node Evaluate(long k) const;
  TopoNode EvaluateTopo(long k) const;
  double ObservatoryTerm(const erfa::Vector3& starCirs, double era) const;

  LineOfSight sight_;
  NodeTable<Node> fine_;
  NodeTable<TopoNode> coarse_;
};

}  // namespace teril
