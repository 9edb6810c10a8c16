#include "platform/host/display/scene_picture.h"

#include <tiny_gltf.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>

namespace velk::host {
namespace {

using Vec = std::array<double, 3>;

Vec Sub(const Vec& a, const Vec& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
Vec Cross(const Vec& a, const Vec& b) {
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
double Length(const Vec& a) { return std::sqrt(a[0] * a[0] + a[1] * a[1] + a[2] * a[2]); }
Vec Unit(const Vec& a, const Vec& fallback) {
  const double n = Length(a);
  if (!(n > 1e-12)) return fallback;
  return {a[0] / n, a[1] / n, a[2] / n};
}

// The rotation (x, y, z, w) that turns a glTF camera (looking down -z, up +y) to look from eye
// to target, turned by roll degrees about that line.
std::vector<double> LookRotation(const Vec& eye, const Vec& target, double roll) {
  const Vec f = Unit(Sub(target, eye), {0, 0, -1});
  Vec r = Unit(Cross(f, {0, 1, 0}), {1, 0, 0});
  Vec u = Cross(r, f);
  if (roll != 0) {
    const double a = roll * 3.14159265358979323846 / 180.0, c = std::cos(a), s = std::sin(a);
    const Vec r2{r[0] * c + u[0] * s, r[1] * c + u[1] * s, r[2] * c + u[2] * s};
    const Vec u2{u[0] * c - r[0] * s, u[1] * c - r[1] * s, u[2] * c - r[2] * s};
    r = r2;
    u = u2;
  }
  // Columns of the rotation: r, u, -f.
  const double m00 = r[0], m01 = u[0], m02 = -f[0];
  const double m10 = r[1], m11 = u[1], m12 = -f[1];
  const double m20 = r[2], m21 = u[2], m22 = -f[2];
  const double trace = m00 + m11 + m22;
  double x, y, z, w;
  if (trace > 0) {
    const double s = 0.5 / std::sqrt(trace + 1.0);
    w = 0.25 / s, x = (m21 - m12) * s, y = (m02 - m20) * s, z = (m10 - m01) * s;
  } else if (m00 > m11 && m00 > m22) {
    const double s = 2.0 * std::sqrt(1.0 + m00 - m11 - m22);
    w = (m21 - m12) / s, x = 0.25 * s, y = (m01 + m10) / s, z = (m02 + m20) / s;
  } else if (m11 > m22) {
    const double s = 2.0 * std::sqrt(1.0 + m11 - m00 - m22);
    w = (m02 - m20) / s, x = (m01 + m10) / s, y = 0.25 * s, z = (m12 + m21) / s;
  } else {
    const double s = 2.0 * std::sqrt(1.0 + m22 - m00 - m11);
    w = (m10 - m01) / s, x = (m02 + m20) / s, y = (m12 + m21) / s, z = 0.25 * s;
  }
  const double n = std::sqrt(x * x + y * y + z * z + w * w);
  return {x / n, y / n, z / n, w / n};
}

// Appends the bytes to the one buffer, padded to four bytes, as a view of the given target.
int AddView(tinygltf::Model& m, const void* data, std::size_t bytes, int target) {
  auto& buffer = m.buffers[0].data;
  while (buffer.size() % 4) buffer.push_back(0);
  tinygltf::BufferView view;
  view.buffer = 0;
  view.byteOffset = buffer.size();
  view.byteLength = bytes;
  view.target = target;
  const auto* p = static_cast<const unsigned char*>(data);
  buffer.insert(buffer.end(), p, p + bytes);
  m.bufferViews.push_back(view);
  return static_cast<int>(m.bufferViews.size() - 1);
}

int AddFloats(tinygltf::Model& m, const std::vector<float>& values, int components,
              bool bounds) {
  tinygltf::Accessor a;
  a.bufferView = AddView(m, values.data(), values.size() * sizeof(float),
                         TINYGLTF_TARGET_ARRAY_BUFFER);
  a.componentType = TINYGLTF_COMPONENT_TYPE_FLOAT;
  a.count = values.size() / static_cast<std::size_t>(components);
  a.type = components == 3 ? TINYGLTF_TYPE_VEC3 : TINYGLTF_TYPE_VEC4;
  if (bounds) {
    a.minValues.assign(3, std::numeric_limits<double>::max());
    a.maxValues.assign(3, std::numeric_limits<double>::lowest());
    for (std::size_t i = 0; i < values.size(); ++i) {
      a.minValues[i % 3] = std::min<double>(a.minValues[i % 3], values[i]);
      a.maxValues[i % 3] = std::max<double>(a.maxValues[i % 3], values[i]);
    }
  }
  m.accessors.push_back(a);
  return static_cast<int>(m.accessors.size() - 1);
}

int AddIndices(tinygltf::Model& m, const std::vector<unsigned>& indices) {
  tinygltf::Accessor a;
  a.bufferView = AddView(m, indices.data(), indices.size() * sizeof(unsigned),
                         TINYGLTF_TARGET_ELEMENT_ARRAY_BUFFER);
  a.componentType = TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT;
  a.count = indices.size();
  a.type = TINYGLTF_TYPE_SCALAR;
  m.accessors.push_back(a);
  return static_cast<int>(m.accessors.size() - 1);
}

int AddMaterial(tinygltf::Model& m, const Rgba& colour, bool unlit) {
  tinygltf::Material material;
  material.pbrMetallicRoughness.baseColorFactor = {colour[0], colour[1], colour[2], colour[3]};
  material.pbrMetallicRoughness.metallicFactor = 0.0;
  material.pbrMetallicRoughness.roughnessFactor = 1.0;
  material.doubleSided = true;
  if (colour[3] < 1.0f) material.alphaMode = "BLEND";
  if (unlit) {
    material.extensions["KHR_materials_unlit"] = tinygltf::Value(tinygltf::Value::Object());
    if (std::find(m.extensionsUsed.begin(), m.extensionsUsed.end(), "KHR_materials_unlit") ==
        m.extensionsUsed.end())
      m.extensionsUsed.push_back("KHR_materials_unlit");
  }
  m.materials.push_back(material);
  return static_cast<int>(m.materials.size() - 1);
}

void AddNode(tinygltf::Model& m, const std::string& name, tinygltf::Primitive primitive) {
  tinygltf::Mesh mesh;
  mesh.name = name;
  mesh.primitives.push_back(std::move(primitive));
  m.meshes.push_back(mesh);
  tinygltf::Node node;
  node.name = name;
  node.mesh = static_cast<int>(m.meshes.size() - 1);
  m.nodes.push_back(node);
  m.scenes[0].nodes.push_back(static_cast<int>(m.nodes.size() - 1));
}

}  // namespace

bool WriteSceneGlb(const ScenePicture& picture, const std::string& path, std::string* problem) {
  tinygltf::Model m;
  m.asset.version = "2.0";
  m.asset.generator = "trevik scene view";
  m.buffers.resize(1);
  m.scenes.resize(1);
  m.defaultScene = 0;

  if (picture.hasCamera) {
    tinygltf::Camera camera;
    camera.type = "perspective";
    camera.perspective.yfov = 0.8;
    camera.perspective.aspectRatio = 1.5;
    camera.perspective.znear = 1.0;
    // A far plane beyond everything the scene holds, seen from the camera (glTF asks for one
    // above the near plane).
    double farthest = 0.0;
    auto reach = [&](const std::vector<float>& positions) {
      for (std::size_t i = 0; i + 2 < positions.size(); i += 3)
        farthest = std::max(farthest, Length(Sub({positions[i], positions[i + 1], positions[i + 2]},
                                                 picture.eye)));
    };
    for (const PictureMesh& mesh : picture.meshes) reach(mesh.positions);
    for (const PictureLines& lines : picture.lines) reach(lines.positions);
    for (const PicturePoints& points : picture.points) reach(points.positions);
    reach({static_cast<float>(picture.target[0]), static_cast<float>(picture.target[1]),
           static_cast<float>(picture.target[2])});
    camera.perspective.zfar = std::max(2.0 * farthest, 1000.0 * camera.perspective.znear);
    m.cameras.push_back(camera);
    tinygltf::Node node;
    node.name = "camera";
    node.camera = 0;
    node.translation = {picture.eye[0], picture.eye[1], picture.eye[2]};
    node.rotation = LookRotation(picture.eye, picture.target, picture.roll);
    m.nodes.push_back(node);
    m.scenes[0].nodes.push_back(0);
  }
  for (const PictureMesh& mesh : picture.meshes) {
    if (mesh.indices.empty() || mesh.positions.empty()) continue;
    tinygltf::Primitive p;
    p.mode = TINYGLTF_MODE_TRIANGLES;
    p.attributes["POSITION"] = AddFloats(m, mesh.positions, 3, true);
    if (mesh.colours.size() / 4 == mesh.positions.size() / 3)
      p.attributes["COLOR_0"] = AddFloats(m, mesh.colours, 4, false);
    p.indices = AddIndices(m, mesh.indices);
    p.material = AddMaterial(m, mesh.colour, false);
    AddNode(m, mesh.name, std::move(p));
  }
  for (const PictureLines& lines : picture.lines) {
    if (lines.positions.size() < 6) continue;
    tinygltf::Primitive p;
    p.mode = TINYGLTF_MODE_LINE;
    p.attributes["POSITION"] = AddFloats(m, lines.positions, 3, true);
    p.material = AddMaterial(m, lines.colour, true);
    AddNode(m, lines.name, std::move(p));
  }
  for (const PicturePoints& points : picture.points) {
    if (points.positions.empty()) continue;
    tinygltf::Primitive p;
    p.mode = TINYGLTF_MODE_POINTS;
    p.attributes["POSITION"] = AddFloats(m, points.positions, 3, true);
    p.material = AddMaterial(m, points.colour, true);
    AddNode(m, points.name, std::move(p));
  }
  if (m.buffers[0].data.empty()) m.buffers[0].data.assign(4, 0);

  namespace fs = std::filesystem;
  const std::string partial = path + ".partial";
  tinygltf::TinyGLTF writer;
  if (!writer.WriteGltfSceneToFile(&m, partial, true, true, false, true) || !fs::exists(partial)) {
    std::error_code ignored;
    fs::remove(partial, ignored);
    if (problem) *problem = "cannot write " + path;
    return false;
  }
  std::error_code ec;
  fs::rename(partial, path, ec);
  if (ec) {
    fs::remove(partial, ec);
    if (problem) *problem = "cannot write " + path;
    return false;
  }
  return true;
}

}  // namespace velk::host
