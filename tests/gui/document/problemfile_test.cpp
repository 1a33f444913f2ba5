#include "gui/document/problemfile.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <cmath>
#include <limits>
#include <random>
#include <sstream>

#include "sim/streammedia.h"
#include "tests/gui/support.h"

namespace {

const VolumeProperties copper{401, 8933, 385, 0};
const VolumeProperties heatedSteel{60.5, 7854, 434, 2.5e5};

// A problem that uses every kind of thing a file holds: a polar grid with two painted
// materials, user functions of every kind, a condition shared by two sides, a side split
// into three, convection, and settings away from their defaults.
std::unique_ptr<ProblemRecord> RichProblem() {
  auto p = std::make_unique<ProblemRecord>();
  p->media = std::make_unique<PolarMedia>(0.3, 0.1, 75, 7, 9, DefaultMaterial());
  for (int i = 0; i < 7; ++i) {
    for (int j = 0; j < 9; ++j) {
      if (i >= 3)
        p->media->volume(i, j) = copper;
      if (i == 1 && j > 4)
        p->media->volume(i, j) = heatedSteel;
    }
  }
  auto& f = p->functionList;
  f.push_back(std::make_unique<FLinear>(-3.25, 1.0 / 3));
  f.push_back(std::make_unique<FSin>(0.5, 2, 4.75));
  f.push_back(std::make_unique<FCos>(1, -0.1, 3.141592653589793));
  f.push_back(std::make_unique<FConstant>(25.125));
  // North and East share one convection condition; West gets three segments.
  FHeat* convection = new FConvection(f[7].get(), f[4].get());
  p->northFace->Insert(Segment{0, 1, convection});
  p->eastFace->Insert(Segment{0.25, 1, convection});
  p->westFace->Insert(Segment{0.2, 0.7, new FTemperature(f[5].get())});
  p->westFace->Insert(Segment{0.7, 1, new FFlux(f[6].get())});
  p->initialTemp = 12.5;
  p->solver = SolverKind::Direct;
  p->SetParameters(1e-6, 3e-7, 600, 5000, 0.75);
  auto marks = std::make_unique<NumVector<int>>(4);
  (*marks)[0] = 0;
  (*marks)[1] = 7;
  (*marks)[2] = 250;
  (*marks)[3] = 600;
  p->SetMarks(std::move(marks));
  // Watched in an order that is not the grid's: the file keeps the markers' numbers.
  p->SetWatched({6, 8}, true);
  p->SetWatched({0, 1}, true);
  return p;
}

problemfile::ReadResult RoundTrip(const ProblemRecord& p) {
  return problemfile::Parse(problemfile::Serialize(p));
}

TEST(ProblemFile, RoundTripRunsBitIdentically) {
  auto original = RichProblem();
  const QByteArray text = problemfile::Serialize(*original);
  problemfile::ReadResult read = problemfile::Parse(text);
  ASSERT_TRUE(read.problem) << read.message.toStdString();
  ProblemRecord& copy = *read.problem;
  EXPECT_EQ(problemfile::Serialize(copy), text);

  // The shared condition is shared again, and the split side has its three segments.
  EXPECT_EQ(copy.northFace->f[0], copy.eastFace->f[1]);
  EXPECT_EQ(copy.northFace->f[0]->Locks(), 2);
  ASSERT_EQ(copy.westFace->count, 3);
  EXPECT_EQ(copy.westFace->bounds[1], 0.2);
  EXPECT_STREQ(copy.westFace->f[2]->Name(), "Flux");
  ASSERT_EQ(copy.functionList.size(), 8u);
  EXPECT_EQ(copy.functionList[4]->Value(0.3), original->functionList[4]->Value(0.3));
  ASSERT_EQ(copy._marks->N(), 4);
  EXPECT_EQ((*copy._marks)[2], 250);
  EXPECT_EQ(copy.maxIterSpace, 5000);
  EXPECT_EQ(copy.tolSpace, 3e-7);
  EXPECT_EQ(copy.solver, SolverKind::Direct);
  ASSERT_EQ(copy.watched.size(), 2u);
  EXPECT_EQ(copy.watched[0], (VolumeIndex{6, 8}));
  EXPECT_EQ(copy.watched[1], (VolumeIndex{0, 1}));

  const std::unique_ptr<SimManager> a = RunToEnd(*original, UniformStart(*original));
  const std::unique_ptr<SimManager> b = RunToEnd(copy, UniformStart(copy));
  ASSERT_EQ(a->Count(), b->Count());
  ASSERT_GT(a->LastSnapshot().Iteration(), 7);
  ExpectSameField(a->LastSnapshot().T, b->LastSnapshot().T);
  ExpectSameField(a->LastSnapshot().heatWE, b->LastSnapshot().heatWE);
}

TEST(ProblemFile, TheSteadyModeIsKeptAndFilesWithoutItMarchInTime) {
  auto p = RichProblem();
  // A transient's file is what it was before there was a steady mode.
  const QByteArray transient = problemfile::Serialize(*p);
  EXPECT_FALSE(transient.contains("runMode"));
  p->runMode = RunMode::Steady;
  const QByteArray steady = problemfile::Serialize(*p);
  problemfile::ReadResult read = problemfile::Parse(steady);
  ASSERT_TRUE(read.problem) << read.message.toStdString();
  EXPECT_EQ(read.problem->runMode, RunMode::Steady);
  EXPECT_EQ(problemfile::Serialize(*read.problem), steady);
  const std::unique_ptr<SimManager> a = RunToEnd(*p, UniformStart(*p));
  const std::unique_ptr<SimManager> b = RunToEnd(*read.problem, UniformStart(*read.problem));
  ASSERT_EQ(a->Count(), 2);
  ASSERT_EQ(b->Count(), 2);
  EXPECT_FALSE(std::isfinite(b->LastSnapshot().Time()));
  ExpectSameField(a->LastSnapshot().T, b->LastSnapshot().T);

  // Written by hand, either way.
  for (const char* mode : {"Transient", "Steady"}) {
    QJsonObject root = QJsonDocument::fromJson(transient).object();
    QJsonObject parameters = root["parameters"].toObject();
    parameters["runMode"] = mode;
    root["parameters"] = parameters;
    read = problemfile::Parse(QJsonDocument(root).toJson());
    ASSERT_TRUE(read.problem) << read.message.toStdString();
    EXPECT_EQ(read.problem->runMode,
              std::string(mode) == "Steady" ? RunMode::Steady : RunMode::Transient);
  }
}

TEST(ProblemFile, EveryGridKindComesBackNodeForNode) {
  std::istringstream gridFile(
      "xiso\n\n\nni 2 nj 2 nodes\n0 0 1 0 2.5 0.1\n0 1 1.1 1.2 2 1\n0.2 2 1 2.25 2 2\n");
  std::vector<std::unique_ptr<Media>> grids;
  grids.push_back(std::make_unique<CartesianMedia>(2.5, 0.4, 13, 3, DefaultMaterial()));
  grids.push_back(std::make_unique<PolarMedia>(20, 10, 360, 4, 12, DefaultMaterial()));
  grids.push_back(std::make_unique<MixedMedia>(1, 1, 0.5, 0.25, 10, 31, DefaultMaterial()));
  grids.push_back(ReadGridFile(gridFile, DefaultMaterial()).media);
  for (auto& grid : grids) {
    ASSERT_TRUE(grid);
    ProblemRecord p;
    p.media = std::move(grid);
    const problemfile::ReadResult read = RoundTrip(p);
    ASSERT_TRUE(read.problem) << read.message.toStdString();
    const Media& a = *p.media;
    const Media& b = *read.problem->media;
    ASSERT_EQ(a.ni, b.ni);
    ASSERT_EQ(a.nj, b.nj);
    for (int i = 0; i <= a.ni; ++i) {
      for (int j = 0; j <= a.nj; ++j) {
        EXPECT_EQ(a.node(i, j).x, b.node(i, j).x);
        EXPECT_EQ(a.node(i, j).y, b.node(i, j).y);
      }
    }
  }
}

// The fault each case would catch is named by the message it expects.
TEST(ProblemFile, RefusalsSayWhatAndWhere) {
  const QByteArray good = problemfile::Serialize(*RichProblem());
  auto edited = [&good](const std::function<void(QJsonObject&)>& edit) {
    QJsonObject root = QJsonDocument::fromJson(good).object();
    edit(root);
    return QJsonDocument(root).toJson();
  };
  auto set = [](QJsonObject& root, const char* group, const char* key, const QJsonValue& v) {
    QJsonObject o = root[group].toObject();
    o[key] = v;
    root[group] = o;
  };
  auto watching = [&edited](const char* list) {
    return edited(
        [list](QJsonObject& r) { r["watchedVolumes"] = QJsonDocument::fromJson(list).array(); });
  };
  // A reference's keys are read only where the problem carries one.
  auto wall = RichProblem();
  wall->reference = CompositeWallCase{0, {{0.2, 0.72}, {0.05, 0.027}}, 20, 0};
  const QJsonObject goodReference =
      QJsonDocument::fromJson(problemfile::Serialize(*wall)).object()["reference"].toObject();
  auto referring = [&edited, &goodReference](const char* key, const QJsonValue& v) {
    return edited([&goodReference, key, v](QJsonObject& r) {
      QJsonObject reference = goodReference;
      if (v.isUndefined())
        reference.remove(key);
      else
        reference[key] = v;
      r["reference"] = reference;
    });
  };
  const struct {
    QByteArray text;
    const char* message;
  } cases[] = {
      {"", "not a problem file, or it is damaged: at line 1, column 1"},
      {good.left(good.size() / 2), "not a problem file, or it is damaged: at line "},
      {"{\"format\": \"something else\"}", "This is not a problem file: it does not say"},
      {"[1, 2]", "This is not a problem file"},
      {edited([](QJsonObject& r) { r["version"] = 2; }), "newer version of the program"},
      {edited([](QJsonObject& r) { r["version"] = 1.5; }), "version: expected a whole number"},
      {edited([&](QJsonObject& r) { set(r, "grid", "ni", 1001); }),
       "grid.ni: expected a whole number from 2 to 1000, found 1001."},
      // The lower limits: two volumes across, four around a mixed grid's hole.
      {edited([&](QJsonObject& r) { set(r, "grid", "ni", 1); }),
       "grid.ni: expected a whole number from 2 to 1000, found 1."},
      {edited([&](QJsonObject& r) {
         r["grid"] = QJsonObject{{"kind", "Mixed"}, {"ni", 5},     {"nj", 3},
                                 {"width", 1},      {"height", 1}, {"centreHeight", 0.5},
                                 {"radius", 0.25}};
       }),
       "grid.nj: expected a whole number from 4 to 1000, found 3."},
      {edited([&](QJsonObject& r) {
         set(r, "grid", "nj", 1000);
         set(r, "grid", "ni", 1000);
       }),
       "grid: a grid may have at most 250000 volumes, found 1000 x 1000"},
      {edited([&](QJsonObject& r) { set(r, "grid", "innerRadius", 0.3); }),
       "grid: the inner radius must be smaller"},
      {edited([&](QJsonObject& r) {
         set(r, "grid", "angle", std::numeric_limits<double>::infinity());
       }),
       "grid.angle: expected a finite number, found"},
      {edited([&](QJsonObject& r) { set(r, "grid", "kind", "Hexagonal"); }),
       "grid.kind: expected \"Cartesian\""},
      {edited([&](QJsonObject& r) {
         QJsonObject g{{"kind", "Nodes"}, {"ni", 2}, {"nj", 2}};
         QJsonArray nodes;
         for (int k = 0; k < 9; ++k)
           nodes.append(QJsonArray{k % 3, k / 3});
         nodes[1] = QJsonArray{0, 0};  // volume (1, 1) folds onto its West edge
         nodes[4] = QJsonArray{0, 1};
         g["nodes"] = nodes;
         r["grid"] = g;
       }),
       "grid: volume (1, 1) has zero area"},
      {edited([&](QJsonObject& r) {
         QJsonObject g{{"kind", "Nodes"}, {"ni", 2}, {"nj", 2}};
         QJsonArray nodes;
         for (int k = 0; k < 9; ++k)
           nodes.append(QJsonArray{k % 3, k / 3});
         // The middle node pulled out beyond the North-East corner: no volume is flat, but
         // the South-East one, first in the file's order, is folded over its neighbours.
         nodes[4] = QJsonArray{2.5, 2.5};
         g["nodes"] = nodes;
         r["grid"] = g;
       }),
       "grid.nodes: the volume with corners node (1, 0), node (2, 0), node (2, 1) and node (1, "
       "1) is turned inside out"},
      {edited([&](QJsonObject& r) {
         QJsonObject g{{"kind", "Nodes"}, {"ni", 3}, {"nj", 3}, {"nodes", QJsonArray{}}};
         r["grid"] = g;
       }),
       "grid.nodes: expected 16 entries, found 0."},
      {edited([](QJsonObject& r) { r.remove("materials"); }), "\"materials\" is missing."},
      {edited([](QJsonObject& r) {
         QJsonArray v = r["volumes"].toArray();
         v[10] = 7;
         r["volumes"] = v;
       }),
       "volumes[10] (volume (4, 2)): expected a whole number from 0 to 2, found 7."},
      {edited([](QJsonObject& r) {
         QJsonArray m = r["materials"].toArray();
         QJsonObject first = m[0].toObject();
         first["density"] = 0;
         m[0] = first;
         r["materials"] = m;
       }),
       "materials[0].density: must be greater than 0"},
      {edited([](QJsonObject& r) {
         QJsonArray m = r["materials"].toArray();
         QJsonObject first = m[0].toObject();
         first["heatGeneration"] = -1.0000000000000002e100;
         m[0] = first;
         r["materials"] = m;
       }),
       "materials[0]: a property may be at most 1e+100 in size; larger ones overflow in the "
       "equations."},
      {edited([](QJsonObject& r) {
         QJsonArray c = r["conditions"].toArray();
         QJsonObject first = c[0].toObject();
         first["h"] = 8;
         c[0] = first;
         r["conditions"] = c;
       }),
       "conditions[0].h: expected a whole number from 0 to 7, found 8."},
      {edited([](QJsonObject& r) {
         QJsonObject sides = r["sides"].toObject();
         QJsonObject west = sides["West"].toObject();
         west["bounds"] = QJsonArray{0, 0.7, 0.2, 1};
         sides["West"] = west;
         r["sides"] = sides;
       }),
       "sides.West.bounds[2]: bounds must increase along the side, found 0.2 after 0.7."},
      // A side that does not start at its first corner, from inside it or before it.
      {edited([](QJsonObject& r) {
         QJsonObject sides = r["sides"].toObject();
         sides["East"] = QJsonObject{{"bounds", QJsonArray{0.2, 1}}, {"conditions", QJsonArray{0}}};
         r["sides"] = sides;
       }),
       "sides.East.bounds[0]: a side starts at 0, found 0.2."},
      {edited([](QJsonObject& r) {
         QJsonObject sides = r["sides"].toObject();
         sides["East"] =
             QJsonObject{{"bounds", QJsonArray{-0.1, 1}}, {"conditions", QJsonArray{0}}};
         r["sides"] = sides;
       }),
       "sides.East.bounds[0]: a side starts at 0, found -0.1."},
      {edited([](QJsonObject& r) {
         QJsonObject sides = r["sides"].toObject();
         sides["East"] = QJsonObject{{"bounds", QJsonArray{0, 0.5}}, {"conditions", QJsonArray{0}}};
         r["sides"] = sides;
       }),
       "sides.East.bounds[1]: a side ends at 1, found 0.5."},
      {edited([](QJsonObject& r) {
         QJsonArray conditions;
         for (int k = 0; k < 101; ++k)
           conditions.append(0);
         QJsonArray bounds;
         for (int k = 0; k <= 101; ++k)
           bounds.append(k / 101.0);
         QJsonObject sides = r["sides"].toObject();
         sides["South"] = QJsonObject{{"bounds", bounds}, {"conditions", conditions}};
         r["sides"] = sides;
       }),
       "sides.South.conditions: expected from 1 to 100 entries, found 101."},
      {edited([](QJsonObject& r) {
         r["animationSteps"] = QJsonArray{0, 250, 7, 600};
       }),
       "animationSteps[2]: expected a whole number from 251 to 600, found 7."},
      {edited([](QJsonObject& r) {
         r["animationSteps"] = QJsonArray{0, 7, 250};
       }),
       "animationSteps[2]: the last animation time is the last step, 600, found 250."},
      {edited([&](QJsonObject& r) { set(r, "parameters", "maxIterTime", -5); }),
       "parameters.maxIterTime: expected a whole number from 1 to"},
      {edited([&](QJsonObject& r) { set(r, "parameters", "solver", "Jacobi"); }),
       "parameters.solver: expected \"GaussSeidel\" or \"Direct\", found \"Jacobi\"."},
      {edited([&](QJsonObject& r) { set(r, "parameters", "runMode", "Sideways"); }),
       "parameters.runMode: expected \"Transient\" or \"Steady\", found \"Sideways\"."},
      {edited([](QJsonObject& r) { r["initialTemperature"] = "hot"; }),
       "initialTemperature: expected a finite number, found \"hot\"."},
      {watching("[[8, 1]]"), "watchedVolumes[0] I: expected a whole number from 1 to 7, found 8."},
      {watching("[[1, 1], [1, 0]]"), "watchedVolumes[1] J: expected a whole number from 1 to 9"},
      {watching("[[2, 2], [2, 2]]"), "watchedVolumes[1]: volume (2, 2) is watched twice."},
      {watching("[[1,1],[1,2],[1,3],[2,1],[2,2],[2,3],[3,1],[3,2],[3,3]]"),
       "watchedVolumes: expected from 0 to 8 entries, found 9."},
      {watching("[[1]]"), "watchedVolumes[0]: expected 2 entries, found 1."},
      {referring("kind", "Sphere"),
       "reference.kind: expected \"PlaneWall\", \"Fin\", \"CompositeWall\" or "
       "\"CircleInSquare\", found \"Sphere\"."},
      {referring("westTemperature", QJsonValue(QJsonValue::Undefined)),
       "reference: \"westTemperature\" is missing."},
      {referring("layers", QJsonArray{}),
       "reference.layers: expected from 1 to 100 entries, found 0."},
      {referring("layers", QJsonArray{QJsonObject{{"thickness", -0.2}, {"conductivity", 1}}}),
       "reference: a layer's thickness must be a number greater than 0, found -0.2."},
      {referring("layers", QJsonArray{7}), "reference.layers[0]: expected a group of values"},
  };
  const int32_t conditionsBefore = FHeat::Instances();
  for (const auto& c : cases) {
    const problemfile::ReadResult read = problemfile::Parse(c.text);
    EXPECT_FALSE(read.problem) << c.message;
    EXPECT_TRUE(read.message.contains(c.message)) << read.message.toStdString();
  }
  // A refusal half-way through the sides leaves no condition behind.
  EXPECT_EQ(FHeat::Instances(), conditionsBefore);
}

// Damaged files never crash, hang or leak: each gives a sound problem or a message.
TEST(ProblemFile, DamagedFilesGiveProblemOrMessage) {
  auto small = RichProblem();
  small->media = std::make_unique<CartesianMedia>(1, 0.5, 3, 2, copper);
  small->media->volume(1, 1) = heatedSteel;
  small->watched = {VolumeIndex{2, 1}};
  const QByteArray original = problemfile::Serialize(*small);
  small.reset();
  const QByteArray alphabet = "0123456789.eE+-[]{},:\" \n\t-1e999nulltruefalse\x01\xff";
  std::mt19937 random(20261208);
  const int32_t conditionsBefore = FHeat::Instances();
  int problems = 0;
  int refusals = 0;
  for (int iteration = 0; iteration < 5000; ++iteration) {
    QByteArray text = original;
    const int damages = 1 + static_cast<int>(random() % 2);
    for (int d = 0; d < damages && !text.isEmpty(); ++d) {
      const int at = static_cast<int>(random() % (text.size() + 1));
      switch (random() % 5) {
        case 0:
          text.truncate(at);
          break;
        case 1:
          if (at < text.size())
            text[at] = static_cast<char>(random() % 256);
          break;
        case 2:
          if (at < text.size())
            text[at] = alphabet[static_cast<int>(random() % alphabet.size())];
          break;
        case 3: {
          QByteArray inserted;
          const int length = 1 + static_cast<int>(random() % 8);
          for (int k = 0; k < length; ++k)
            inserted += alphabet[static_cast<int>(random() % alphabet.size())];
          text.insert(at, inserted);
          break;
        }
        default:
          text.remove(at, 1 + static_cast<int>(random() % 12));
          break;
      }
    }
    problemfile::ReadResult read = problemfile::Parse(text);
    if (read.problem) {
      ++problems;
      ASSERT_TRUE(read.message.isEmpty());
      // What was accepted runs: a few steps of it give finite temperatures.
      ProblemRecord& p = *read.problem;
      ASSERT_LE(p.media->ni * p.media->nj, maxGridFileVolumes);
      if (iteration % 10 == 0) {
        p.SetParameters(p.tolTime, p.tolSpace, 3, 200, p.dt);
        const std::unique_ptr<SimManager> m = RunToEnd(p, UniformStart(p));
        EXPECT_GE(m->Count(), 1);
      }
    } else {
      ++refusals;
      ASSERT_FALSE(read.message.isEmpty()) << text.toStdString();
    }
  }
  EXPECT_EQ(FHeat::Instances(), conditionsBefore);
  // Both outcomes occur, so the damage is neither too mild nor too severe to mean anything.
  EXPECT_GT(problems, 100);
  EXPECT_GT(refusals, 1000);
}

TEST(ProblemFile, SaveIsAtomicAndRefusesWhatCannotBeReadBack) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString name = dir.filePath("wall.cvx");
  auto p = RichProblem();
  QString message;
  ASSERT_TRUE(problemfile::Save(*p, name, &message)) << message.toStdString();
  problemfile::ReadResult read = problemfile::Open(name);
  ASSERT_TRUE(read.problem) << read.message.toStdString();
  QFile file(name);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray before = file.readAll();
  file.close();

