#include "sim/streammedia.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>
#include <system_error>
#include <vector>

#include "sim/geometry.h"

namespace {

// Long enough for any honest number, however many digits it is written with; longer tokens
// are skipped rather than stored, so a binary file without blanks costs no memory.
const std::size_t maxKeptToken = 1024;
// Lines 1 to 3 are at most 255 characters; one more tells a longer line from "xiso".
const std::size_t maxKeptLine = 256;

const int endOfFile = std::char_traits<char>::eof();

bool IsBlank(int c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

struct Token {
  std::string text;
  bool overlong = false;
  int64_t line = 0;
};

// Reads straight from the stream buffer: independent of the stream's locale and flags, and
// fast enough for the largest grid the program accepts.
class Scanner {
 public:
  explicit Scanner(std::streambuf* buffer) : buffer(buffer) {}

  // The line's first maxKeptLine characters, without the CR of a CR LF ending; `complete`
  // is false when the line was longer.
  std::string ReadLine(bool& complete) {
    std::string kept;
    complete = true;
    for (int c = Get(); c != endOfFile && c != '\n'; c = Get()) {
      if (!IsBlank(c)) {
        lastLine = line;
      }
      if (kept.size() < maxKeptLine) {
        kept.push_back(static_cast<char>(c));
      } else {
        complete = false;
      }
    }
    if (complete && !kept.empty() && kept.back() == '\r') {
      kept.pop_back();
    }
    return kept;
  }

  // False at the end of the stream.
  bool Next(Token& token) {
    int c = Get();
    while (c != endOfFile && IsBlank(c)) {
      c = Get();
    }
    if (c == endOfFile) {
      return false;
    }
    token.text.clear();
    token.overlong = false;
    token.line = line;
    lastLine = line;
    for (; c != endOfFile && !IsBlank(c); c = Get()) {
      if (token.text.size() < maxKeptToken) {
        token.text.push_back(static_cast<char>(c));
      } else {
        token.overlong = true;
      }
    }
    return true;
  }

  // Where the file's last text stands: the line to point at when the file ends too soon.
  int64_t LastLine() const { return lastLine; }

 private:
  int Get() {
    const int c = buffer->sbumpc();
    if (c == '\n') {
      ++line;
    }
    return c;
  }

  std::streambuf* buffer;
  int64_t line = 1;
  int64_t lastLine = 1;
};

std::string LinePrefix(int64_t line) {
  return "Line " + std::to_string(line) + ": ";
}

// The token as a message can show it: short, and free of control or non-ASCII bytes that
// would garble the message box.
std::string Shown(const Token& token) {
  const std::size_t shown = 40;
  std::string text = token.text.substr(0, shown);
  for (char& c : text) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (u < 0x20 || u >= 0x7f) {
      c = '?';
    }
  }
  if (token.text.size() > shown || token.overlong) {
    text += "...";
  }
  return text;
}

std::string Quoted(const Token& token) {
  return "\"" + Shown(token) + "\"";
}

std::string NodeName(int32_t i, int32_t j) {
  return "node (" + std::to_string(i) + ", " + std::to_string(j) + ")";
}

// A plain decimal integer with an optional sign. Values beyond any limit saturate, so that
// the message can still say "too many".
bool ParseCount(const Token& token, int64_t& value) {
  if (token.overlong || token.text.empty()) {
    return false;
  }
  std::size_t k = 0;
  bool negative = false;
  if (token.text[0] == '+' || token.text[0] == '-') {
    negative = token.text[0] == '-';
    k = 1;
  }
  if (k == token.text.size()) {
    return false;
  }
  const int64_t saturation = int64_t{1} << 40;
  value = 0;
  for (; k < token.text.size(); ++k) {
    const char c = token.text[k];
    if (c < '0' || c > '9') {
      return false;
    }
    value = std::min(saturation, value * 10 + (c - '0'));
  }
  if (negative) {
    value = -value;
  }
  return true;
}

enum class NumberStatus { ok, notANumber, notFinite, outOfRange };

NumberStatus ParseCoordinate(const Token& token, double& value) {
  if (token.overlong) {
    return NumberStatus::notANumber;
  }
  const char* first = token.text.data();
  const char* last = first + token.text.size();
  // from_chars refuses the plus sign that people and other programs do write.
  if (first != last && *first == '+') {
    ++first;
    if (first != last && (*first == '+' || *first == '-')) {
      return NumberStatus::notANumber;
    }
  }
  if (first == last) {
    return NumberStatus::notANumber;
  }
  const std::from_chars_result result = std::from_chars(first, last, value);
  if (result.ptr != last) {
    return NumberStatus::notANumber;
  }
  if (result.ec == std::errc::result_out_of_range) {
    return NumberStatus::outOfRange;
  }
  if (result.ec != std::errc()) {
    return NumberStatus::notANumber;
  }
  if (!std::isfinite(value)) {
    return NumberStatus::notFinite;
  }
  return NumberStatus::ok;
}

// Reads one count of the header; an empty result means it is acceptable.
std::string ReadCount(Scanner& scan, const char* name, const char* direction, int64_t& value) {
  const std::string what =
      std::string("the number of volumes in direction ") + direction + " (" + name + ")";
  Token token;
  if (!scan.Next(token)) {
    return LinePrefix(scan.LastLine()) + "the file ends before " + what + ".";
  }
  if (!ParseCount(token, value)) {
    return LinePrefix(token.line) + "expected a whole number for " + what + ", found " +
           Quoted(token) + ".";
  }
  if (value < 2) {
    return LinePrefix(token.line) + "a grid needs at least 2 volumes in direction " + direction +
           ", found " + name + " = " + std::to_string(value) + ".";
  }
  if (value > maxGridFileVolumesPerDirection) {
    return LinePrefix(token.line) + "a grid may have at most " +
           std::to_string(maxGridFileVolumesPerDirection) + " volumes in direction " + direction +
           ", found " + name + " = " + Shown(token) + ".";
  }
  return std::string();
}

std::string ReadLabel(Scanner& scan, const char* before) {
  Token token;
  if (scan.Next(token)) {
    return std::string();
  }
  return LinePrefix(scan.LastLine()) + "the file ends before the label in front of " + before + ".";
}

// Twice the signed areas of the two triangles on the NW-SE diagonal into which the
// simulator splits volume (i, j); positive when the corners run counter-clockwise.
struct Triangles {
  double north;
  double south;
};

Triangles TrianglesOf(const Media& media, int32_t i, int32_t j) {
  const Point& sw = media.node(i, j);
  const Point& se = media.node(i + 1, j);
  const Point& ne = media.node(i + 1, j + 1);
  const Point& nw = media.node(i, j + 1);
  return Triangles{(ne.x - nw.x) * (ne.y - se.y) - (ne.y - nw.y) * (ne.x - se.x),
                   (se.x - sw.x) * (nw.y - sw.y) - (se.y - sw.y) * (nw.x - sw.x)};
}

// Corners that ought to lie on one line rarely give an exact zero once their coordinates
// carry rounding, so areas are judged against the square of the volume's extent.
const double negligibleArea = 1e-12;

// Which way round the grid's volumes run: the sign of its total area. Generated grids run
// counter-clockwise; a file may well list a mirrored grid, which computes just as well.
double Orientation(const Media& media) {
  double total = 0;
  for (int32_t j = 0; j < media.nj; ++j) {
    for (int32_t i = 0; i < media.ni; ++i) {
      const Triangles t = TrianglesOf(media, i, j);
      total += t.north + t.south;
    }
  }
  return total < 0 ? -1 : 1;
}

// The simulator divides by every volume's area, so a flat volume would turn the whole field
// into infinities; a volume turned the other way round from the grid (two sides crossing
// like a bow tie, or folded over its neighbours) overlaps others and makes the first step
// fail. It is far kinder to say which one it is, before anything is run. Without the lines
// of the nodes (a grid that came some other way) the message names the volume alone.
std::string CheckVolumes(const Media& media, const std::vector<int64_t>& nodeLines) {
  const int32_t rowLength = media.ni + 1;
  const double orientation = Orientation(media);
  for (int32_t j = 0; j < media.nj; ++j) {
    for (int32_t i = 0; i < media.ni; ++i) {
      const Triangles t = TrianglesOf(media, i, j);
      const double area = (std::fabs(t.north) + std::fabs(t.south)) / 2;
      const bool infinite = !std::isfinite(area);
      const double tolerance = negligibleArea * ExtentSquared(media, i, j);
      const bool flat = !infinite && area <= tolerance;
      const bool insideOut =
          !infinite && !flat &&
          (orientation * t.north < -tolerance || orientation * t.south < -tolerance);
      if (!infinite && !flat && !insideOut) {
        continue;
      }
      std::string lines;
      if (!nodeLines.empty()) {
        const int64_t firstLine = nodeLines[j * rowLength + i];
        const int64_t lastLine = nodeLines[(j + 1) * rowLength + i + 1];
        lines = firstLine == lastLine ? LinePrefix(firstLine)
                                      : "Lines " + std::to_string(firstLine) + " to " +
                                            std::to_string(lastLine) + ": ";
      }
      // Named by its corners alone, counted from 0 as every node of the file is: a second
      // numbering for volumes would only be mixed up with the first.
      const std::string volume = "the volume with corners " + NodeName(i, j) + ", " +
                                 NodeName(i + 1, j) + ", " + NodeName(i + 1, j + 1) + " and " +
                                 NodeName(i, j + 1);
      if (infinite) {
        return lines + volume + " is too large to compute with; its corners lie too far apart.";
      }
      if (flat) {
        return lines + volume + " has zero area; its corners coincide or lie on one line.";
      }
      return lines + volume +
             " is turned inside out: two of its sides cross, or it is folded over its "
             "neighbours.";
    }
  }
  return std::string();
}

// Reads the node pairs in file order, noting the line of each for later messages.
std::string ReadNodes(Scanner& scan, Media& media, std::vector<int64_t>& nodeLines) {
  const int32_t rowLength = media.ni + 1;
  nodeLines.assign(static_cast<std::size_t>(rowLength) * (media.nj + 1), 0);
  Token token;
  for (int32_t j = 0; j <= media.nj; ++j) {
    for (int32_t i = 0; i <= media.ni; ++i) {
      double value[2] = {0, 0};
      for (int k = 0; k < 2; ++k) {
        if (!scan.Next(token)) {
          const int32_t read = j * rowLength + i;
          const int32_t total = rowLength * (media.nj + 1);
          std::string text =
              LinePrefix(scan.LastLine()) + "the file ends after " + std::to_string(read) +
              " of the " + std::to_string(total) + " nodes it declares (" +
              std::to_string(rowLength) + " x " + std::to_string(media.nj + 1) +
              " for ni = " + std::to_string(media.ni) + ", nj = " + std::to_string(media.nj) + ")";
          if (k == 1) {
            text += "; " + NodeName(i, j) + " has an x coordinate but no y";
          }
          return text + ".";
        }
        const NumberStatus status = ParseCoordinate(token, value[k]);
        if (status == NumberStatus::ok) {
          if (k == 0) {
            nodeLines[static_cast<std::size_t>(j) * rowLength + i] = token.line;
          }
          continue;
        }
        const std::string what =
            std::string("the ") + (k == 0 ? "x" : "y") + " coordinate of " + NodeName(i, j);
        if (status == NumberStatus::notFinite) {
          return LinePrefix(token.line) + what + " is " + Quoted(token) +
                 ", which is not a finite number.";
        }
        if (status == NumberStatus::outOfRange) {
          return LinePrefix(token.line) + what + " is " + Quoted(token) +
                 ", which is too large or too small for the program to hold.";
        }
        std::string text = LinePrefix(token.line) + "expected a number for " + what + ", found " +
                           Quoted(token) + ".";
        if (token.text.find(',') != std::string::npos) {
          text += " Numbers are written with a point as the decimal separator.";
        }
        return text;
      }
      media.node(i, j) = Point{value[0], value[1]};
    }
  }
  return std::string();
}

GridFileResult Refused(std::string message) {
  GridFileResult result;
  result.message = std::move(message);
  return result;
}

}  // namespace

