#ifndef CALORIVECTRIX_SIM_STREAMMEDIA_H
#define CALORIVECTRIX_SIM_STREAMMEDIA_H

// Grids read from a grid file (*.sdf). The file is plain text, lines ending in LF with an
// optional CR before it:
//
//   xiso                      line 1, exactly these four characters
//   any text                  line 2, ignored
//   any text                  line 3, ignored
//   label ni label nj label   whitespace-separated tokens; labels are ignored
//   x y  x y  ...             (ni+1)(nj+1) node coordinates, South row first, each row West
//                             to East: pair number j(ni+1) + i is node(i, j)
//
// Numbers use a point as decimal separator whatever the user's locale; exponents are allowed.
// Anything after the last pair is ignored. A file whose first line is not exactly "xiso" is
// not a grid file, and a file that says "xiso" but cannot be read completely, or whose
// volumes are flat or turned inside out, is no usable one: either is refused with a message
// for the student, and nothing is built.

#include <cstdint>
#include <istream>
#include <memory>
#include <string>

#include "sim/media.h"

// Beyond these sizes the grid would outgrow the memory and patience of a teaching session;
// they are checked before anything sized by the file is allocated.
constexpr int32_t maxGridFileVolumesPerDirection = 1000;
constexpr int32_t maxGridFileVolumes = 250000;

struct GridFileResult {
  // Null when the file is refused.
  std::unique_ptr<Media> media;
  // Empty on success; otherwise one sentence saying what is wrong and on which line, e.g.
  // "Line 7: expected a number for the x coordinate of node (3, 0), found "abc".".
  // Nodes are counted from 0 as they are listed in the file; a volume is named by its four
  // corners.
  std::string message;
};

// Every volume of the grid gets `record`. Never throws for bad input.
GridFileResult ReadGridFile(std::istream& in, const VolumeProperties& record);

// The check every grid file passes, for nodes that came another way: empty when every volume
// is sound, else one sentence naming the first volume (by its corners, counted from 0) that
// is flat, too large or turned inside out against the rest of the grid.
std::string CheckGridVolumes(const Media& media);

// Nodes come from a grid file; only ReadGridFile builds one, and only from a file it has
// read completely.
class StreamMedia : public Media {
 private:
  StreamMedia(int32_t ni, int32_t nj, const VolumeProperties& record) : Media(ni, nj, record) {}
  friend GridFileResult ReadGridFile(std::istream& in, const VolumeProperties& record);
};

#endif
