#include "sim/streammedia.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <locale>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

const VolumeProperties copper{401, 8933, 385, 1000};

GridFileResult Read(const std::string& text) {
  std::istringstream in(text);
  return ReadGridFile(in, copper);
}

// A valid file whose node(i, j) is (i + 0.25 j, j + 0.125 i): a sheared lattice, so that
// every node can be told from every other by its coordinates.
std::string LatticeFile(int ni, int nj, const std::string& eol = "\n") {
  std::ostringstream out;
  out.precision(17);
  out << "xiso" << eol << "made by hand" << eol << eol;
  out << "NI " << ni << eol << "NJ " << nj << eol << "NODES" << eol;
  for (int j = 0; j <= nj; ++j) {
    for (int i = 0; i <= ni; ++i) {
      out << (i + 0.25 * j) << ' ' << (j + 0.125 * i) << eol;
    }
  }
  return out.str();
}

void ExpectLattice(const GridFileResult& result, int ni, int nj) {
  ASSERT_TRUE(result.media) << result.message;
  EXPECT_EQ(result.message, "");
  const Media& media = *result.media;
  ASSERT_EQ(media.ni, ni);
  ASSERT_EQ(media.nj, nj);
  for (int j = 0; j <= nj; ++j) {
    for (int i = 0; i <= ni; ++i) {
      EXPECT_DOUBLE_EQ(media.node(i, j).x, i + 0.25 * j) << i << ", " << j;
      EXPECT_DOUBLE_EQ(media.node(i, j).y, j + 0.125 * i) << i << ", " << j;
    }
  }
}

void ExpectRecordEverywhere(const Media& media, const VolumeProperties& record) {
  for (int i = 0; i < media.ni; ++i) {
    for (int j = 0; j < media.nj; ++j) {
      const VolumeProperties& v = media.volume(i, j);
      EXPECT_EQ(v.conductivity, record.conductivity);
      EXPECT_EQ(v.density, record.density);
      EXPECT_EQ(v.specificHeat, record.specificHeat);
      EXPECT_EQ(v.heatGeneration, record.heatGeneration);
    }
  }
}

// A file that is not a grid file is refused, rather than becoming a 2 x 2 unit square in
// place of the student's grid.
void ExpectNotAGridFile(const GridFileResult& result) {
  EXPECT_FALSE(result.media);
  EXPECT_EQ(result.message,
            "Line 1: this is not a grid file; a grid file starts with a line that says exactly "
            "\"xiso\".");
}

TEST(GridFile, PairsFillRowsFromSouthToNorth) {
  // 2 x 3 volumes: 3 x 4 nodes, listed row by row.
  const std::string text =
      "xiso\nfree line\nanother free line\nni 2 nj 3 nodes\n"
      "0 0  1 0  2 0\n"
      "0 1  1 1  2 1\n"
      "0 2  1 2  2 2\n"
      "0 3  1 3  2.5 3.5\n";
  const GridFileResult result = Read(text);
  ASSERT_TRUE(result.media) << result.message;
  const Media& media = *result.media;
  EXPECT_EQ(media.ni, 2);
  EXPECT_EQ(media.nj, 3);
  // The second pair is node(1, 0), the fourth node(0, 1), the last node(ni, nj).
  EXPECT_EQ(media.node(1, 0).x, 1);
  EXPECT_EQ(media.node(1, 0).y, 0);
  EXPECT_EQ(media.node(0, 1).x, 0);
  EXPECT_EQ(media.node(0, 1).y, 1);
  EXPECT_EQ(media.node(2, 3).x, 2.5);
  EXPECT_EQ(media.node(2, 3).y, 3.5);
  ExpectRecordEverywhere(media, copper);

  ExpectLattice(Read(LatticeFile(7, 4)), 7, 4);
}

TEST(GridFile, LayoutVariationsReadAlike) {
  ExpectLattice(Read(LatticeFile(3, 5, "\r\n")), 3, 5);
  // All tokens on one line, tabs, blank lines between them, text after the last pair.
  std::string flat = LatticeFile(2, 2);
  const std::size_t body = flat.find("NI");
  for (std::size_t k = body; k < flat.size(); ++k) {
    if (flat[k] == '\n') {
      flat[k] = k % 2 ? '\t' : ' ';
    }
  }
  ExpectLattice(Read(flat + "\n\n  trailing words 1 2 3 and more"), 2, 2);
  // A CR LF file that ends without a final line feed.
  std::string crlf = LatticeFile(2, 2, "\r\n");
  crlf.resize(crlf.size() - 2);
  ExpectLattice(Read(crlf), 2, 2);
  // Free lines and labels may be long and hold anything but line feeds.
  const std::string longLabel(300, 'L');
  ExpectLattice(Read("xiso\n" + std::string(1000, '#') + "\n \t x 1 2\n" + longLabel + " 2 " +
                     longLabel + " 2 " + longLabel +
                     "\n0 0 1 0.125 2 0.25 0.25 1 1.25 1.125 "
                     "2.25 1.25 0.5 2 1.5 2.125 2.5 2.25\n"),
                2, 2);
}

