#include "gui/document/studycsv.h"

#include <charconv>
#include <cmath>
#include <string>

namespace {

void Add(std::string& out, double value) {
  char text[32];
  const std::to_chars_result end = std::to_chars(text, text + sizeof text, value);
  out.append(text, end.ptr);
}

// An empty field for a number the study does not give.
void AddIf(std::string& out, bool given, double value) {
  out += ',';
  if (given && std::isfinite(value))
    Add(out, value);
}

void AddQuoted(std::string& out, const std::string& text) {
  out += '"';
  for (char c : text) {
    if (c == '"')
      out += '"';
    out += c;
  }
  out += '"';
}

}  // namespace

QByteArray StudyCsv(const study::Result& result) {
  std::string out = "Level,NI,NJ,Spacing,Steps,Time";
  for (int32_t q = 0; q < study::quantityCount; ++q) {
    out += ',';
    out += study::QuantityKey(q);
  }
  out += '\n';
  for (std::size_t k = 0; k < result.levels.size(); ++k) {
    const study::Level& level = result.levels[k];
    out += std::to_string(k + 1) + ',' + std::to_string(level.ni) + ',' + std::to_string(level.nj) +
           ',';
    Add(out, level.spacing);
    out += ',' + std::to_string(level.steps) + ',';
    Add(out, level.time);
    for (double value : level.values) {
      out += ',';
      Add(out, value);
    }
    out += '\n';
  }

  out += "\nQuantity,ObservedOrder,ExpectedOrder,Extrapolated,GCI,Exact,Verdict\n";
  for (int32_t q = 0; q < study::quantityCount; ++q) {
    const study::Estimate& e = result.estimates[q];
    const bool converging = e.kind == study::Estimate::Kind::Converging;
    out += study::QuantityKey(q);
    AddIf(out, converging, e.order);
    AddIf(out, true, e.expectedOrder);
    AddIf(out, converging, e.extrapolated);
    AddIf(out, converging, e.gci);
    AddIf(out, true, result.exact[q]);
    out += ',';
    AddQuoted(out, result.verdicts[q]);
    out += '\n';
  }

  out += "\nProbeI,ProbeJ,ProbeX,ProbeY,SchemeOrder\n";
  out += std::to_string(result.probe.i + 1) + ',' + std::to_string(result.probe.j + 1) + ',';
  Add(out, result.probePoint.x);
  out += ',';
  Add(out, result.probePoint.y);
  out += ',' + std::to_string(result.schemeOrder) + '\n';
  return QByteArray::fromStdString(out);
}
