// The 3-D view's picture: binary glTF read back through the library that wrote it (parts,
// counts, the camera looking at its target), and a file that cannot be written leaves nothing.
#include "platform/host/display/scene_picture.h"

#include <gtest/gtest.h>
#include <tiny_gltf.h>

#include <cmath>
#include <filesystem>

#include "tests/fixtures/tool_output.h"

namespace velk::host {
namespace {

using test::ScratchDir;

ScenePicture TwoTrianglesALineAndAPoint() {
  ScenePicture p;
  PictureMesh ground;
  ground.name = "ground";
  ground.positions = {0, 0, 0, 10, 0, 0, 0, 0, -10, 10, 5, -10};
  ground.colours.assign(16, 1.0f);
  ground.indices = {0, 1, 2, 2, 1, 3};
  p.meshes.push_back(ground);
  PictureLines lines;
  lines.name = "obs.wireframe";
  lines.positions = {0, 0, 0, 0, 10, 0};
  p.lines.push_back(lines);
  PicturePoints points;
  points.name = "towns";
  points.positions = {5, 1, -5};
  p.points.push_back(points);
  p.hasCamera = true;
  p.eye = {0, 100, 100};
  p.target = {0, 0, 0};
  return p;
}

TEST(ScenePicture, WrittenAsBinaryGltfThatTheReaderTakesBack) {
  ScratchDir dir;
  const std::string file = dir / "scene.glb";
  std::string problem;
  ASSERT_TRUE(WriteSceneGlb(TwoTrianglesALineAndAPoint(), file, &problem)) << problem;
  EXPECT_FALSE(std::filesystem::exists(file + ".partial"));

  tinygltf::TinyGLTF reader;
  tinygltf::Model model;
  std::string err, warn;
  ASSERT_TRUE(reader.LoadBinaryFromFile(&model, &err, &warn, file)) << err;
  ASSERT_EQ(model.meshes.size(), 3u);
  EXPECT_EQ(model.meshes[0].name, "ground");
  EXPECT_EQ(model.meshes[0].primitives[0].mode, TINYGLTF_MODE_TRIANGLES);
  const auto& indices = model.accessors[static_cast<std::size_t>(model.meshes[0].primitives[0].indices)];
  EXPECT_EQ(indices.count, 6u);
  const auto& position =
      model.accessors[static_cast<std::size_t>(model.meshes[0].primitives[0].attributes.at("POSITION"))];
  EXPECT_EQ(position.count, 4u);
  EXPECT_EQ(position.maxValues, (std::vector<double>{10, 5, 0}));
  EXPECT_EQ(model.meshes[1].primitives[0].mode, TINYGLTF_MODE_LINE);
  EXPECT_EQ(model.meshes[2].primitives[0].mode, TINYGLTF_MODE_POINTS);

  // The camera is the first node and looks from the eye at the target: its -z axis, turned by
  // the node's rotation, points from (0, 100, 100) to the origin.
  ASSERT_EQ(model.cameras.size(), 1u);
  const tinygltf::Node& camera = model.nodes[static_cast<std::size_t>(model.scenes[0].nodes[0])];
  EXPECT_EQ(camera.camera, 0);
  const auto& q = camera.rotation;
  ASSERT_EQ(q.size(), 4u);
  const double x = q[0], y = q[1], z = q[2], w = q[3];
  const double fx = -(2 * (x * z + w * y)), fy = -(2 * (y * z - w * x)),
               fz = -(1 - 2 * (x * x + y * y));
  EXPECT_NEAR(fx, 0, 1e-9);
  EXPECT_NEAR(fy, -std::sqrt(0.5), 1e-9);
  EXPECT_NEAR(fz, -std::sqrt(0.5), 1e-9);
}

TEST(ScenePicture, AFileThatCannotBeWrittenLeavesNothing) {
  ScratchDir dir;
  const std::string file = dir / "no-such-folder/scene.glb";
  std::string problem;
  EXPECT_FALSE(WriteSceneGlb(TwoTrianglesALineAndAPoint(), file, &problem));
  EXPECT_NE(problem.find("cannot write"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(file));
  EXPECT_FALSE(std::filesystem::exists(file + ".partial"));
}

}  // namespace
}  // namespace velk::host