struct CommaDecimal : std::numpunct<char> {
  char do_decimal_point() const override { return ','; }
  char do_thousands_sep() const override { return '.'; }
  std::string do_grouping() const override { return "\3"; }
};

TEST(GridFile, NumberNotationsAndLocale) {
  const std::string text =
      "xiso\n\n\nn 2 n 2 nodes\n"
      "0 0   +5e-1 0   1.0E0 0\n"
      "0 .5  0.5 50e-2 1 5.e-1\n"
      "-0 1  500E-3 1  1 1\n";
  // Whatever the user's locale says about decimal commas, a file reads the same: both the
  // C locale (where a German one is installed) and the C++ locales of the program and of
  // the stream are set to write a comma.
  const std::string savedC = std::setlocale(LC_ALL, nullptr);
  std::setlocale(LC_ALL, "de_DE.UTF-8");
  const std::locale comma(std::locale::classic(), new CommaDecimal);
  const std::locale savedGlobal = std::locale::global(comma);
  std::istringstream in(text);
  in.imbue(comma);
  const GridFileResult result = ReadGridFile(in, copper);
  std::locale::global(savedGlobal);
  std::setlocale(LC_ALL, savedC.c_str());

  ASSERT_TRUE(result.media) << result.message;
  for (int i = 0; i <= 2; ++i) {
    for (int j = 0; j <= 2; ++j) {
      EXPECT_EQ(result.media->node(i, j).x, i / 2.0);
      EXPECT_EQ(result.media->node(i, j).y, j / 2.0);
    }
  }
}

TEST(GridFile, FirstLineOtherThanXisoIsRefused) {
  const std::string rest = LatticeFile(3, 3).substr(4);
  ExpectNotAGridFile(Read("XISO" + rest));
  ExpectNotAGridFile(Read("xiso " + rest));
  ExpectNotAGridFile(Read(" xiso" + rest));
  ExpectNotAGridFile(Read("xiso\r\r" + rest));
  ExpectNotAGridFile(Read("xisoxiso" + rest));
  ExpectNotAGridFile(Read(""));
  ExpectNotAGridFile(Read("\n"));
  ExpectNotAGridFile(Read(std::string(100000, 'x')));
  // Even a broken body does not matter once the first line has decided.
  ExpectNotAGridFile(Read("Xiso\n\n\nni 1 nj abc"));
}

struct Refusal {
  std::string text;
  std::string message;
};

