#include "gui/document/problemfile.h"

#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QJsonValue>
#include <QLocale>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <unordered_map>
#include <vector>

#include "gui/document/nativefile.h"
#include "gui/document/savefile.h"
#include "sim/geometry.h"
#include "sim/streammedia.h"

namespace problemfile {

namespace {

const char* const formatName = "Calorivectrix problem";
const int formatVersion = 1;
const char* const sideNames[4] = {"North", "South", "East", "West"};

Face* SideOf(ProblemRecord& p, int side) {
  Face* const faces[4] = {p.northFace.get(), p.southFace.get(), p.eastFace.get(), p.westFace.get()};
  return faces[side];
}

const Face* SideOf(const ProblemRecord& p, int side) {
  return SideOf(const_cast<ProblemRecord&>(p), side);
}

// ---- Writing ---------------------------------------------------------------------------

const char* SolverName(SolverKind solver) {
  return solver == SolverKind::Direct ? "Direct" : "GaussSeidel";
}

QJsonObject GridJson(const Media& media) {
  QJsonObject grid;
  if (const auto* c = dynamic_cast<const CartesianMedia*>(&media)) {
    grid["kind"] = "Cartesian";
    grid["width"] = c->width;
    grid["height"] = c->height;
  } else if (const auto* p = dynamic_cast<const PolarMedia*>(&media)) {
    grid["kind"] = "Polar";
    grid["outerRadius"] = p->re;
    grid["innerRadius"] = p->ri;
    grid["angle"] = p->angleDegrees;
  } else if (const auto* m = dynamic_cast<const MixedMedia*>(&media)) {
    grid["kind"] = "Mixed";
    grid["width"] = m->w;
    grid["height"] = m->h;
    grid["centreHeight"] = m->u;
    grid["radius"] = m->r;
  } else {
    grid["kind"] = "Nodes";
    QJsonArray nodes;
    for (int32_t j = 0; j <= media.nj; ++j) {
      for (int32_t i = 0; i <= media.ni; ++i)
        nodes.append(QJsonArray{media.node(i, j).x, media.node(i, j).y});
    }
    grid["nodes"] = nodes;
  }
  grid["ni"] = media.ni;
  grid["nj"] = media.nj;
  return grid;
}

// The key of a record: its four numbers as bits, with -0 taken as 0 so that records equal as
// numbers share one entry.
struct RecordKey {
  uint64_t bits[4];
  bool operator==(const RecordKey& other) const {
    return std::equal(std::begin(bits), std::end(bits), std::begin(other.bits));
  }
};

struct RecordKeyHash {
  std::size_t operator()(const RecordKey& key) const {
    uint64_t h = 1469598103934665603ULL;
    for (uint64_t b : key.bits)
      h = (h ^ b) * 1099511628211ULL;
    return static_cast<std::size_t>(h);
  }
};

RecordKey KeyOf(const VolumeProperties& v) {
  RecordKey key{};
  const double values[4] = {v.conductivity, v.density, v.specificHeat, v.heatGeneration};
  for (int k = 0; k < 4; ++k) {
    const double value = values[k] == 0 ? 0.0 : values[k];
    std::memcpy(&key.bits[k], &value, sizeof value);
  }
  return key;
}

// Distinct records in order of first use, and each volume's index into them. A problem may
// give every volume a material of its own, so each record is found by its hash.
void MaterialsJson(const Media& media, QJsonObject& out) {
  std::unordered_map<RecordKey, int, RecordKeyHash> index;
  QJsonArray materials;
  QJsonArray volumes;
  for (int32_t j = 0; j < media.nj; ++j) {
    for (int32_t i = 0; i < media.ni; ++i) {
      const VolumeProperties& v = media.volume(i, j);
      const auto [found, added] = index.try_emplace(KeyOf(v), static_cast<int>(index.size()));
      if (added) {
        materials.append(QJsonObject{{"conductivity", v.conductivity},
                                     {"density", v.density},
                                     {"specificHeat", v.specificHeat},
                                     {"heatGeneration", v.heatGeneration}});
      }
      volumes.append(found->second);
    }
  }
  out["materials"] = materials;
  out["volumes"] = volumes;
}

QJsonObject FunctionJson(const Function1D& f) {
  if (const auto* c = dynamic_cast<const FConstant*>(&f))
    return QJsonObject{{"kind", "Constant"}, {"k", c->k}};
  if (const auto* l = dynamic_cast<const FLinear*>(&f))
    return QJsonObject{{"kind", "Linear"}, {"a", l->a}, {"b", l->b}};
  if (const auto* s = dynamic_cast<const FSin*>(&f))
    return QJsonObject{{"kind", "Sin"}, {"a", s->a}, {"b", s->b}, {"c", s->c}};
  const auto& c = dynamic_cast<const FCos&>(f);
  return QJsonObject{{"kind", "Cos"}, {"a", c.a}, {"b", c.b}, {"c", c.c}};
}

int IndexOf(const ProblemRecord& p, const Function1D* f) {
  for (std::size_t k = 0; k < p.functionList.size(); ++k) {
    if (p.functionList[k].get() == f)
      return static_cast<int>(k);
  }
  // A condition on a function outside the list would be a fault of ours; -1 makes the
  // file unreadable rather than wrong, and Save refuses it.
  return -1;
}

QJsonObject ConditionJson(const ProblemRecord& p, const FHeat& c) {
  if (const auto* t = dynamic_cast<const FTemperature*>(&c))
    return QJsonObject{{"kind", "Temperature"}, {"function", IndexOf(p, t->temperature)}};
  if (const auto* q = dynamic_cast<const FFlux*>(&c))
    return QJsonObject{{"kind", "Flux"}, {"function", IndexOf(p, q->flux)}};
  const auto& h = dynamic_cast<const FConvection&>(c);
  return QJsonObject{
      {"kind", "Convection"}, {"h", IndexOf(p, h.h)}, {"ambient", IndexOf(p, h.ambient)}};
}

QJsonObject ReferenceJson(const ReferenceCase& reference) {
  if (const auto* w = std::get_if<PlaneWallCase>(&reference)) {
    return QJsonObject{{"kind", "PlaneWall"},
                       {"x0", w->x0},
                       {"thickness", w->thickness},
                       {"conductivity", w->conductivity},
                       {"diffusivity", w->diffusivity},
                       {"initialTemperature", w->initial},
                       {"westInsulated", w->westInsulated},
                       {"westTemperature", w->westTemperature},
                       {"eastTemperature", w->eastTemperature}};
  }
  if (const auto* f = std::get_if<FinCase>(&reference)) {
    return QJsonObject{{"kind", "Fin"},
                       {"x0", f->x0},
                       {"y0", f->y0},
                       {"length", f->length},
                       {"thickness", f->thickness},
                       {"conductivity", f->conductivity},
                       {"h", f->h},
                       {"baseTemperature", f->baseTemperature},
                       {"ambientTemperature", f->ambient}};
  }
  if (const auto* c = std::get_if<CompositeWallCase>(&reference)) {
    QJsonArray layers;
    for (const WallLayer& layer : c->layers)
      layers.append(
          QJsonObject{{"thickness", layer.thickness}, {"conductivity", layer.conductivity}});
    return QJsonObject{{"kind", "CompositeWall"},
                       {"x0", c->x0},
                       {"layers", layers},
                       {"westTemperature", c->westTemperature},
                       {"eastTemperature", c->eastTemperature}};
  }
  const auto& p = std::get<PipeInSquareCase>(reference);
  return QJsonObject{{"kind", "CircleInSquare"},
                     {"centre", QJsonArray{p.centre.x, p.centre.y}},
                     {"side", p.side},
                     {"diameter", p.diameter},
                     {"conductivity", p.conductivity},
                     {"holeTemperature", p.holeTemperature},
                     {"outerTemperature", p.outerTemperature}};
}

}  // namespace

QByteArray Serialize(const ProblemRecord& p) {
  QJsonObject root;
  root["format"] = formatName;
  root["version"] = formatVersion;
  root["grid"] = GridJson(*p.media);
  MaterialsJson(*p.media, root);

  QJsonArray functions;
  for (const auto& f : p.functionList)
    functions.append(FunctionJson(*f));
  root["functions"] = functions;

  // Conditions in order of first use along North, South, East, West.
  QHash<const FHeat*, int> conditionIndex;
  QJsonArray conditions;
  QJsonObject sides;
  for (int side = 0; side < 4; ++side) {
    const Face& face = *SideOf(p, side);
    QJsonArray bounds;
    QJsonArray used;
    for (int32_t s = 0; s <= face.count; ++s)
      bounds.append(face.bounds[s]);
    for (int32_t s = 0; s < face.count; ++s) {
      const FHeat* c = face.f[s];
      auto found = conditionIndex.constFind(c);
      if (found == conditionIndex.constEnd()) {
        found = conditionIndex.insert(c, static_cast<int>(conditions.size()));
        conditions.append(ConditionJson(p, *c));
      }
      used.append(*found);
    }
    sides[sideNames[side]] = QJsonObject{{"bounds", bounds}, {"conditions", used}};
  }
  root["conditions"] = conditions;
  root["sides"] = sides;

  root["initialTemperature"] = p.initialTemp;
  QJsonObject parameters{
      {"dt", p.dt},           {"maxIterTime", p.maxIterTime}, {"maxIterSpace", p.maxIterSpace},
      {"tolTime", p.tolTime}, {"tolSpace", p.tolSpace},       {"solver", SolverName(p.solver)}};
  // Left out for a transient, so that files of transient problems keep their bytes.
  if (p.runMode == RunMode::Steady)
    parameters["runMode"] = "Steady";
  root["parameters"] = parameters;
  QJsonArray marks;
  for (int32_t k = 0; k < p._marks->N(); ++k)
    marks.append((*p._marks)[k]);
  root["animationSteps"] = marks;
  // Left out when none is watched, so that a problem without watched volumes reads as it
  // always has.
  if (!p.watched.empty()) {
    QJsonArray watched;
    for (const VolumeIndex& v : p.watched)
      watched.append(QJsonArray{v.i + 1, v.j + 1});
    root["watchedVolumes"] = watched;
  }
  if (p.reference)
    root["reference"] = ReferenceJson(*p.reference);
  // Laid out for reading by hand, unless the problem is so large (every volume its own
  // material) that the layout, which can multiply the bytes of a list of small numbers
  // several times over, might pass the size the reader accepts.
  const QJsonDocument document(root);
  const QByteArray compact = document.toJson(QJsonDocument::Compact);
  if (compact.size() > maxFileBytes / 16)
    return compact;
  const QByteArray indented = document.toJson(QJsonDocument::Indented);
  return indented.size() <= maxFileBytes ? indented : compact;
}

// ---- Reading ---------------------------------------------------------------------------

namespace {

// A refusal on its way out: the first fault found is the one reported.
struct Refusal {
  QString message;
};

QString Shown(const QJsonValue& v) {
  switch (v.type()) {
    case QJsonValue::Null:
      return "null";
    case QJsonValue::Bool:
      return v.toBool() ? "true" : "false";
    case QJsonValue::Double:
      return QString::number(v.toDouble(), 'g', QLocale::FloatingPointShortest);
    case QJsonValue::String: {
      QString s = v.toString();
      if (s.size() > 40)
        s = s.left(40) + "...";
      return "\"" + s + "\"";
    }
    case QJsonValue::Array:
      return "a list";
    case QJsonValue::Object:
      return "a group of values";
    default:
      return "nothing";
  }
}

// Walks the document with the path of each value at hand, so that every refusal can say
// where the fault lies ("sides.North.bounds[2]").
class Reader {
 public:
  [[noreturn]] static void Fail(const QString& where, const QString& what) {
    throw Refusal{where.isEmpty() ? what : where + ": " + what};
  }

