// Session actions over the globe's animation tracks: the tracks listed, one track's keyframes
// printed, and a track written as CSV and KML for checking the flight in other tools.
#include <cmath>

#include "apps/trevik/session_action_table.h"
#include "apps/trevik/failure_text.h"
#include "platform/com/hresult_text.h"
#include "platform/com/text.h"
#include "platform/host/display/animation.h"
#include "platform/host/display/animation_export.h"
#include "platform/host/display/globe.h"
#include "platform/host/documents/document.h"
#include "platform/registry/activation.h"

namespace trevik {

namespace {

using velk::Bstr;
using velk::ComPtr;
using velk::QueryAs;

ComPtr<IGlobe> Globe(TrevikSession& session) {
  auto doc = QueryAs<IGlobeDocument>(session.Host().Document().get());
  if (!doc) FailLine(L"this host has no globe");
  ComPtr<IGlobe> globe;
  doc->get_Globe(globe.put());
  if (!globe) FailLine(L"the globe host has no globe");
  return globe;
}

ComPtr<IAnimationTrack> Track(IGlobe* globe, const std::wstring& name) {
  auto tracks = QueryAs<IAnimationTracks>(globe);
  ComPtr<IAnimationTrack> track;
  if (tracks) tracks->FindTrack(Bstr(name), track.put());
  if (!track) FailLine(L"the globe has no track \"" + name + L"\"");
  return track;
}

double HeightFactor(IGlobe* globe) {
  double factor = 1.0;
  if (auto surface = QueryAs<IGlobeSurface>(globe)) surface->get_HeightFactor(&factor);
  return factor;
}

// ---- the actions ----

//   track-csv NAME FILE | track-kml NAME FILE   writes the globe's track of that name
void WriteTrack(SessionContext& s, const SessionLine& l) {
  auto globe = Globe(s.Session());
  auto track = Track(globe.get(), l.Arg(0, L"a track name"));
  const std::string file = velk::ToUtf8(l.Arg(1, L"a file"));
  HRESULT hr = l.action == "track-csv"
                   ? velk::host::WriteTrackCsv(track.get(), HeightFactor(globe.get()), file)
                   : velk::host::WriteTrackKml(track.get(), HeightFactor(globe.get()), file);
  if (FAILED(hr)) FailLine(L"the track was not written: " + FailureText(hr));
  s.Print(L"  wrote " + l.args[1]);
}

// ---- the print targets ----

//   print tracks   the globe's animation tracks: name, keyframe count, whether enabled
void PrintTracks(SessionContext& s, const SessionLine&) {
  auto tracks = QueryAs<IAnimationTracks>(Globe(s.Session()).get());
  LONG count = 0;
  if (tracks) tracks->get_TrackCount(&count);
  s.Print(L"  tracks " + std::to_wstring(count));
  for (LONG i = 0; i < count; ++i) {
    ComPtr<IAnimationTrack> track;
    tracks->get_Track(i, track.put());
    Bstr name;
    track->get_Name(&name);
    LONG keys = 0;
    track->get_KeyframeCount(&keys);
    VARIANT_BOOL enabled = VARIANT_FALSE;
    track->get_Enabled(&enabled);
    s.Print(L"  track \"" + name.str() + L"\" keyframes " + std::to_wstring(keys) +
            (enabled ? L" enabled" : L" disabled"));
  }
  // The host's animation controls: how often they were told to read the tracks anew.
  ComPtr<IAnimationControls> controls;
  LONG refreshes = 0;
  if (SUCCEEDED(::CoCreateInstance(velk::host::CLSID_AnimationControls, nullptr, CLSCTX_ALL,
                                   IidOf<IAnimationControls>(), controls.put_void())) &&
      controls)
    controls->get_RefreshCount(&refreshes);
  s.Print(L"  animation controls refreshed " + std::to_wstring(refreshes));
}

//   print track NAME [FIRST [COUNT]]   the keyframes: name, target and observer (longitude,
//                                      latitude, height in km times the height factor)
void PrintTrack(SessionContext& s, const SessionLine& l) {
  auto globe = Globe(s.Session());
  auto track = Track(globe.get(), ArgOrMissing(l.args, 1, L"a track name"));
  LONG count = 0;
  track->get_KeyframeCount(&count);
  LONG first = l.args.size() > 2 ? ParseLong(l.args[2], L"the first keyframe") : 0;
  LONG shown = l.args.size() > 3 ? ParseLong(l.args[3], L"the keyframe count") : count;
  for (LONG i = std::max<LONG>(first, 0); i < count && i < first + shown; ++i) {
    ComPtr<IAnimationKeyframe> k;
    track->get_Keyframe(i, k.put());
    Bstr name;
    k->get_Name(&name);
    auto v = [&](LONG p) {
      double value = NAN;
      k->get_PropertyValue(p, &value);
      return Number(value);
    };
    s.Print(L"  keyframe " + name.str() + L" target " + v(kCameraTargetLongitude) + L" " +
            v(kCameraTargetLatitude) + L" " + v(kCameraTargetHeight) + L" observer " +
            v(kCameraObserverLongitude) + L" " + v(kCameraObserverLatitude) + L" " +
            v(kCameraObserverHeight));
  }
}

const SessionActions kRegistered({{"track-csv", &WriteTrack}, {"track-kml", &WriteTrack}},
                                 {{"tracks", &PrintTracks}, {"track", &PrintTrack}});

}  // namespace

}  // namespace trevik