  // A conductivity no file can carry: nothing is written, the old file stays whole.
  p->media->volume(2, 3).conductivity = std::nan("");
  EXPECT_FALSE(problemfile::Save(*p, name, &message));
  EXPECT_TRUE(message.startsWith("The problem cannot be saved: materials["))
      << message.toStdString();
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), before);
  file.close();
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"wall.cvx"});

  // A folder that does not exist.
  p->media->volume(2, 3).conductivity = 1;
  EXPECT_FALSE(problemfile::Save(*p, dir.filePath("missing/wall.cvx"), &message));
  EXPECT_TRUE(message.startsWith("Cannot save")) << message.toStdString();

  EXPECT_EQ(problemfile::Open(dir.filePath("none.cvx")).message,
            "There is no such file or folder.");
}

// The largest problem the reader takes, every number written with all the digits a double
// needs: the finest grid with every node listed and every volume its own material, the most
// functions, a million animation times. The writer keeps it within the reader's limit, and
// it reads back as it was: nothing the program saves is a file it cannot open.
TEST(ProblemFile, TheLargestProblemIsWrittenReadably) {
  constexpr int ni = 1000;
  constexpr int nj = 250;
  auto p = std::make_unique<ProblemRecord>();
  auto media = std::make_unique<Media>(ni, nj, DefaultMaterial());
  // Turned half a circle, so every coordinate carries a sign, and scaled to need exponents.
  for (int j = 0; j <= nj; ++j) {
    for (int i = 0; i <= ni; ++i)
      media->node(i, j) = Point{-(i + 1.0 / 3) * 1.2345678901234567e-7,
                                -(j + 1.0 / 7) * 9.8765432109876543e-7 * (1 + i * 1e-9)};
  }
  for (int j = 0; j < nj; ++j) {
    for (int i = 0; i < ni; ++i) {
      const double k = 1 + (j * ni + i) * 1.0000000000000002e-9;
      media->volume(i, j) = VolumeProperties{1.2345678901234567e99 * k, 7.6543210987654321e98 * k,
                                             3.3333333333333331e97 * k, -9.8765432109876543e99 / k};
    }
  }
  p->media = std::move(media);
  while (p->functionList.size() < static_cast<std::size_t>(problemfile::maxFunctions)) {
    const double k = static_cast<double>(p->functionList.size()) + 1;
    p->functionList.push_back(std::make_unique<FSin>(-1.2345678901234567e-300 * k,
                                                     -9.8765432109876543e300 / k, 1.0 / 3 + k));
  }
  p->SetParameters(1e-6, 1e-6, INT32_MAX, INT32_MAX, 1.0 / 3);
  auto marks = std::make_unique<NumVector<int>>(problemfile::maxAnimationTimes);
  for (int k = 0; k < marks->N() - 1; ++k)
    (*marks)[k] = k * 2147;
  (*marks)[marks->N() - 1] = INT32_MAX;
  ASSERT_TRUE(p->SetMarks(std::move(marks)));

  const QByteArray bytes = problemfile::Serialize(*p);
  EXPECT_LE(bytes.size(), problemfile::maxFileBytes);
  EXPECT_GT(bytes.size(), problemfile::maxFileBytes / 2) << "not at the limit";
  const problemfile::ReadResult read = problemfile::Parse(bytes);
  ASSERT_TRUE(read.problem) << read.message.toStdString();
  EXPECT_EQ(problemfile::Serialize(*read.problem), bytes);
}