  static QJsonValue Member(const QJsonObject& o, const QString& path, const char* key) {
    const QJsonValue v = o.value(key);
    if (v.isUndefined())
      Fail(path, QString("\"%1\" is missing.").arg(key));
    return v;
  }

  static QString Join(const QString& path, const char* key) {
    return path.isEmpty() ? QString(key) : path + "." + key;
  }

  static QJsonObject Object(const QJsonObject& o, const QString& path, const char* key) {
    const QJsonValue v = Member(o, path, key);
    if (!v.isObject())
      Fail(Join(path, key), "expected a group of values in braces, found " + Shown(v) + ".");
    return v.toObject();
  }

  // A list whose length is checked before anything sized by it is allocated.
  static QJsonArray Array(const QJsonValue& v, const QString& where, qint64 minSize,
                          qint64 maxSize) {
    if (!v.isArray())
      Fail(where, "expected a list in brackets, found " + Shown(v) + ".");
    const QJsonArray a = v.toArray();
    if (a.size() < minSize || a.size() > maxSize) {
      if (minSize == maxSize) {
        Fail(where, QString("expected %1 entries, found %2.").arg(minSize).arg(a.size()));
      }
      Fail(where, QString("expected from %1 to %2 entries, found %3.")
                      .arg(minSize)
                      .arg(maxSize)
                      .arg(a.size()));
    }
    return a;
  }