// Each file is refused with exactly this message, and no grid.
TEST(GridFile, RefusalsSayWhatAndWhere) {
  const std::string head = "xiso\nfree\nfree\n";
  const std::string twoByTwo = head + "ni 2\nnj 2\nnodes\n";
  const std::vector<Refusal> refusals = {
      {head, "Line 3: the file ends before the label in front of ni."},
      {"xiso\n", "Line 1: the file ends before the label in front of ni."},
      {head + "ni", "Line 4: the file ends before the number of volumes in direction I (ni)."},
      {head + "ni 2\n\n\n", "Line 4: the file ends before the label in front of nj."},
      {head + "ni 2 nj 2", "Line 4: the file ends before the label in front of the first node."},
      {head + "ni 1 nj 2 n",
       "Line 4: a grid needs at least 2 volumes in direction I, found ni = 1."},
      {head + "ni 2\nnj -3 n",
       "Line 5: a grid needs at least 2 volumes in direction J, found nj = -3."},
      {head + "ni\n\n2.0 nj 2 n",
       "Line 6: expected a whole number for the number of volumes in direction I (ni), found "
       "\"2.0\"."},
      {head + "ni 2 nj two n",
       "Line 4: expected a whole number for the number of volumes in direction J (nj), found "
       "\"two\"."},
      {head + "ni 1001 nj 2 n",
       "Line 4: a grid may have at most 1000 volumes in direction I, found ni = 1001."},
      {head + "ni 2 nj 99999999999999999999999 n",
       "Line 4: a grid may have at most 1000 volumes in direction J, found nj = "
       "99999999999999999999999."},
      {head + "ni 1000\nnj 251\nn",
       "Line 5: a grid may have at most 250000 volumes, found 1000 x 251 = 251000."},
      {twoByTwo + "0 0 1 0 2 0\n0 1 abc 1",
       "Line 8: expected a number for the x coordinate of node (1, 1), found \"abc\"."},
      {twoByTwo + "0 0 1 0,5",
       "Line 7: expected a number for the y coordinate of node (1, 0), found \"0,5\". Numbers "
       "are written with a point as the decimal separator."},
      {twoByTwo + "0 0 0x10 0",
       "Line 7: expected a number for the x coordinate of node (1, 0), found \"0x10\"."},
      {twoByTwo + "0 0 1 1e",
       "Line 7: expected a number for the y coordinate of node (1, 0), found \"1e\"."},
      {twoByTwo + "0 0 1 --1",
       "Line 7: expected a number for the y coordinate of node (1, 0), found \"--1\"."},
      {twoByTwo + "0 0 1 +-1",
       "Line 7: expected a number for the y coordinate of node (1, 0), found \"+-1\"."},
      {twoByTwo + "0 0 1 0 2 0\n0\tinf",
       "Line 8: the y coordinate of node (0, 1) is \"inf\", which is not a finite number."},
      {twoByTwo + "NaN 0",
       "Line 7: the x coordinate of node (0, 0) is \"NaN\", which is not a finite number."},
      {twoByTwo + "0 0 1e999 0",
       "Line 7: the x coordinate of node (1, 0) is \"1e999\", which is too large or too small "
       "for the program to hold."},
      {twoByTwo + "0 0 1 0 2 0\n0 1 1 1 2 1\n0 2\n\n\n",
       "Line 9: the file ends after 7 of the 9 nodes it declares (3 x 3 for ni = 2, nj = 2)."},
      {twoByTwo,
       "Line 6: the file ends after 0 of the 9 nodes it declares (3 x 3 for ni = 2, nj = 2)."},
      {twoByTwo + "0 0 1 0 2 0\n0 1 1 1 2 1\n0 2 1 2 2",
       "Line 9: the file ends after 8 of the 9 nodes it declares (3 x 3 for ni = 2, nj = 2); "
       "node (2, 2) has an x coordinate but no y."},
  };
  for (const Refusal& refusal : refusals) {
    const GridFileResult result = Read(refusal.text);
    EXPECT_FALSE(result.media) << refusal.text;
    EXPECT_EQ(result.message, refusal.message) << refusal.text;
    // The same file with CR LF line ends is refused on the same line.
    std::string crlf;
    for (char c : refusal.text) {
      crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    }
    EXPECT_EQ(Read(crlf).message, refusal.message) << refusal.text;
  }
}

TEST(GridFile, MessagesShowTokensSafely) {
  const std::string twoByTwo = "xiso\n\n\nni 2 nj 2 nodes\n";
  // A huge token where a number is due: refused, and quoted short.
  const GridFileResult huge = Read(twoByTwo + std::string(100000, '7') + "x 0");
  EXPECT_FALSE(huge.media);
  EXPECT_EQ(huge.message,
            "Line 5: expected a number for the x coordinate of node (0, 0), found \"" +
                std::string(40, '7') + "...\".");
  // Control and non-ASCII bytes do not reach the message box.
  const GridFileResult binary = Read(twoByTwo + "0 \x01\xff\xc3\xa9z");
  EXPECT_EQ(binary.message,
            "Line 5: expected a number for the y coordinate of node (0, 0), found \"????z\".");
  // A number written with many digits is still a number.
  const std::string longZero = "0." + std::string(500, '0');
  const GridFileResult longNumbers =
      Read(twoByTwo + longZero + " 0 1 0 2 0 0 1 1 1 2 1 0 2 1 2 2 2" + longZero.substr(1));
  ASSERT_TRUE(longNumbers.media) << longNumbers.message;
  EXPECT_EQ(longNumbers.media->node(0, 0).x, 0);
  EXPECT_EQ(longNumbers.media->node(2, 2).y, 2);
}