std::string CheckGridVolumes(const Media& media) {
  return CheckVolumes(media, {});
}

GridFileResult ReadGridFile(std::istream& in, const VolumeProperties& record) {
  if (!in || in.rdbuf() == nullptr) {
    return Refused("The file cannot be read.");
  }
  Scanner scan(in.rdbuf());

  bool complete = false;
  const std::string first = scan.ReadLine(complete);
  if (!complete || first != "xiso") {
    // Replacing the grid with anything else would throw away the student's materials and
    // results for a file that was never a grid.
    return Refused(
        "Line 1: this is not a grid file; a grid file starts with a line that says exactly "
        "\"xiso\".");
  }
  scan.ReadLine(complete);
  scan.ReadLine(complete);

  int64_t ni = 0;
  int64_t nj = 0;
  std::string message = ReadLabel(scan, "ni");
  if (message.empty()) {
    message = ReadCount(scan, "ni", "I", ni);
  }
  if (message.empty()) {
    message = ReadLabel(scan, "nj");
  }
  if (message.empty()) {
    message = ReadCount(scan, "nj", "J", nj);
  }
  if (message.empty() && ni * nj > maxGridFileVolumes) {
    message = LinePrefix(scan.LastLine()) + "a grid may have at most " +
              std::to_string(maxGridFileVolumes) + " volumes, found " + std::to_string(ni) + " x " +
              std::to_string(nj) + " = " + std::to_string(ni * nj) + ".";
  }
  if (message.empty()) {
    message = ReadLabel(scan, "the first node");
  }
  if (!message.empty()) {
    return Refused(std::move(message));
  }

  std::unique_ptr<StreamMedia> media(
      new StreamMedia(static_cast<int32_t>(ni), static_cast<int32_t>(nj), record));
  std::vector<int64_t> nodeLines;
  message = ReadNodes(scan, *media, nodeLines);
  if (message.empty()) {
    message = CheckVolumes(*media, nodeLines);
  }
  if (!message.empty()) {
    return Refused(std::move(message));
  }
  GridFileResult result;
  result.media = std::move(media);
  return result;
}
