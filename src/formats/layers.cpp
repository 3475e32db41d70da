#include "formats/layers.h"

#include <strings.h>

#include <cstdio>

#include "app/frontend.h"
#include "app/report.h"
#include "formats/cnumbers.h"

namespace kestrel {

ReadChoices readChoices;

void ResetReadChoices() { readChoices = ReadChoices{}; }

bool SameLayerName(const std::string& a, const std::string& b) { return strcasecmp(a.c_str(), b.c_str()) == 0; }

namespace {

std::string Shortened(const std::string& name) {
  if (name.size() <= 40) return name;
  std::size_t n = 37;
  while (n > 0 && (static_cast<unsigned char>(name[n]) & 0xC0) == 0x80) --n;  // not inside a character
  return name.substr(0, n) + "...";
}

}  // namespace

std::string ListWithCounts(const std::vector<std::pair<std::string, long>>& entries, std::size_t limit) {
  std::string text;
  for (std::size_t k = 0; k < entries.size() && k < limit; ++k) {
    if (k > 0) text += ", ";
    text += Shortened(entries[k].first) + " (" + std::to_string(entries[k].second) + ")";
  }
  if (entries.size() > limit) text += " and " + std::to_string(entries.size() - limit) + " more";
  return text;
}

bool ChooseLayers(const char* source, const std::vector<LayerEntry>& layers, const char* one, const char* many,
                  std::vector<bool>& chosen) {
  chosen.assign(layers.size(), readChoices.layers.empty());
  if (!readChoices.layers.empty()) {
    for (const std::string& wanted : readChoices.layers) {
      bool found = false;
      for (std::size_t k = 0; k < layers.size(); ++k) {
        if (!SameLayerName(layers[k].name, wanted)) continue;
        chosen[k] = true;
        found = true;
      }
      if (found) continue;
      std::string names;
      for (std::size_t k = 0; k < layers.size() && names.size() < 300; ++k) {
        names += (k ? ", " : "") + Shortened(layers[k].name);
      }
      Notify(2941, "%s has no layer %s;\nits layers are: %s", source, Shortened(wanted).c_str(),
             names.empty() ? "none" : names.c_str());
      return false;
    }
    return true;
  }
  if (layers.size() < 2 || !readChoices.askLayers) return true;
  std::vector<std::string> items;
  for (const LayerEntry& layer : layers) {
    items.push_back(layer.name + " (" + std::to_string(layer.items) + " " + (layer.items == 1 ? one : many) + ")");
  }
  char text[512];
  std::snprintf(text, sizeof text, "%s has %zu layers.\nTick the layers whose polygons are to be read:", source,
                layers.size());
  std::vector<bool> ticks = chosen;
  if (!UI().AskChoice("select layers", text, items, ticks)) {
    ShowStatusF(true, "nothing read from %s", source);
    return false;
  }
  ticks.resize(layers.size(), false);
  chosen = ticks;
  for (bool tick : chosen) {
    if (tick) return true;
  }
  ShowStatusF(true, "no layer chosen: nothing read from %s", source);
  return false;
}

std::string Decimal(double value) { return FormatCString("%.10g", value); }

bool ConvertToMetres(const char* source, const std::string& unit, double metres) {
  if (readChoices.units != UnitChoice::Ask) return readChoices.units == UnitChoice::Convert;
  char text[512];
  std::snprintf(text, sizeof text,
                "%s is in %s (1 unit = %s m), not in metres.\n"
                "The model files are in the unit of the polygons.\n"
                "Convert the coordinates to metres?",
                source, unit.c_str(), Decimal(metres).c_str());
  return UI().AskYesNoCancel("units", text) == Answer::Yes;
}

}  // namespace kestrel