  static QJsonArray Array(const QJsonObject& o, const QString& path, const char* key,
                          qint64 minSize, qint64 maxSize) {
    return Array(Member(o, path, key), Join(path, key), minSize, maxSize);
  }

  static double Number(const QJsonValue& v, const QString& where) {
    // Qt reads numbers beyond the double range as infinities, and JSON has no other way to
    // write them; either way the simulator cannot use them.
    if (!v.isDouble() || !std::isfinite(v.toDouble()))
      Fail(where, "expected a finite number, found " + Shown(v) + ".");
    return v.toDouble();
  }

  static double Number(const QJsonObject& o, const QString& path, const char* key) {
    return Number(Member(o, path, key), Join(path, key));
  }

  static double Positive(const QJsonObject& o, const QString& path, const char* key) {
    const double value = Number(o, path, key);
    if (!(value > 0))
      Fail(Join(path, key), "must be greater than 0, found " + Shown(value) + ".");
    return value;
  }

  static int64_t Whole(const QJsonValue& v, const QString& where, int64_t low, int64_t high) {
    return Whole(
        v, [&where] { return where; }, low, high);
  }

  // The same with the place spelled out only for a refusal: a grid's worth of volumes is
  // read far faster without a message made for each.
  template <class Where>
  static int64_t Whole(const QJsonValue& v, const Where& where, int64_t low, int64_t high) {
    const double d = v.isDouble() ? v.toDouble() : std::nan("");
    if (!(d >= static_cast<double>(low) && d <= static_cast<double>(high)) || d != std::floor(d)) {
      Fail(where(), QString("expected a whole number from %1 to %2, found %3.")
                        .arg(low)
                        .arg(high)
                        .arg(Shown(v)));
    }
    return static_cast<int64_t>(d);
  }

