// The globe's animations: tracks of keyframes that the host's animation player runs. A track
// of the globe-camera type holds camera keyframes: properties 1-3 the target's latitude,
// longitude and height, 4-6 the observer's, heights in kilometres times the globe's height
// factor. The globe keeps its tracks in its collection (IAnimationTracks), by unique name.
#pragma once

#include <vector>

#include "platform/com/bstr.h"
#include "platform/com/object.h"

// Animation types of a track.
constexpr LONG kAnimationTypeGlobeCamera = 1;

// Property numbers of a globe-camera keyframe (0 is the keyframe's time within the track).
constexpr LONG kCameraTime = 0;
constexpr LONG kCameraTargetLatitude = 1;
constexpr LONG kCameraTargetLongitude = 2;
constexpr LONG kCameraTargetHeight = 3;
constexpr LONG kCameraObserverLatitude = 4;
constexpr LONG kCameraObserverLongitude = 5;
constexpr LONG kCameraObserverHeight = 6;
constexpr LONG kCameraPropertyCount = 7;

struct IAnimationKeyframe : IUnknown {
  VELK_INTERFACE_ID("{5B0C6B2E-7E0A-4C8B-9D0E-3F0B6E1A3C41}")
  virtual HRESULT get_Name(BSTR* name) = 0;
  virtual HRESULT put_Name(BSTR name) = 0;
  // The keyframe's active range within its track, as (first, last) step.
  virtual HRESULT SetRange(LONG first, LONG last) = 0;
  virtual HRESULT GetRange(LONG* first, LONG* last) = 0;
  // A property by number (0 .. kCameraPropertyCount - 1; E_INVALIDARG otherwise); a property
  // never set reads 0.
  virtual HRESULT get_PropertyValue(LONG property, double* value) = 0;
  virtual HRESULT put_PropertyValue(LONG property, double value) = 0;
};

struct IAnimationTrack : IUnknown {
  VELK_INTERFACE_ID("{0E8F3F52-4D7B-4F4A-A8A1-6C2D1B9E7F10}")
  virtual HRESULT get_Name(BSTR* name) = 0;
  virtual HRESULT put_Name(BSTR name) = 0;
  virtual HRESULT get_AnimationType(LONG* type) = 0;
  // Sets the type; E_INVALIDARG for a type the host does not know, E_FAIL once the track has
  // keyframes.
  virtual HRESULT put_AnimationType(LONG type) = 0;
  // A new keyframe inserted before position (-1 or past the end: appended); E_FAIL while the
  // track has no type.
  virtual HRESULT CreateKeyframe(LONG position, IAnimationKeyframe** keyframe) = 0;
  virtual HRESULT get_KeyframeCount(LONG* count) = 0;
  virtual HRESULT get_Keyframe(LONG index, IAnimationKeyframe** keyframe) = 0;
  // The properties the track animates (each 0 .. kCameraPropertyCount - 1).
  virtual HRESULT SetAnimatedProperties(LONG count, const LONG* properties) = 0;
  virtual HRESULT GetAnimatedProperties(std::vector<LONG>* properties) = 0;
  // The object the track moves (a globe's camera).
  virtual HRESULT putref_AttachedObject(IUnknown* object) = 0;
  virtual HRESULT get_AttachedObject(IUnknown** object) = 0;
  virtual HRESULT get_Enabled(VARIANT_BOOL* enabled) = 0;
  virtual HRESULT put_Enabled(VARIANT_BOOL enabled) = 0;
};

// A globe's animation tracks, in the order they were added.
struct IAnimationTracks : IUnknown {
  VELK_INTERFACE_ID("{9C7D1E44-2B6A-4F1E-8C53-7A0E5D2F6B19}")
  virtual HRESULT get_TrackCount(LONG* count) = 0;
  virtual HRESULT get_Track(LONG index, IAnimationTrack** track) = 0;
  // S_FALSE and null when no track has that name.
  virtual HRESULT FindTrack(BSTR name, IAnimationTrack** track) = 0;
  // E_INVALIDARG for a track without a name, for one whose name another track has, and for a
  // track the collection holds already.
  virtual HRESULT AddTrack(IAnimationTrack* track) = 0;
  // S_FALSE when the collection does not hold the track.
  virtual HRESULT RemoveTrack(IAnimationTrack* track) = 0;
};

// The globe host's animation controls (its player's toolbar): one object for the process,
// whatever creates it. Refresh makes the controls read the globe's tracks anew, so a track
// added by code shows in the player.
struct IAnimationControls : IUnknown {
  VELK_INTERFACE_ID("{6F3A9C2E-5B7D-4E1A-8C4F-2D9B7E1A3C58}")
  virtual HRESULT Refresh() = 0;
  // How many refreshes were asked for so far.
  virtual HRESULT get_RefreshCount(LONG* count) = 0;
};

namespace velk::host {

inline constexpr CLSID CLSID_AnimationControls =
    MakeGuid("{C4E1B7A9-3D2F-4B6E-9A8C-5E7D1F3B2A64}");

HRESULT CreateAnimationControlsObject(IUnknown* outer, REFIID riid, void** ppv);

inline constexpr CLSID CLSID_AnimationTrack = MakeGuid("{2A7C4B1D-93E8-4E5F-B0C6-1D8F7A3E5C62}");

HRESULT CreateAnimationTrackObject(IUnknown* outer, REFIID riid, void** ppv);

// The tracks of one owner (the globe keeps one and forwards IAnimationTracks to it).
class AnimationTrackList {
 public:
  HRESULT Count(LONG* count) const;
  HRESULT At(LONG index, IAnimationTrack** track) const;
  HRESULT Find(BSTR name, IAnimationTrack** track) const;
  HRESULT Add(IAnimationTrack* track);
  HRESULT Remove(IAnimationTrack* track);

 private:
  std::vector<ComPtr<IAnimationTrack>> tracks_;
};

#define VELK_ANIMATION_TRACKS_FORWARDS                                                         \
  HRESULT get_TrackCount(LONG* n) override { return tracks_.Count(n); }                        \
  HRESULT get_Track(LONG i, IAnimationTrack** t) override { return tracks_.At(i, t); }         \
  HRESULT FindTrack(BSTR name, IAnimationTrack** t) override { return tracks_.Find(name, t); } \
  HRESULT AddTrack(IAnimationTrack* t) override { return tracks_.Add(t); }                     \
  HRESULT RemoveTrack(IAnimationTrack* t) override { return tracks_.Remove(t); }

}  // namespace velk::host