TEST(GridFile, SizeLimits) {
  // The largest grid allowed reads in full; its last node is the last pair. Integer
  // coordinates keep the file quick to write.
  std::string text = "xiso\n\n\nNI 1000 NJ 250 NODES\n";
  for (int j = 0; j <= 250; ++j) {
    for (int i = 0; i <= 1000; ++i) {
      text += std::to_string(i) + ' ' + std::to_string(j) + ' ';
    }
    text += '\n';
  }
  const GridFileResult largest = Read(text);
  ASSERT_TRUE(largest.media) << largest.message;
  EXPECT_EQ(largest.media->ni, 1000);
  EXPECT_EQ(largest.media->nj, 250);
  EXPECT_EQ(largest.media->node(999, 1).x, 999);
  EXPECT_EQ(largest.media->node(1000, 250).x, 1000);
  EXPECT_EQ(largest.media->node(1000, 250).y, 250);
  ExpectLattice(Read(LatticeFile(2, 1000)), 2, 1000);

  // Declared sizes above the limits are refused before any pair is looked at.
  const GridFileResult tooMany = Read("xiso\n\n\nNI 501\nNJ 500\nNODES\n0 0 oops");
  EXPECT_FALSE(tooMany.media);
  EXPECT_EQ(tooMany.message,
            "Line 5: a grid may have at most 250000 volumes, found 501 x 500 = 250500.");
  EXPECT_FALSE(Read(LatticeFile(2, 1001)).media);
}

// Moves one node of a lattice file's text onto another position.
std::string WithNode(int ni, int nj, int i, int j, double x, double y) {
  std::ostringstream out;
  out.precision(17);
  out << "xiso\n\n\nNI " << ni << " NJ " << nj << " NODES\n";
  for (int jj = 0; jj <= nj; ++jj) {
    for (int ii = 0; ii <= ni; ++ii) {
      if (ii == i && jj == j) {
        out << x << ' ' << y << ' ';
      } else {
        out << (ii + 0.25 * jj) << ' ' << (jj + 0.125 * ii) << ' ';
      }
    }
    out << '\n';
  }
  return out.str();
}

TEST(GridFile, FlatVolumesAreNamed) {
  // Two corners on one point leave a triangle, which still has an area.
  const GridFileResult triangle = Read(WithNode(3, 2, 2, 1, 2.0, 0.25));
  ASSERT_TRUE(triangle.media) << triangle.message;

  // A volume is named by its corners, counted from 0 like every node of the file.
  const GridFileResult flat = Read(
      "xiso\n\n\nNI 2 NJ 2 NODES\n"
      "0 0  1 0  2 0\n"
      "0 1  1 0  2 0\n"
      "0 2  1 2  2 2\n");
  EXPECT_FALSE(flat.media);
  EXPECT_EQ(flat.message,
            "Lines 5 to 6: the volume with corners node (1, 0), node (2, 0), node (2, 1) and "
            "node (1, 1) has zero area; its corners coincide or lie on one line.");

  const GridFileResult onLine =
      Read("xiso\n\n\nNI 2 NJ 2 NODES 0 0 1 0 2 0 0 1 1 1 2 1 0 2 1 1 2 1\n");
  EXPECT_EQ(onLine.message,
            "Line 4: the volume with corners node (1, 1), node (2, 1), node (2, 2) and "
            "node (1, 2) has zero area; its corners coincide or lie on one line.");

  // The first flat volume in file order is the one named.
  const GridFileResult collapsed =
      Read("xiso\n\n\nNI 2 NJ 2 NODES 0 0 0 0 2 0 0 0 0 0 2 1 0 2 1 2 2 2\n");
  EXPECT_EQ(collapsed.message,
            "Line 4: the volume with corners node (0, 0), node (1, 0), node (1, 1) and "
            "node (0, 1) has zero area; its corners coincide or lie on one line.");

  // Collinear corners whose coordinates carry rounding still count as flat.
  const GridFileResult rounded = Read(
      "xiso\n\n\nNI 2 NJ 2 NODES\n"
      "0 0 0.1 0.3 5 0\n"
      "0.3 0.9 0.2 0.6 5 1\n"
      "0 2 1 2 5 2\n");
  EXPECT_FALSE(rounded.media);
  EXPECT_EQ(rounded.message.rfind("Lines 5 to 6: the volume with corners node (0, 0), ", 0), 0u)
      << rounded.message;
  EXPECT_NE(rounded.message.find("has zero area"), std::string::npos) << rounded.message;

  // A thin layer, a micrometre by a metre, is not a flat one.
  const GridFileResult thin = Read(
      "xiso\n\n\nNI 2 NJ 2 NODES\n"
      "0 0 0.5 0 1 0\n"
      "0 1e-6 0.5 1e-6 1 1e-6\n"
      "0 2e-6 0.5 2e-6 1 2e-6\n");
  ASSERT_TRUE(thin.media) << thin.message;
  EXPECT_EQ(thin.media->node(2, 2).y, 2e-6);

  // Coordinates so far apart that the area overflows.
  const GridFileResult far = Read(WithNode(2, 2, 2, 2, 1e308, -1e308));
  EXPECT_FALSE(far.media);
  EXPECT_EQ(far.message,
            "Lines 6 to 7: the volume with corners node (1, 1), node (2, 1), node (2, 2) and "
            "node (1, 2) is too large to compute with; its corners lie too far apart.");
}

