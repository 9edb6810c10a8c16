// What a 3-D view shows, as plain data in local metres (x east, y up, z south, the origin at
// the middle of the ground), and its writer: a binary glTF file that any glTF viewer opens.
#pragma once

#include <array>
#include <string>
#include <vector>

namespace velk::host {

using Rgba = std::array<float, 4>;

// Triangles (three indices each) over positions (x, y, z each), with an optional colour per
// position; without colours the part's colour is used.
struct PictureMesh {
  std::string name;
  std::vector<float> positions;
  std::vector<float> colours;  // r, g, b, a per position, or empty
  std::vector<unsigned> indices;
  Rgba colour{0.8f, 0.8f, 0.8f, 1.0f};
};

// Line segments: each pair of positions is one segment.
struct PictureLines {
  std::string name;
  std::vector<float> positions;
  Rgba colour{1, 1, 1, 1};
};

struct PicturePoints {
  std::string name;
  std::vector<float> positions;
  Rgba colour{1, 1, 0, 1};
};

struct ScenePicture {
  std::vector<PictureMesh> meshes;
  std::vector<PictureLines> lines;
  std::vector<PicturePoints> points;
  bool hasCamera = false;
  std::array<double, 3> eye{0, 0, 0}, target{0, 0, 0};
  double roll = 0;  // degrees about the line of sight
};

// Writes the picture as binary glTF (one buffer, a node per part, the camera as the first
// node so that viewers open on it). The file appears only complete: it is written beside its
// name and renamed. False with the reason when the file cannot be written.
bool WriteSceneGlb(const ScenePicture& picture, const std::string& path, std::string* problem);

}  // namespace velk::host
