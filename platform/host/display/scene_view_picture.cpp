// The picture of what a 3-D view control holds (scene_view_picture.h).
#include "platform/host/display/scene_view_picture.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>

#include "platform/host/data/feature_class.h"
#include "platform/host/geometry/geometry.h"
#include "platform/host/display/graphics.h"
#include "platform/host/display/layer.h"
#include "platform/host/display/layer_kinds.h"
#include "platform/host/geometry/multipatch.h"
#include "platform/host/data/raster.h"
#include "platform/host/display/scene.h"
#include "platform/host/display/scene_picture.h"
#include "platform/host/geometry/spatial_reference.h"
#include "platform/com/text.h"

namespace velk::host {
namespace {

constexpr double kMetresPerDegree = 111320.0;

// Map units to local metres around an origin: degrees are turned into metres at the origin's
// latitude.
struct Frame {
  double ox = 0, oy = 0, kx = 1, ky = 1, vertical = 1;
  ComPtr<ISpatialReference> sr;
  void Put(std::vector<float>& to, double x, double y, double z) const {
    to.push_back(static_cast<float>((x - ox) * kx));
    to.push_back(static_cast<float>(z * vertical));
    to.push_back(static_cast<float>(-(y - oy) * ky));
  }
};

// A copy of the geometry in the frame's system (the geometry itself when either has none or the
// projection fails).
ComPtr<IGeometry> InFrame(IGeometry* g, const Frame& frame) {
  ComPtr<IGeometry> geometry(g);
  ComPtr<ISpatialReference> own;
  g->get_SpatialReference(own.put());
  if (!own || !frame.sr) return geometry;
  auto clone = QueryAs<IClone>(g);
  ComPtr<IClone> copy;
  if (!clone || FAILED(clone->Clone(copy.put()))) return geometry;
  auto projected = QueryAs<IGeometry>(copy.get());
  if (projected && SUCCEEDED(projected->Project(frame.sr.get()))) return projected;
  return geometry;
}

double SurfaceZ(ISurface* surface, double x, double y) {
  double z = std::nan("");
  if (surface) surface->GetElevationAt(x, y, &z);
  return z;
}

Rgba Ramp(double t) {
  // Low green, middle brown, high white.
  t = std::clamp(t, 0.0, 1.0);
  if (t < 0.5) {
    const float s = static_cast<float>(t / 0.5);
    return {0.20f + 0.35f * s, 0.45f - 0.10f * s, 0.15f + 0.05f * s, 1.0f};
  }
  const float s = static_cast<float>((t - 0.5) / 0.5);
  return {0.55f + 0.40f * s, 0.35f + 0.60f * s, 0.20f + 0.75f * s, 1.0f};
}

void AddGround(ScenePicture& picture, ISurface* surface, const Frame& frame, IEnvelope* extent,
               int samples) {
  double x0, y0, x1, y1;
  if (FAILED(extent->QueryCoords(&x0, &y0, &x1, &y1))) return;
  const int n = std::max(samples, 2);
  std::vector<double> z(static_cast<std::size_t>(n) * static_cast<std::size_t>(n));
  auto cell = [n](int r, int c) {
    return static_cast<std::size_t>(r) * static_cast<std::size_t>(n) + static_cast<std::size_t>(c);
  };
  double lo = INFINITY, hi = -INFINITY;
  for (int r = 0; r < n; ++r)
    for (int c = 0; c < n; ++c) {
      const double x = x0 + (x1 - x0) * c / (n - 1), y = y1 - (y1 - y0) * r / (n - 1);
      const double v = SurfaceZ(surface, x, y);
      z[cell(r, c)] = v;
      if (v == v) lo = std::min(lo, v), hi = std::max(hi, v);
    }
  if (!(lo <= hi)) return;
  PictureMesh mesh;
  mesh.name = "ground";
  for (int r = 0; r < n; ++r)
    for (int c = 0; c < n; ++c) {
      const double x = x0 + (x1 - x0) * c / (n - 1), y = y1 - (y1 - y0) * r / (n - 1);
      double v = z[cell(r, c)];
      const bool isVoid = v != v;
      if (isVoid) v = lo;
      frame.Put(mesh.positions, x, y, v);
      const Rgba colour = Ramp(hi > lo ? (v - lo) / (hi - lo) : 0.0);
      mesh.colours.insert(mesh.colours.end(), colour.begin(), colour.end());
    }
  auto at = [n](int r, int c) { return static_cast<unsigned>(r * n + c); };
  auto valid = [&](int r, int c) { return !std::isnan(z[cell(r, c)]); };
  for (int r = 0; r + 1 < n; ++r)
    for (int c = 0; c + 1 < n; ++c) {
      // Voids leave holes.
      if (!valid(r, c) || !valid(r + 1, c) || !valid(r, c + 1) || !valid(r + 1, c + 1)) continue;
      mesh.indices.insert(mesh.indices.end(), {at(r, c), at(r + 1, c), at(r, c + 1)});
      mesh.indices.insert(mesh.indices.end(), {at(r, c + 1), at(r + 1, c), at(r + 1, c + 1)});
    }
  mesh.colour = {1, 1, 1, 1};
  picture.meshes.push_back(std::move(mesh));
}

struct Vertex {
  double x, y, z;
};

// The vertices of a geometry by part; z from the shape when it has heights (always for the
// parts of a multipatch, which carry their z whatever their own flag says), else from the
// surface (draped), else 0.
std::vector<std::vector<Vertex>> Parts(IGeometry* g, ISurface* surface, double lift,
                                       bool alwaysZ = false) {
  std::vector<std::vector<Vertex>> parts;
  auto points = QueryAs<IPointCollection>(g);
  VARIANT_BOOL zAware = alwaysZ ? VARIANT_TRUE : VARIANT_FALSE;
  if (!alwaysZ) g->get_ZAware(&zAware);
  auto vertex = [&](IPoint* p) {
    Vertex v{0, 0, 0};
    p->QueryCoords(&v.x, &v.y);
    double z = std::nan("");
    if (zAware) p->get_Z(&z);
    if (z != z) z = SurfaceZ(surface, v.x, v.y) + lift;
    v.z = z == z ? z : 0.0;
    return v;
  };
  if (!points) {
    if (auto p = QueryAs<IPoint>(g)) parts.push_back({vertex(p.get())});
    return parts;
  }
  LONG count = 0;
  points->get_PointCount(&count);
  std::vector<LONG> sizes;
  if (auto partList = QueryAs<IPartCollection>(g)) {
    LONG partCount = 0;
    partList->get_PartCount(&partCount);
    for (LONG i = 0; i < partCount; ++i) {
      LONG size = 0;
      partList->get_PartPointCount(i, &size);
      sizes.push_back(size);
    }
  }
  if (sizes.empty()) sizes.push_back(count);
  LONG index = 0;
  for (LONG size : sizes) {
    std::vector<Vertex> part;
    for (LONG i = 0; i < size && index < count; ++i, ++index) {
      ComPtr<IPoint> p;
      if (SUCCEEDED(points->get_Point(index, p.put())) && p) part.push_back(vertex(p.get()));
    }
    parts.push_back(std::move(part));
  }
  return parts;
}

void AddShape(IGeometry* shape, ISurface* surface, const Frame& frame, PictureLines& lines,
              PicturePoints& points) {
  LONG type = 0;
  shape->get_GeometryType(&type);
  auto geometry = InFrame(shape, frame);
  for (const auto& part : Parts(geometry.get(), surface, 2.0)) {
    if (type == kGeometryPoint || type == kGeometryMultipoint) {
      for (const Vertex& v : part) frame.Put(points.positions, v.x, v.y, v.z);
      continue;
    }
    for (std::size_t i = 1; i < part.size(); ++i) {
      frame.Put(lines.positions, part[i - 1].x, part[i - 1].y, part[i - 1].z);
      frame.Put(lines.positions, part[i].x, part[i].y, part[i].z);
    }
  }
}

std::string Utf8Name(ILayer* layer) {
  Bstr name;
  layer->get_Name(&name);
  return ToUtf8(BstrToWstring(name.get()));
}

void AddFeatureLayer(ScenePicture& picture, ILayer* layer, IFeatureLayer* features,
                     ISurface* surface, const Frame& frame) {
  ComPtr<IFeatureClass> fc;
  features->get_FeatureClass(fc.put());
  if (!fc) return;
  ComPtr<IFeatureCursor> cursor;
  if (FAILED(fc->Search(nullptr, VARIANT_FALSE, cursor.put())) || !cursor) return;
  PictureLines lines;
  PicturePoints points;
  lines.name = points.name = Utf8Name(layer);
  lines.colour = {1.0f, 0.85f, 0.1f, 1.0f};
  points.colour = {1.0f, 0.2f, 0.1f, 1.0f};
  ComPtr<IFeature> feature;
  while (cursor->NextFeature(feature.put()) == S_OK && feature) {
    ComPtr<IGeometry> shape;
    feature->get_Shape(shape.put());
    if (shape) AddShape(shape.get(), surface, frame, lines, points);
    feature.Reset();
  }
  picture.lines.push_back(std::move(lines));
  picture.points.push_back(std::move(points));
}

// A multipatch as triangles, its strips and fans unrolled; false for another geometry.
bool AddMultiPatchMesh(ScenePicture& picture, const std::string& name, IGeometry* g,
                       const Frame& frame) {
  if (!QueryAs<IMultiPatch>(g)) return false;
  auto geometry = InFrame(g, frame);
  auto parts = QueryAs<IGeometryCollection>(geometry.get());
  if (!parts) return false;
  PictureMesh mesh;
  mesh.name = name;
  mesh.colour = {1.0f, 0.0f, 0.0f, 0.31f};
  LONG count = 0;
  parts->get_GeometryCount(&count);
  for (LONG index = 0; index < count; ++index) {
    ComPtr<IGeometry> part;
    if (FAILED(parts->get_Geometry(index, part.put())) || !part) continue;
    const bool fan = QueryAs<ITriangleFan>(part.get()) != nullptr;
    const auto vertices = Parts(part.get(), nullptr, 0.0, true);
    if (vertices.empty()) continue;
    const auto first = static_cast<unsigned>(mesh.positions.size() / 3);
    for (const Vertex& v : vertices.front()) frame.Put(mesh.positions, v.x, v.y, v.z);
    const auto n = static_cast<unsigned>(vertices.front().size());
    for (unsigned i = 2; i < n; ++i) {
      if (fan)
        mesh.indices.insert(mesh.indices.end(), {first, first + i - 1, first + i});
      else if (i % 2 == 0)
        mesh.indices.insert(mesh.indices.end(), {first + i - 2, first + i - 1, first + i});
      else
        mesh.indices.insert(mesh.indices.end(), {first + i - 1, first + i - 2, first + i});
    }
  }
  picture.meshes.push_back(std::move(mesh));
  return true;
}

// A 3-D graphic: a dome surface (multipatch) as triangles where its parts allow, and every
// other geometry as lines along its parts.
void AddGraphics(ScenePicture& picture, IGraphicsContainer* graphics, ISurface* surface,
                 const Frame& frame) {
  graphics->Reset();
  ComPtr<IElement> element;
  while (graphics->Next(element.put()) == S_OK && element) {
    ComPtr<IGeometry> geometry;
    element->get_Geometry(geometry.put());
    std::string name = "graphic";
    if (auto props = QueryAs<IElementProperties>(element.get())) {
      Bstr text;
      props->get_Name(&text);
      name = ToUtf8(BstrToWstring(text.get()));
    }
    if (geometry) {
      LONG type = 0;
      geometry->get_GeometryType(&type);
      if (type == kGeometryMultiPatch && AddMultiPatchMesh(picture, name, geometry.get(), frame)) {
        element.Reset();
        continue;
      }
      PictureLines lines;
      PicturePoints points;
      lines.name = points.name = name;
      lines.colour = {0.76f, 0.0f, 0.25f, 1.0f};
      AddShape(geometry.get(), surface, frame, lines, points);
      picture.lines.push_back(std::move(lines));
      picture.points.push_back(std::move(points));
    }
    element.Reset();
  }
}

}  // namespace

bool SaveScenePicture(IUnknown* control, const std::string& path, std::string* problem,
                      const ScenePictureOptions& options) {
  auto view = QueryAs<ISceneControl>(control);
  if (!view) {
    if (problem) *problem = "not a 3-D view control";
    return false;
  }
  ComPtr<IScene> scene;
  view->get_Scene(scene.put());
  ComPtr<ISurface> surface;
  scene->get_BaseSurface(surface.put());
  Frame frame;
  scene->get_ExaggerationFactor(&frame.vertical);
  scene->get_SpatialReference(frame.sr.put());
  ComPtr<IEnvelope> extent;
  if (surface) {
    surface->get_Extent(extent.put());
    if (!frame.sr) surface->get_SpatialReference(frame.sr.put());
  }
  ComPtr<ISceneCamera> camera;
  view->get_Camera(camera.put());
  ComPtr<IPoint> observer, target;
  camera->get_Observer(observer.put());
  camera->get_Target(target.put());
  if (extent) {
    double x0, y0, x1, y1;
    extent->QueryCoords(&x0, &y0, &x1, &y1);
    frame.ox = (x0 + x1) / 2;
    frame.oy = (y0 + y1) / 2;
  } else if (target) {
    target->QueryCoords(&frame.ox, &frame.oy);
  }
  if (QueryAs<IGeographicCoordinateSystem>(frame.sr.get())) {
    frame.ky = kMetresPerDegree;
    frame.kx = kMetresPerDegree * std::cos(frame.oy * 3.14159265358979323846 / 180.0);
  }

  ScenePicture picture;
  if (surface && extent) AddGround(picture, surface.get(), frame, extent.get(), options.groundSamples);
  // Members of group layers are drawn as the scene draws them.
  std::function<void(ILayer*)> addLayer = [&](ILayer* layer) {
    if (!layer) return;
    if (auto graphics = QueryAs<IGraphicsContainer>(layer)) {
      AddGraphics(picture, graphics.get(), surface.get(), frame);
    } else if (auto features = QueryAs<IFeatureLayer>(layer)) {
      AddFeatureLayer(picture, layer, features.get(), surface.get(), frame);
    } else if (auto members = QueryAs<ICompositeLayer>(layer)) {
      LONG n = 0;
      members->get_Count(&n);
      for (LONG i = 0; i < n; ++i) {
        ComPtr<ILayer> member;
        members->get_Layer(i, member.put());
        addLayer(member.get());
      }
    }
  };
  LONG count = 0;
  scene->get_LayerCount(&count);
  for (LONG i = 0; i < count; ++i) {
    ComPtr<ILayer> layer;
    scene->get_Layer(i, layer.put());
    addLayer(layer.get());
  }
  if (observer && target) {
    double ox, oy, oz = 0, tx, ty, tz = 0;
    observer->QueryCoords(&ox, &oy);
    observer->get_Z(&oz);
    target->QueryCoords(&tx, &ty);
    target->get_Z(&tz);
    std::vector<float> eye, at;
    frame.Put(eye, ox, oy, oz);
    frame.Put(at, tx, ty, tz);
    picture.hasCamera = true;
    picture.eye = {eye[0], eye[1], eye[2]};
    picture.target = {at[0], at[1], at[2]};
    camera->get_RollAngle(&picture.roll);
  }
  return WriteSceneGlb(picture, path, problem);
}

bool SaveCameraPath(IUnknown* control, const std::string& path, std::string* problem) {
  if (!QueryAs<ISceneControl>(control)) {
    if (problem) *problem = "not a 3-D view control";
    return false;
  }
  namespace fs = std::filesystem;
  const std::string partial = path + ".partial";
  {
    std::ofstream out(partial);
    out << "tick,observer_x,observer_y,observer_z,target_x,target_y,target_z\n";
    char line[512];
    for (const CameraRecord& r : CameraPathOf(control)) {
      std::snprintf(line, sizeof line, "%lld,%.9g,%.9g,%.6g,%.9g,%.9g,%.6g\n", r.tick,
                    r.observer[0], r.observer[1], r.observer[2], r.target[0], r.target[1],
                    r.target[2]);
      out << line;
    }
    out.flush();
    if (!out) {
      std::error_code ignored;
      fs::remove(partial, ignored);
      if (problem) *problem = "cannot write " + path;
      return false;
    }
  }
  std::error_code ec;
  fs::rename(partial, path, ec);
  if (ec) {
    if (problem) *problem = "cannot write " + path;
    return false;
  }
  return true;
}

}  // namespace velk::host
