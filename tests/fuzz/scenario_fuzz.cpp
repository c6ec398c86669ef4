// Scenario files (".ss3"). Input: the text.

#include "saver/battle/scenario.h"
#include "tests/fuzz/fuzz_support.h"

namespace ironwood::fuzz {

void Scenario(const std::uint8_t* data, std::size_t size) {
  ironwood::Scenario scenario;
  std::string why;
  if (!ParseScenarioText(std::string(reinterpret_cast<const char*>(data), size),
                         "/installation/", &scenario, &why)) {
    Check(!why.empty(), "a refused scenario gives a reason");
    Check(scenario.alliance1.entries.empty() && scenario.alliance2.entries.empty(),
          "a refused scenario changes nothing");
    return;
  }
  int battle = 0;
  for (const AllianceList* list : {&scenario.alliance1, &scenario.alliance2}) {
    int total = 0;
    for (const ScenarioEntry& entry : list->entries) {
      Check(entry.shipCount >= 1 && entry.shipCount <= kMaxShipsPerEntry, "1..100 ships an entry");
      Check(entry.pluginPath.size() <= kMaxScenarioPath, "plug-in paths within the limit");
      total += entry.shipCount;
    }
    Check(total == list->total, "an alliance's total is the sum of its entries");
    battle += total;
  }
  Check(battle <= kMaxShipsPerBattle, "at most 2000 ships a battle");
}

}  // namespace ironwood::fuzz

IRONWOOD_FUZZ_ENTRY(Scenario)