TEST(GridFile, InsideOutVolumesAreNamed) {
  // Node (1, 1) pulled across to the far side of its column: the volumes on its left become
  // bow ties, their West and East sides crossing.
  const GridFileResult crossed = Read(
      "xiso\n\n\nNI 2 NJ 2 NODES\n"
      "0 0  1 0    2 0\n"
      "0 1  2.5 1  2 1\n"
      "0 2  1 2    2 2\n");
  EXPECT_FALSE(crossed.media);
  EXPECT_EQ(crossed.message,
            "Lines 5 to 6: the volume with corners node (1, 0), node (2, 0), node (2, 1) and "
            "node (1, 1) is turned inside out: two of its sides cross, or it is folded over "
            "its neighbours.");

  // A row listed East to West in the middle of the grid folds it over itself.
  const GridFileResult folded = Read(
      "xiso\n\n\nNI 2 NJ 3 NODES\n"
      "0 0  1 0  2 0\n"
      "0 1  1 1  2 1\n"
      "0 0.5  1 0.5  2 0.5\n"
      "0 3  1 3  2 3\n");
  EXPECT_FALSE(folded.media);
  EXPECT_EQ(folded.message.rfind("Lines 6 to 7: the volume with corners node (0, 1), ", 0), 0u)
      << folded.message;
  EXPECT_NE(folded.message.find("inside out"), std::string::npos) << folded.message;

  // A whole grid listed the other way round is a mirror image and computes just as well.
  const GridFileResult mirrored = Read(
      "xiso\n\n\nNI 2 NJ 2 NODES\n"
      "0 0  -1 0  -2 0\n"
      "0 1  -1 1.2  -2 1\n"
      "0 2  -1 2  -2 2\n");
  ASSERT_TRUE(mirrored.media) << mirrored.message;
}

TEST(GridFile, UnreadableStreamIsRefused) {
  std::istringstream in(LatticeFile(2, 2));
  in.setstate(std::ios::failbit);
  const GridFileResult result = ReadGridFile(in, copper);
  EXPECT_FALSE(result.media);
  EXPECT_EQ(result.message, "The file cannot be read.");
}

// Damaged files never crash or hang the reader: each gives a sound grid or a message.
TEST(GridFile, DamagedFilesGiveGridOrMessage) {
  const std::string original = LatticeFile(3, 2, "\r\n");
  const std::string alphabet = "0123456789.eE+- \t\r\nxiso,abc\x01\xff";
  std::mt19937 random(20240611);
  int grids = 0;
  int refusals = 0;
  for (int iteration = 0; iteration < 2000; ++iteration) {
    std::string text = original;
    const int damages = 1 + static_cast<int>(random() % 4);
    for (int d = 0; d < damages && !text.empty(); ++d) {
      const std::size_t at = random() % (text.size() + 1);
      switch (random() % 5) {
        case 0:
          text.resize(at);
          break;
        case 1:
          if (at < text.size()) {
            text[at] = static_cast<char>(random() % 256);
          }
          break;
        case 2:
          if (at < text.size()) {
            text[at] = alphabet[random() % alphabet.size()];
          }
          break;
        case 3: {
          std::string inserted;
          const int length = 1 + static_cast<int>(random() % 12);
          for (int k = 0; k < length; ++k) {
            inserted += alphabet[random() % alphabet.size()];
          }
          text.insert(at, inserted);
          break;
        }
        default:
          text.erase(at, 1 + random() % 16);
          break;
      }
    }
    const GridFileResult result = Read(text);
    if (result.media) {
      ++grids;
      EXPECT_EQ(result.message, "");
      const Media& media = *result.media;
      ASSERT_GE(media.ni, 2);
      ASSERT_GE(media.nj, 2);
      ASSERT_LE(media.ni * media.nj, maxGridFileVolumes);
      for (int i = 0; i <= media.ni; ++i) {
        for (int j = 0; j <= media.nj; ++j) {
          ASSERT_TRUE(std::isfinite(media.node(i, j).x) && std::isfinite(media.node(i, j).y))
              << text;
        }
      }
    } else {
      ++refusals;
      ASSERT_FALSE(result.message.empty()) << text;
    }
  }
  // Both outcomes occur, so the damage is neither too mild nor too severe to mean anything.
  EXPECT_GT(grids, 100);
  EXPECT_GT(refusals, 100);
}

}  // namespace