  static int64_t Whole(const QJsonObject& o, const QString& path, const char* key, int64_t low,
                       int64_t high) {
    return Whole(Member(o, path, key), Join(path, key), low, high);
  }

  static QString Text(const QJsonObject& o, const QString& path, const char* key) {
    const QJsonValue v = Member(o, path, key);
    if (!v.isString())
      Fail(Join(path, key), "expected a name in quotes, found " + Shown(v) + ".");
    return v.toString();
  }
};

QString Index(const QString& path, qint64 k) {
  return QString("%1[%2]").arg(path).arg(k);
}

QString NodeWhere(int64_t i, int64_t j, qint64 k) {
  return QString("grid.nodes[%1] (node (%2, %3))").arg(k).arg(i).arg(j);
}

std::unique_ptr<Media> ReadGrid(const QJsonObject& root) {
  const QString path = "grid";
  const QJsonObject g = Reader::Object(root, "", "grid");
  const QString kind = Reader::Text(g, path, "kind");
  const int64_t ni = Reader::Whole(g, path, "ni", 2, maxGridFileVolumesPerDirection);
  const int64_t nj =
      Reader::Whole(g, path, "nj", kind == "Mixed" ? 4 : 2, maxGridFileVolumesPerDirection);
  if (ni * nj > maxGridFileVolumes) {
    Reader::Fail(path, QString("a grid may have at most %1 volumes, found %2 x %3 = %4.")
                           .arg(maxGridFileVolumes)
                           .arg(ni)
                           .arg(nj)
                           .arg(ni * nj));
  }
  const int32_t n = static_cast<int32_t>(ni);
  const int32_t m = static_cast<int32_t>(nj);
  const VolumeProperties gold = DefaultMaterial();
  // The same rules as the geometry wizard's, so that a file describes only grids the
  // program itself could have made.
  if (kind == "Cartesian") {
    const double w = Reader::Positive(g, path, "width");
    const double h = Reader::Positive(g, path, "height");
    return std::make_unique<CartesianMedia>(w, h, n, m, gold);
  }
  if (kind == "Polar") {
    const double re = Reader::Positive(g, path, "outerRadius");
    const double ri = Reader::Positive(g, path, "innerRadius");
    const double angle = Reader::Positive(g, path, "angle");
    if (!(ri < re))
      Reader::Fail(path, "the inner radius must be smaller than the outer radius.");
    if (!(angle <= 360))
      Reader::Fail(path + ".angle", "must be at most 360 degrees, found " + Shown(angle) + ".");
    return std::make_unique<PolarMedia>(re, ri, angle, n, m, gold);
  }
  if (kind == "Mixed") {
    const double w = Reader::Positive(g, path, "width");
    const double h = Reader::Positive(g, path, "height");
    const double u = Reader::Positive(g, path, "centreHeight");
    const double r = Reader::Positive(g, path, "radius");
    if (!(r < u && u + r < h && r < w)) {
      Reader::Fail(path,
                   "the hole must lie inside the rectangle: radius < centreHeight, "
                   "centreHeight + radius < height and radius < width.");
    }
    return std::make_unique<MixedMedia>(w, h, u, r, n, m, gold);
  }
  if (kind != "Nodes") {
    Reader::Fail(
        path + ".kind",
        "expected \"Cartesian\", \"Polar\", \"Mixed\" or \"Nodes\", found " + Shown(kind) + ".");
  }
  const qint64 count = (ni + 1) * (nj + 1);
  const QJsonArray nodes = Reader::Array(g, path, "nodes", count, count);
  auto media = std::make_unique<Media>(n, m, gold);
  for (int32_t j = 0; j <= m; ++j) {
    for (int32_t i = 0; i <= n; ++i) {
      const qint64 k = static_cast<qint64>(j) * (n + 1) + i;
      const QJsonArray pair = Reader::Array(nodes.at(k), NodeWhere(i, j, k), 2, 2);
      media->node(i, j) = Point{Reader::Number(pair.at(0), NodeWhere(i, j, k) + " x"),
                                Reader::Number(pair.at(1), NodeWhere(i, j, k) + " y")};
    }
  }
  return media;
}

void CheckShapes(const Media& media) {
  for (int32_t j = 0; j < media.nj; ++j) {
    for (int32_t i = 0; i < media.ni; ++i) {
      const VolumeShape shape = ShapeOf(media, i, j);
      if (shape == VolumeShape::sound)
        continue;
      Reader::Fail("grid", QString("volume (%1, %2) %3.")
                               .arg(i + 1)
                               .arg(j + 1)
                               .arg(shape == VolumeShape::flat
                                        ? "has zero area: its corners coincide or lie on one line"
                                        : "is too large to compute with"));
    }
  }
  // Nodes written by hand can also cross over one another, which no single volume's area
  // shows; a grid file is refused for it, and so is a problem file.
  const std::string crossing = CheckGridVolumes(media);
  if (!crossing.empty())
    Reader::Fail("grid.nodes", QString::fromStdString(crossing));
}

void ReadMaterials(const QJsonObject& root, Media& media) {
  const qint64 volumeCount = static_cast<qint64>(media.ni) * media.nj;
  const QJsonArray materials = Reader::Array(root, "", "materials", 1, volumeCount);
  std::vector<VolumeProperties> records;
  records.reserve(static_cast<std::size_t>(materials.size()));
  for (qint64 k = 0; k < materials.size(); ++k) {
    const QString where = Index("materials", k);
    const QJsonValue v = materials.at(k);
    if (!v.isObject())
      Reader::Fail(where, "expected a group of values in braces, found " + Shown(v) + ".");
    const QJsonObject o = v.toObject();
    VolumeProperties p;
    p.conductivity = Reader::Positive(o, where, "conductivity");
    p.density = Reader::Positive(o, where, "density");
    p.specificHeat = Reader::Positive(o, where, "specificHeat");
    p.heatGeneration = Reader::Number(o, where, "heatGeneration");
    if (!PropertiesInRange(p)) {
      Reader::Fail(where, QString("a property may be at most %1 in size; larger ones overflow in "
                                  "the equations.")
                              .arg(maxPropertyMagnitude, 0, 'g'));
    }
    records.push_back(p);
  }
  const QJsonArray volumes = Reader::Array(root, "", "volumes", volumeCount, volumeCount);
  for (int32_t j = 0; j < media.nj; ++j) {
    for (int32_t i = 0; i < media.ni; ++i) {
      const qint64 k = static_cast<qint64>(j) * media.ni + i;
      const auto where = [k, i, j] {
        return QString("volumes[%1] (volume (%2, %3))").arg(k).arg(i + 1).arg(j + 1);
      };
      const int64_t m = Reader::Whole(volumes.at(k), where, 0, materials.size() - 1);
      media.volume(i, j) = records[static_cast<std::size_t>(m)];
    }
  }
}

void ReadFunctions(const QJsonObject& root, ProblemRecord& p) {
  const QJsonArray functions = Reader::Array(root, "", "functions", 1, maxFunctions);
  for (qint64 k = 0; k < functions.size(); ++k) {
    const QString where = Index("functions", k);
    const QJsonValue v = functions.at(k);
    if (!v.isObject())
      Reader::Fail(where, "expected a group of values in braces, found " + Shown(v) + ".");
    const QJsonObject o = v.toObject();
    const QString kind = Reader::Text(o, where, "kind");
    if (kind == "Constant") {
      p.functionList.push_back(std::make_unique<FConstant>(Reader::Number(o, where, "k")));
    } else if (kind == "Linear") {
      const double a = Reader::Number(o, where, "a");
      p.functionList.push_back(std::make_unique<FLinear>(a, Reader::Number(o, where, "b")));
    } else if (kind == "Sin" || kind == "Cos") {
      const double a = Reader::Number(o, where, "a");
      const double b = Reader::Number(o, where, "b");
      const double c = Reader::Number(o, where, "c");
      if (kind == "Sin")
        p.functionList.push_back(std::make_unique<FSin>(a, b, c));
      else
        p.functionList.push_back(std::make_unique<FCos>(a, b, c));
    } else {
      Reader::Fail(
          where + ".kind",
          "expected \"Constant\", \"Linear\", \"Sin\" or \"Cos\", found " + Shown(kind) + ".");
    }
  }
}

// Holds one reference on each condition while the sides are laid, so that every condition is
// released exactly once however the reading ends.
class Conditions {
 public:
  Conditions() = default;
  Conditions(const Conditions&) = delete;
  Conditions& operator=(const Conditions&) = delete;
  ~Conditions() {
    for (FHeat* c : list)
      c->Release();
  }
  void Add(FHeat* c) {
    c->Acquire();
    list.push_back(c);
  }
  std::vector<FHeat*> list;
};

void ReadConditions(const QJsonObject& root, const ProblemRecord& p, Conditions& out) {
  const QJsonArray conditions = Reader::Array(root, "", "conditions", 1, maxConditions);
  const int64_t lastFunction = static_cast<int64_t>(p.functionList.size()) - 1;
  for (qint64 k = 0; k < conditions.size(); ++k) {
    const QString where = Index("conditions", k);
    const QJsonValue v = conditions.at(k);
    if (!v.isObject())
      Reader::Fail(where, "expected a group of values in braces, found " + Shown(v) + ".");
    const QJsonObject o = v.toObject();
    const QString kind = Reader::Text(o, where, "kind");
    auto function = [&](const char* key) {
      return p.functionList[static_cast<std::size_t>(Reader::Whole(o, where, key, 0, lastFunction))]
          .get();
    };
    if (kind == "Temperature") {
      out.Add(new FTemperature(function("function")));
    } else if (kind == "Flux") {
      out.Add(new FFlux(function("function")));
    } else if (kind == "Convection") {
      const Function1D* h = function("h");
      out.Add(new FConvection(h, function("ambient")));
    } else {
      Reader::Fail(where + ".kind", "expected \"Temperature\", \"Flux\" or \"Convection\", found " +
                                        Shown(kind) + ".");
    }
  }
}

void ReadSides(const QJsonObject& root, ProblemRecord& p, const Conditions& conditions) {
  const QJsonObject sides = Reader::Object(root, "", "sides");
  const int64_t lastCondition = static_cast<int64_t>(conditions.list.size()) - 1;
  for (int side = 0; side < 4; ++side) {
    const QString path = QString("sides.") + sideNames[side];
    const QJsonObject o = Reader::Object(sides, "sides", sideNames[side]);
    const QJsonArray used = Reader::Array(o, path, "conditions", 1, Face::capacity);
    const QJsonArray bounds = Reader::Array(o, path, "bounds", used.size() + 1, used.size() + 1);
    std::vector<double> b;
    for (qint64 k = 0; k < bounds.size(); ++k) {
      const QString where = Index(path + ".bounds", k);
      b.push_back(Reader::Number(bounds.at(k), where));
      if (k == 0 && b[0] != 0)
        Reader::Fail(where, "a side starts at 0, found " + Shown(b[0]) + ".");
      if (k > 0 && !(b[k] > b[k - 1]))
        Reader::Fail(where, "bounds must increase along the side, found " + Shown(b[k]) +
                                " after " + Shown(b[k - 1]) + ".");
    }
    if (b.back() != 1)
      Reader::Fail(Index(path + ".bounds", bounds.size() - 1),
                   "a side ends at 1, found " + Shown(b.back()) + ".");
    Face& face = *SideOf(p, side);
    for (qint64 s = 0; s < used.size(); ++s) {
      const int64_t c = Reader::Whole(used.at(s), Index(path + ".conditions", s), 0, lastCondition);
      face.Insert(Segment{b[static_cast<std::size_t>(s)], b[static_cast<std::size_t>(s) + 1],
                          conditions.list[static_cast<std::size_t>(c)]});
    }
  }
}

void ReadSettings(const QJsonObject& root, ProblemRecord& p) {
  p.initialTemp = Reader::Number(root, "", "initialTemperature");
  const QString path = "parameters";
  const QJsonObject o = Reader::Object(root, "", "parameters");
  p.dt = Reader::Positive(o, path, "dt");
  p.maxIterTime = static_cast<int32_t>(Reader::Whole(o, path, "maxIterTime", 1, INT32_MAX));
  p.maxIterSpace = static_cast<int32_t>(Reader::Whole(o, path, "maxIterSpace", 1, INT32_MAX));
  p.tolTime = Reader::Positive(o, path, "tolTime");
  p.tolSpace = Reader::Positive(o, path, "tolSpace");
  // A file written by hand may leave the solver to the program, as a new problem does.
  if (o.contains("solver")) {
    const QString solver = Reader::Text(o, path, "solver");
    if (solver == "Direct") {
      p.solver = SolverKind::Direct;
    } else if (solver == "GaussSeidel") {
      p.solver = SolverKind::GaussSeidel;
    } else {
      Reader::Fail(path + ".solver",
                   "expected \"GaussSeidel\" or \"Direct\", found " + Shown(solver) + ".");
    }
  }
  // Files from before the steady mode march in time.
  if (o.contains("runMode")) {
    const QString mode = Reader::Text(o, path, "runMode");
    if (mode == "Steady") {
      p.runMode = RunMode::Steady;
    } else if (mode == "Transient") {
      p.runMode = RunMode::Transient;
    } else {
      Reader::Fail(path + ".runMode",
                   "expected \"Transient\" or \"Steady\", found " + Shown(mode) + ".");
    }
  }

  const QJsonArray marks = Reader::Array(root, "", "animationSteps", 2,
                                         std::min<qint64>(maxAnimationTimes, p.maxIterTime + 1LL));
  auto list = std::make_unique<NumVector<int>>(static_cast<int32_t>(marks.size()));
  for (qint64 k = 0; k < marks.size(); ++k) {
    const QString where = Index("animationSteps", k);
    const int64_t low = k == 0 ? 0 : (*list)[static_cast<int32_t>(k - 1)] + 1;
    const int64_t high = k == 0 ? 0 : p.maxIterTime;
    if (k == 0 && !(marks.at(0).isDouble() && marks.at(0).toDouble() == 0))
      Reader::Fail(where, "the first animation time is step 0, found " + Shown(marks.at(0)) + ".");
    (*list)[static_cast<int32_t>(k)] =
        static_cast<int>(Reader::Whole(marks.at(k), where, low, high));
  }
  const int last = (*list)[list->N() - 1];
  if (last != p.maxIterTime) {
    Reader::Fail(Index("animationSteps", marks.size() - 1),
                 QString("the last animation time is the last step, %1, found %2.")
                     .arg(p.maxIterTime)
                     .arg(last));
  }
  p.SetMarks(std::move(list));
}

void ReadWatched(const QJsonObject& root, ProblemRecord& p) {
  if (!root.contains("watchedVolumes"))
    return;
  const QString path = "watchedVolumes";
  const QJsonArray list = Reader::Array(root.value(path), path, 0, ProblemRecord::kMaxWatched);
  for (qint64 k = 0; k < list.size(); ++k) {
    const QString where = Index(path, k);
    const QJsonArray pair = Reader::Array(list.at(k), where, 2, 2);
    const int64_t i = Reader::Whole(pair.at(0), where + " I", 1, p.media->ni);
    const int64_t j = Reader::Whole(pair.at(1), where + " J", 1, p.media->nj);
    const VolumeIndex volume{static_cast<int32_t>(i - 1), static_cast<int32_t>(j - 1)};
    if (!p.SetWatched(volume, true))
      Reader::Fail(where, QString("volume (%1, %2) is watched twice.").arg(i).arg(j));
  }
}

bool Flag(const QJsonObject& o, const QString& path, const char* key) {
  const QJsonValue v = Reader::Member(o, path, key);
  if (!v.isBool())
    Reader::Fail(Reader::Join(path, key), "expected true or false, found " + Shown(v) + ".");
  return v.toBool();
}

// The exact solution a problem may carry; a file without one (every file written before
// there were references) reads as a problem without.
void ReadReference(const QJsonObject& root, ProblemRecord& p) {
  if (!root.contains("reference"))
    return;
  const QString path = "reference";
  const QJsonObject o = Reader::Object(root, "", "reference");
  const QString kind = Reader::Text(o, path, "kind");
  auto number = [&](const char* key) { return Reader::Number(o, path, key); };
  ReferenceCase reference;
  if (kind == "PlaneWall") {
    reference = PlaneWallCase{number("x0"),
                              number("thickness"),
                              number("conductivity"),
                              number("diffusivity"),
                              number("initialTemperature"),
                              Flag(o, path, "westInsulated"),
                              number("westTemperature"),
                              number("eastTemperature")};
  } else if (kind == "Fin") {
    reference = FinCase{number("x0"),
                        number("y0"),
                        number("length"),
                        number("thickness"),
                        number("conductivity"),
                        number("h"),
                        number("baseTemperature"),
                        number("ambientTemperature")};
  } else if (kind == "CompositeWall") {
    CompositeWallCase wall{number("x0"), {}, number("westTemperature"), number("eastTemperature")};
    const QJsonArray layers = Reader::Array(o, path, "layers", 1, 100);
    for (qint64 k = 0; k < layers.size(); ++k) {
      const QString where = Index(path + ".layers", k);
      if (!layers.at(k).isObject())
        Reader::Fail(where,
                     "expected a group of values in braces, found " + Shown(layers.at(k)) + ".");
      const QJsonObject layer = layers.at(k).toObject();
      wall.layers.push_back(WallLayer{Reader::Number(layer, where, "thickness"),
                                      Reader::Number(layer, where, "conductivity")});
    }
    reference = wall;
  } else if (kind == "CircleInSquare") {
    const QJsonArray centre = Reader::Array(o, path, "centre", 2, 2);
    reference = PipeInSquareCase{Point{Reader::Number(centre.at(0), path + ".centre[0]"),
                                       Reader::Number(centre.at(1), path + ".centre[1]")},
                                 number("side"),
                                 number("diameter"),
                                 number("conductivity"),
                                 number("holeTemperature"),
                                 number("outerTemperature")};
  } else {
    Reader::Fail(path + ".kind",
                 "expected \"PlaneWall\", \"Fin\", \"CompositeWall\" or \"CircleInSquare\", "
                 "found " +
                     Shown(kind) + ".");
  }
  const std::string fault = CheckReference(reference);
  if (!fault.empty())
    Reader::Fail(path, QString::fromStdString(fault));
  p.reference = reference;
}

QString Where(const QByteArray& bytes, int offset) {
  int line = 1;
  int column = 1;
  for (int k = 0; k < offset && k < bytes.size(); ++k) {
    if (bytes[k] == '\n') {
      ++line;
      column = 1;
    } else {
      ++column;
    }
  }
  return QString("line %1, column %2").arg(line).arg(column);
}

}  // namespace

ReadResult Parse(const QByteArray& bytes) {
  ReadResult result;
  if (bytes.size() > maxFileBytes) {
    result.message = QString("The file is larger than %1 MB; no problem file is that large.")
                         .arg(maxFileBytes / (1024 * 1024));
    return result;
  }
  QJsonParseError error;
  const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
  if (error.error != QJsonParseError::NoError) {
    result.message = QString("This is not a problem file, or it is damaged: at %1, %2.")
                         .arg(Where(bytes, error.offset), error.errorString());
    return result;
  }
  if (!document.isObject() || document.object().value("format") != QJsonValue(formatName)) {
    result.message =
        "This is not a problem file: it does not say \"format\": \"" + QString(formatName) + "\".";
    return result;
  }
  const QJsonObject root = document.object();
  try {
    const int64_t version = Reader::Whole(root, "", "version", 1, INT32_MAX);
    if (version > formatVersion) {
      Reader::Fail("", QString("The file was written by a newer version of the program (problem "
                               "format %1); this one reads format %2.")
                           .arg(version)
                           .arg(formatVersion));
    }
    auto p = std::make_unique<ProblemRecord>();
    p->ReleaseConditions();
    p->northFace = std::make_unique<Face>();
    p->southFace = std::make_unique<Face>();
    p->eastFace = std::make_unique<Face>();
    p->westFace = std::make_unique<Face>();

    p->media = ReadGrid(root);
    CheckShapes(*p->media);
    ReadMaterials(root, *p->media);
    ReadFunctions(root, *p);
    {
      Conditions conditions;
      ReadConditions(root, *p, conditions);
      ReadSides(root, *p, conditions);
    }
    ReadSettings(root, *p);
    ReadWatched(root, *p);
    ReadReference(root, *p);
    result.problem = std::move(p);
  } catch (const Refusal& refusal) {
    result.message = refusal.message;
  } catch (const std::bad_alloc&) {
    result.message = "The file describes a problem too large for the memory of this computer.";
  }
  return result;
}

ReadResult Open(const QString& fileName) {
  ReadResult result;
  QFile file;
  QString reason;
  if (!nativefile::OpenForReading(file, fileName, &reason)) {
    reason[0] = reason[0].toUpper();
    result.message = reason + ".";
    return result;
  }
  if (file.size() > maxFileBytes) {
    result.message = QString("The file is larger than %1 MB; no problem file is that large.")
                         .arg(maxFileBytes / (1024 * 1024));
    return result;
  }
  // Read at most one byte past the limit: a file that grows while it is read is still caught.
  const QByteArray bytes = file.read(maxFileBytes + 1);
  if (file.error() != QFileDevice::NoError) {
    result.message =
        "The file cannot be read: " + nativefile::Reason(errno != 0 ? errno : EIO) + ".";
    return result;
  }
  return Parse(bytes);
}

bool Save(const ProblemRecord& problem, const QString& fileName, QString* message) {
  const QByteArray bytes = Serialize(problem);
  // A file the program could not open again is worse than no file: say so now.
  const ReadResult check = Parse(bytes);
  if (!check.problem) {
    if (message)
      *message = "The problem cannot be saved: " + check.message;
    return false;
  }
  return WriteAtomically(fileName, bytes, message);
}

}  // namespace problemfile
