#include "gui/document/historycsv.h"

#include <charconv>
#include <map>
#include <string>

namespace {

void Add(std::string& out, double value) {
  char text[32];
  const std::to_chars_result end = std::to_chars(text, text + sizeof text, value);
  out.append(text, end.ptr);
}

}  // namespace

std::vector<VolumeSeries> HistorySeries(const SimManager* run,
                                        const std::vector<VolumeIndex>& watched) {
  std::vector<VolumeSeries> all;
  for (const VolumeIndex& v : watched) {
    VolumeSeries s;
    s.volume = v;
    if (run != nullptr) {
      const TimeHistory& h = run->History();
      const int32_t column = h.ColumnOf(v);
      const NumMatrix<double>& T = run->Snapshot(0).T;
      if (column >= 0) {
        s.recorded = true;
        for (std::size_t r = 0; r < h.Rows(); ++r) {
          s.iterations.push_back(h.Iteration(r));
          s.times.push_back(h.Time(r));
          s.values.push_back(h.Value(r, static_cast<std::size_t>(column)));
        }
      } else if (v.i >= 0 && v.j >= 0 && v.i < T.N() && v.j < T.M()) {
        for (int32_t k = 0; k < run->Count(); ++k) {
          const SimSnapshot& snapshot = run->Snapshot(k);
          s.iterations.push_back(snapshot.Iteration());
          s.times.push_back(snapshot.Time());
          s.values.push_back(snapshot.T[v.i][v.j]);
        }
      }
    }
    all.push_back(std::move(s));
  }
  return all;
}

QByteArray HistoryCsv(const std::vector<VolumeSeries>& series) {
  // Rows by step: every series' steps, each row holding what the series have there.
  struct Row {
    double time = 0;
    std::vector<const double*> values;
  };
  std::map<int32_t, Row> rows;
  for (std::size_t c = 0; c < series.size(); ++c) {
    const VolumeSeries& s = series[c];
    for (std::size_t k = 0; k < s.iterations.size(); ++k) {
      Row& row = rows[s.iterations[k]];
      row.time = s.times[k];
      row.values.resize(series.size(), nullptr);
      row.values[c] = &s.values[k];
    }
  }
  std::string out = "time";
  for (std::size_t c = 0; c < series.size(); ++c)
    out += ",T" + std::to_string(c + 1);
  out += '\n';
  for (const auto& [iteration, row] : rows) {
    Add(out, row.time);
    for (std::size_t c = 0; c < series.size(); ++c) {
      out += ',';
      if (row.values[c] != nullptr)
        Add(out, *row.values[c]);
    }
    out += '\n';
  }
  return QByteArray(out.data(), static_cast<qsizetype>(out.size()));
}
