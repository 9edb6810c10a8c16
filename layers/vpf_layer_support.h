// Small pieces the two VPF layers (the vector product layer and the managed VPF layer) share:
// product key texts, row values, host groups and their scale ranges, the cancel check and the
// GeoSym renderer of a feature layer.
#pragma once

#include <cstddef>
#include <set>
#include <string>

#include "layers/zel_datasets_impl.h"
#include "platform/com/unknown.h"
#include "platform/registry/host_object_creation.h"

struct IFeatureRenderer;
struct IGroupLayer;
struct ILayer;
struct IRowBuffer;
struct ITrackCancel;

namespace velk::lumeris {

// The text cut to at most `limit` characters.
std::wstring Cut(std::wstring s, std::size_t limit);

// Of a product key "VMAP$VMAP Level 0": the family, the text before the first "$" ("VMAP"),
// and the title, the text after it ("VMAP Level 0"); the whole key when it has no "$".
std::wstring ProductFamily(const std::wstring& key);
std::wstring ProductTitle(const std::wstring& key);

// A catalog value inside single quotes, its own quotes doubled.
std::wstring Quoted(const std::wstring& value);

// A row's value as text (empty for null or a missing field) and as a 32-bit number (0 then).
std::wstring RowText(IRowBuffer* row, LONG index);
LONG RowLong(IRowBuffer* row, LONG index);

// False once the tracker says the drawing is cancelled; true without a tracker.
bool KeepGoing(ITrackCancel* tracker);

// A new host group layer with the name (a COM error when the host cannot make one), and the
// scale range of a layer (zoomed-out and zoomed-in bounds, 0 for none).
ComPtr<IGroupLayer> NewGroup(const std::wstring& name);
void SetScaleRange(IUnknown* layer, double zoomedOut, double zoomedIn);
void GetScaleRange(IUnknown* layer, double* zoomedOut, double* zoomedIn);

// Empties a group and every group inside it (the feature layers stay alive where they are kept).
void ClearGroupLayer(IUnknown* layer);
// Adds the layer to the group unless the group holds it already (by COM identity).
void AddLayerOnce(IGroupLayer* group, ILayer* layer);

// A GeoSym renderer for a feature layer of the GeoSym product: the ship's safety contour one
// metre below the mariner's. Null when the product line's renderer is not there, so that the
// layer keeps the host's default symbols.
ComPtr<IFeatureRenderer> NewGeoSymRenderer(LONG productId);

// The footprints of the VPF layers: one hollow outline 2 wide per product (the labels, values of
// PRODUCT) in colours spread around the hue circle, labelled with the product's title; any other
// value in grey under the label of string 4.
ComPtr<IFeatureRenderer> BuildProductFootprintRenderer(
    const std::set<std::wstring, Utf16Less>& labels);

}  // namespace velk::lumeris
