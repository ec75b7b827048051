// The steps of one Approximate call, as a small state machine. Internal to
// the engine; the tests reach single steps through it.
#pragma once

#include <string>

namespace teril {

class Engine;
struct LsqState;
struct ApproxState;

class ApproximationRun {
 public:
  enum class Step { kPass, kCycle, kCorrection, kFinal, kDone };

  ApproximationRun(Engine& engine, int& method, int printResults);

  // The whole call: interval, passes, cycle, extremum, output.
  void Run();
  // From the start of the cycle (step 9) with the nonlinear parameters as
  // they are in lsq (c5, c6, x0 and Coef), taking them as the grid values.
  void RunCycleFromCurrent();

 private:
  Step StartPass();
  Step LinearFit();
  Step Correction();
  Step Final();
  void Loop(Step step);
  void StoreGridValues();
  void Basis(double u);
  void LoadNonlinear();
  bool TooFewPoints();
  double U(int i) const;
  void Log(const std::string& line);

  // Final step helpers.
  void Residuals();
  bool SigmaCheck(int count, bool skip4, bool skip5);
  void PolynomialExtremum(bool& failed);
  void ConvertToTime();

  Engine& e_;
  LsqState& s_;
  ApproxState& a_;
  int& method_;
  int print_;

  double u0_ = 0.0;        // centre of the symmetrical polynomial
  double gridC5_ = 0.0, gridC6_ = 0.0;
  bool secondChance_ = false;
  int corrections_ = 0;
  bool degenerate_ = false;   // AP: both joins move as one
  bool heldLeft_ = false, heldRight_ = false;  // AP joins held at the interval ends
  bool pinned_ = false;       // BSK with c6 at its lower bound 1e-4
};

}  // namespace teril
