#include "platform/host/display/animation_export.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "platform/com/text.h"
#include "platform/registry/file_io.h"

namespace velk::host {
namespace {

constexpr double kEarthRadiusM = 6371008.8;
constexpr double kDeg = 3.14159265358979323846 / 180.0;

std::string Num(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.9g", v);
  return buf;
}

std::string XmlText(const std::wstring& s) {
  std::string out;
  for (char c : ToUtf8(s)) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

std::string CsvText(const std::wstring& s) {
  std::string t = ToUtf8(s);
  if (t.find_first_of(",\"\n\r") == std::string::npos) return t;
  std::string out = "\"";
  for (char c : t) out += c == '"' ? std::string("\"\"") : std::string(1, c);
  return out + "\"";
}

HRESULT Write(const std::string& path, const std::string& text) {
  return reg::detail::WriteFileAtomically(path, text) == 0 ? S_OK : E_FAIL;
}

HRESULT Rows(IAnimationTrack* track, double factor, std::vector<CameraKeyframeRow>& rows) {
  HRESULT hr = ReadCameraKeyframes(track, factor, &rows);
  if (FAILED(hr)) return hr;
  return rows.empty() ? E_INVALIDARG : S_OK;
}

// Heading (degrees clockwise from north) and tilt (degrees from looking straight down) of a
// camera at the observer looking at the target.
void LookAngles(const CameraKeyframeRow& r, double& heading, double& tilt) {
  double phi1 = r.observerLat * kDeg, phi2 = r.targetLat * kDeg;
  double dl = (r.targetLon - r.observerLon) * kDeg;
  double y = std::sin(dl) * std::cos(phi2);
  double x = std::cos(phi1) * std::sin(phi2) - std::sin(phi1) * std::cos(phi2) * std::cos(dl);
  heading = std::fmod(std::atan2(y, x) / kDeg + 360.0, 360.0);
  double a = std::pow(std::sin((phi2 - phi1) / 2), 2) +
             std::cos(phi1) * std::cos(phi2) * std::pow(std::sin(dl / 2), 2);
  double ground = 2 * kEarthRadiusM * std::asin(std::min(1.0, std::sqrt(a)));
  double drop = r.observerHeight - r.targetHeight;
  tilt = std::atan2(ground, drop) / kDeg;
  if (tilt < 0.0) tilt = 0.0;
  if (tilt > 180.0) tilt = 180.0;
}

std::string Coordinates(const std::vector<CameraKeyframeRow>& rows, bool observer) {
  std::string s;
  for (const auto& r : rows) {
    if (!s.empty()) s += ' ';
    s += observer ? Num(r.observerLon) + "," + Num(r.observerLat) + "," + Num(r.observerHeight)
                  : Num(r.targetLon) + "," + Num(r.targetLat) + "," + Num(r.targetHeight);
  }
  return s;
}

std::string PathPlacemark(const char* name, const std::vector<CameraKeyframeRow>& rows,
                          bool observer) {
  std::string geometry = rows.size() > 1 ? "LineString" : "Point";
  return std::string("  <Placemark>\n    <name>") + name + "</name>\n    <" + geometry +
         ">\n      <altitudeMode>absolute</altitudeMode>\n      <coordinates>" +
         Coordinates(rows, observer) + "</coordinates>\n    </" + geometry + ">\n  </Placemark>\n";
}

}  // namespace

HRESULT ReadCameraKeyframes(IAnimationTrack* track, double heightFactor,
                            std::vector<CameraKeyframeRow>* rows) {
  if (!track || !rows) return E_POINTER;
  rows->clear();
  LONG type = 0;
  track->get_AnimationType(&type);
  if (type != kAnimationTypeGlobeCamera || !(heightFactor > 0.0)) return E_INVALIDARG;
  LONG count = 0;
  track->get_KeyframeCount(&count);
  for (LONG i = 0; i < count; ++i) {
    ComPtr<IAnimationKeyframe> k;
    HRESULT hr = track->get_Keyframe(i, k.put());
    if (FAILED(hr)) return hr;
    auto value = [&](LONG p) {
      double v = 0.0;
      k->get_PropertyValue(p, &v);
      return v;
    };
    CameraKeyframeRow r;
    Bstr name;
    k->get_Name(&name);
    r.name = name.str();
    r.targetLat = value(kCameraTargetLatitude);
    r.targetLon = value(kCameraTargetLongitude);
    r.targetHeight = value(kCameraTargetHeight) / heightFactor * 1000.0;
    r.observerLat = value(kCameraObserverLatitude);
    r.observerLon = value(kCameraObserverLongitude);
    r.observerHeight = value(kCameraObserverHeight) / heightFactor * 1000.0;
    rows->push_back(std::move(r));
  }
  return S_OK;
}

HRESULT WriteTrackCsv(IAnimationTrack* track, double heightFactor, const std::string& path) {
  std::vector<CameraKeyframeRow> rows;
  HRESULT hr = Rows(track, heightFactor, rows);
  if (FAILED(hr)) return hr;
  std::string text =
      "keyframe,observer_lon,observer_lat,observer_height_m,target_lon,target_lat,"
      "target_height_m\n";
  for (const auto& r : rows)
    text += CsvText(r.name) + "," + Num(r.observerLon) + "," + Num(r.observerLat) + "," +
            Num(r.observerHeight) + "," + Num(r.targetLon) + "," + Num(r.targetLat) + "," +
            Num(r.targetHeight) + "\n";
  return Write(path, text);
}

HRESULT WriteTrackKml(IAnimationTrack* track, double heightFactor, const std::string& path) {
  std::vector<CameraKeyframeRow> rows;
  HRESULT hr = Rows(track, heightFactor, rows);
  if (FAILED(hr)) return hr;
  Bstr name;
  track->get_Name(&name);
  const std::string title = XmlText(name.str());
  std::string text =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<kml xmlns=\"http://www.opengis.net/kml/2.2\" "
      "xmlns:gx=\"http://www.google.com/kml/ext/2.2\">\n<Document>\n  <name>" +
      title + "</name>\n";
  text += PathPlacemark("Camera path", rows, true);
  text += PathPlacemark("Target path", rows, false);
  text += "  <gx:Tour>\n    <name>" + title + "</name>\n    <gx:Playlist>\n";
  for (const auto& r : rows) {
    double heading = 0, tilt = 0;
    LookAngles(r, heading, tilt);
    text +=
        "      <gx:FlyTo>\n        <gx:duration>1</gx:duration>\n"
        "        <gx:flyToMode>smooth</gx:flyToMode>\n        <Camera>\n"
        "          <longitude>" +
        Num(r.observerLon) +
        "</longitude>\n"
        "          <latitude>" +
        Num(r.observerLat) +
        "</latitude>\n"
        "          <altitude>" +
        Num(r.observerHeight) +
        "</altitude>\n"
        "          <heading>" +
        Num(heading) +
        "</heading>\n"
        "          <tilt>" +
        Num(tilt) +
        "</tilt>\n"
        "          <altitudeMode>absolute</altitudeMode>\n        </Camera>\n"
        "      </gx:FlyTo>\n";
  }
  text += "    </gx:Playlist>\n  </gx:Tour>\n</Document>\n</kml>\n";
  return Write(path, text);
}

}  // namespace velk::host
