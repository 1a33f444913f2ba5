#include "gui/document/resultcsv.h"

#include <charconv>
#include <string>

#include "sim/geometry.h"

namespace {

void Add(std::string& out, double value) {
  char text[32];
  const std::to_chars_result end = std::to_chars(text, text + sizeof text, value);
  out.append(text, end.ptr);
}

void Row(std::string& out, const char* label, int32_t k, const Point& at, double value) {
  out += label;
  out += ',';
  out += std::to_string(k);
  out += ',';
  Add(out, at.x);
  out += ',';
  Add(out, at.y);
  out += ',';
  Add(out, value);
  out += '\n';
}

}  // namespace

QByteArray SnapshotCsv(const Media& media, const SimSnapshot& s) {
  const int32_t ni = media.ni;
  const int32_t nj = media.nj;
  std::string out;
  out.reserve(static_cast<std::size_t>(ni) * nj * 120);
  out += "I,J,x,y,T,qx,qy\n";
  for (int32_t j = 0; j < nj; ++j) {
    for (int32_t i = 0; i < ni; ++i) {
      const Point c = GeometryOf(media, i, j).centre;
      out += std::to_string(i + 1);
      out += ',';
      out += std::to_string(j + 1);
      for (double value : {c.x, c.y, s.T[i][j], s.qx[i][j], s.qy[i][j]}) {
        out += ',';
        Add(out, value);
      }
      out += '\n';
    }
  }

  // The stored rates are positive towards decreasing I or J: heat enters through North and
  // East with that sign and through South and West against it.
  out += "\nSide,K,x,y,HeatIn\n";
  for (int32_t i = 0; i < ni; ++i)
    Row(out, "North", i + 1, GeometryOf(media, i, nj - 1).mn, s.heatSN[i][nj]);
  for (int32_t i = 0; i < ni; ++i)
    Row(out, "South", i + 1, GeometryOf(media, i, 0).ms, 0.0 - s.heatSN[i][0]);
  for (int32_t j = 0; j < nj; ++j)
    Row(out, "East", j + 1, GeometryOf(media, ni - 1, j).me, s.heatWE[ni][j]);
  for (int32_t j = 0; j < nj; ++j)
    Row(out, "West", j + 1, GeometryOf(media, 0, j).mw, 0.0 - s.heatWE[0][j]);
  return QByteArray(out.data(), static_cast<qsizetype>(out.size()));
}