// Every kind of reference comes back as it was written, with the rest of the problem; a
// file without one (every file written before references) opens as a problem without.
TEST(ProblemFile, ReferencesComeBackAndMayBeLeftOut) {
  const ReferenceCase cases[] = {
      PlaneWallCase{-0.025, 0.1, 60.5, 1.7749e-5, 12.5, true, -3, 1.0 / 3},
      FinCase{0.01, -0.002, 0.1, 0.004, 237, 50.5, 100, -4},
      CompositeWallCase{0.125, {{0.2, 0.72}, {0.05, 0.027}, {1e-3, 401}}, 20, -7.5},
      PipeInSquareCase{Point{0, 0.5}, 1, 0.2, 317, 0.25, 1},
  };
  for (const ReferenceCase& c : cases) {
    auto p = RichProblem();
    p->reference = c;
    const problemfile::ReadResult read = RoundTrip(*p);
    ASSERT_TRUE(read.problem) << read.message.toStdString();
    ASSERT_TRUE(read.problem->reference.has_value());
    EXPECT_TRUE(SameReference(*read.problem->reference, c)) << ReferenceTitle(c);
    EXPECT_EQ(problemfile::Serialize(*read.problem), problemfile::Serialize(*p));
  }
  const problemfile::ReadResult none = RoundTrip(*RichProblem());
  ASSERT_TRUE(none.problem);
  EXPECT_FALSE(none.problem->reference.has_value());
  EXPECT_FALSE(problemfile::Serialize(*RichProblem()).contains("reference"));
  // Nor does a problem that watches nothing name the key.
  auto unwatched = RichProblem();
  unwatched->watched.clear();
  EXPECT_FALSE(problemfile::Serialize(*unwatched).contains("watchedVolumes"));
}

}  // namespace
