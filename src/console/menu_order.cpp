#include "console/menu_order.h"

#include <algorithm>
#include <map>
#include <set>

namespace teril {

const std::vector<std::string>& MenuOrder() {
  static const std::vector<std::string> order{
      "File",          "Edit",   "Navigate",       "View",        "Transform",
      "Mean",          "RuPar",  "Extrema",        "Periodogram", "Analysis",
      "Approximation", "Square", "Blazhko effect", "Help",        "Exit"};
  return order;
}

const std::vector<MenuSection>& MenuTable() {
  static const std::vector<MenuSection> table{
      {"File",
       {"Open", "ReOpen", "Close", "Numofcl", "Ncols1", "Swaptx1", "Swapxs1", "Save", "SaveAs",
        "SaveVis", "ExportPlot1", "Savevis1", "GenerateBootstrap1", "Fileforintervals1",
        "ExitAct"}},
      {"Edit",
       {"Undo1", "Redo1", "Delete", "DeleteBad", "Interpolate", "Sort1", "Average1",
        "DeleteCurrentAuthor1"}},
      {"Navigate",
       {"Home1", "End1", "Next", "Prev", "ScrollLeft", "ScrollRight", "Top", "Bottom", "N2D",
        "MarkLeft2", "MarkRight2", "PrevInterval1", "NextInterval1", "Gotointervalnumber1"}},
      {"View",
       {"ZoomIn", "ZoomOut", "CenterDataPoint", "Refresh", "Phase", "HintPos", "Inversex1",
        "LeftEdge", "RightEdge1", "RestoreInterval1", "F2PrPr1", "HighLightAuthor1"}},
      {"Transform", {"lgt1", "lgx1", "N10t", "N10x", "mi1", "im1", "ReciAxis1", "xphase1",
                     "TimeSystem1"}},
      {"Mean",
       {"ChangeNNH", "Mean", "PointMean", "Histogram", "ScalegramMean1", "MeanError1",
        "Interpolatedtable1"}},
      {"Analysis", {"xt1", "Corelation", "OC", "ACF1"}},
      {"Approximation",
       {"polinomial1", "symmetricalpolinomial1", "wsp1", "wsrwithconst1", "NAV1", "Mikulashek1",
        "wsap1", "parabolicsplaine1", "as1", "bsk1", "sech1", "Savepicture1",
        "chooseapproximation1", "runapproximation1", "doforallnextintervals1", "abortdoforall1"}},
      {"Square", {"riangle1"}},
      {"Help", {"about"}},
      {"Exit", {"Exit1"}},
      {"Extrema", {"tpParabola", "Sigma0for3point1", "Sigmainlist1", "Kwee1"}},
      {"RuPar", {"parabola", "RP_Table", "RunningParabolaScalegram1", "ScalegramPeriodogram1"}},
      {"Periodogram",
       {"trigpoli", "TPQ", "Periodogram1", "Prewhitening1", "AddHighestPeak1", "FitAll1",
        "RemoveFrequency1", "PrewhiteningResiduals1", "SpectralWindow1"}},
      {"Blazhko effect", {"Blazhkoeffect1"}},
  };
  return table;
}

std::vector<NamedCommand> OrderedByTable(const std::vector<MenuSection>& table,
                                         std::vector<NamedCommand> entries) {
  // Each name takes the first entry of that name not yet placed, so a
  // duplicate is kept (and reported) rather than lost.
  std::multimap<std::string, std::size_t> byName;
  for (std::size_t i = 0; i < entries.size(); ++i) byName.emplace(entries[i].name, i);
  std::vector<bool> placed(entries.size(), false);
  std::vector<NamedCommand> ordered;
  ordered.reserve(entries.size());
  for (const MenuSection& section : table) {
    for (const std::string& name : section.names) {
      auto [first, last] = byName.equal_range(name);
      for (auto it = first; it != last; ++it) {
        if (placed[it->second]) continue;
        placed[it->second] = true;
        ordered.push_back(std::move(entries[it->second]));
        break;
      }
    }
  }
  for (std::size_t i = 0; i < entries.size(); ++i)
    if (!placed[i]) ordered.push_back(std::move(entries[i]));
  return ordered;
}

std::vector<std::string> TableProblems(const std::vector<MenuSection>& table,
                                       const std::vector<std::string>& menuBar,
                                       const std::vector<NamedCommand>& entries) {
  std::vector<std::string> problems;
  std::map<std::string, const NamedCommand*> byName;
  for (const NamedCommand& c : entries)
    if (!byName.emplace(c.name, &c).second) problems.push_back("two entries named " + c.name);

  std::set<std::string> menus;
  std::map<std::string, std::string> listedUnder;  // name -> the menu of its section
  for (const MenuSection& section : table) {
    if (!menus.insert(section.menu).second)
      problems.push_back("menu " + section.menu + " has two sections");
    if (!section.menu.empty() &&
        std::find(menuBar.begin(), menuBar.end(), section.menu) == menuBar.end())
      problems.push_back("menu " + section.menu + " is not on the menu bar");
    for (const std::string& name : section.names) {
      if (!listedUnder.emplace(name, section.menu).second) {
        problems.push_back(name + " is listed twice");
        continue;
      }
      auto it = byName.find(name);
      if (it == byName.end()) {
        problems.push_back("no entry named " + name);
      } else if (it->second->menu != section.menu) {
        problems.push_back(name + " is listed under " + section.menu + " but its menu is " +
                           it->second->menu);
      }
    }
  }
  for (const auto& [name, c] : byName)
    if (!listedUnder.count(name))
      problems.push_back(name + " (menu " + c->menu + ") is not in the menu table");
  return problems;
}

}  // namespace teril
