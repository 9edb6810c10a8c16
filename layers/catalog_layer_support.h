// What the catalog layer classes share on top of the frame and the dataset list: the catalog
// check through the data manager, the host layers they draw through (definition queries,
// catalog tables, drawing), the view a draw sees, footprint queries and symbols, the catalog
// scale list and the persisted header fields. Host failures are thrown as COM errors (E_POINTER
// for a missing object or interface) for the calling method to catch at its boundary.
#pragma once

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "interfaces/zel_layer_interfaces.h"
#include "platform/com/bstr.h"
#include "platform/com/stream.h"
#include "platform/com/unknown.h"

namespace velk::lumeris {
class ZelDatasetsImpl;
}

struct IDisplay;
struct IEnvelope;
struct IFeatureRenderer;
struct ISpatialFilter;
struct ITable;
struct ITrackCancel;

namespace velk::lumeris {

// Whether the data manager takes the table for a catalog of the kind (velkZelCatalogTypeEnum).
bool IsCatalogOfKind(LONG kind, ITable* table);

// The table an inner raster-catalog layer is bound to (null before it is bound).
ComPtr<ITable> CatalogTableOf(IUnknown* innerLayer);

// A layer's definition query (IFeatureLayerDefinition).
std::wstring DefinitionOf(IUnknown* layer);
void SetDefinition(IUnknown* layer, const std::wstring& clause);

// Draws a host layer (ILayerDraw); its result.
HRESULT DrawHostLayer(IUnknown* layer, LONG phase, IDisplay* display, ITrackCancel* cancel);

// The visible extent of a display, and its map scale into *scale.
ComPtr<IEnvelope> DisplayScaleAndExtent(IDisplay* display, double* scale);
// True only when both are given and their four coordinates are equal.
bool EnvelopesEqual(IEnvelope* a, IEnvelope* b);

// A spatial filter of the extent, intersecting, with the where clause.
ComPtr<ISpatialFilter> ViewFilter(IEnvelope* extent, const std::wstring& where);
// Whether the table has a row the filter finds (the first row is fetched, no more).
bool HasRow(ITable* table, ISpatialFilter* filter);

// The footprint layer's query for a wireframe mode: none gives "<field> = 'No Wireframe please'",
// selected the dataset clause, all the empty query; false for any other mode (left as it is).
bool FootprintQueryFor(velkZelWireframeDisplayEnum mode, const std::wstring& field,
                       const std::wstring& datasetClause, std::wstring* query);

// A hollow fill whose outline is a solid line of the width in the colour (0x00BBGGRR).
ComPtr<IUnknown> OutlineSymbol(LONG rgb, double width);

// The footprint renderer of the RPF layers: one hollow outline per RPF series on the field
// "SERIES", in series-map order, the series' long name as heading; a grey default.
ComPtr<IFeatureRenderer> BuildRpfSeriesRenderer();

// The distinct SCALE values of a catalog, ascending (an empty list without the field).
std::vector<LONG> QueryCatalogScales(ITable* table);
// Sorted, without repeats.
std::vector<LONG> DistinctSorted(std::vector<LONG> scales);

// "SCALE = n".
std::wstring ScaleClause(LONG scale);

// The 16-bit booleans and 32-bit mode that follow a layer's inner data in its stream.
struct LayerHeaderFlags {
  VARIANT_BOOL first = VARIANT_TRUE;
  VARIANT_BOOL second = VARIANT_TRUE;
  LONG wireframe = 0;
};
HRESULT WriteHeaderFlags(IStream* stream, const LayerHeaderFlags& flags);
HRESULT ReadHeaderFlags(IStream* stream, LayerHeaderFlags* flags);

// The end of a layer record: the dataset-flag block, then the layer's strings (its id, ...). It
// is read whole before anything is decided, so that a record whose catalog did not come back
// still ends where it should and the layers after it in a document load from the right place.
class LayerRecordTail {
 public:
  // E_FAIL, and the stream back where the tail began, when it is short or corrupt.
  HRESULT Read(IStream* stream, int strings);
  Bstr TakeString(int i) { return std::move(strings_[static_cast<std::size_t>(i)]); }
  // Gives the saved flags to the list (once it is bound again) and leaves the stream at the
  // record's end.
  HRESULT ApplyFlags(ZelDatasetsImpl& datasets, IStream* stream) const;

 private:
  ULONGLONG flagsAt_ = 0;
  ULONGLONG endAt_ = 0;
  std::vector<Bstr> strings_;
};

// The record of a raster catalog layer: its version, the inner host objects' own parts in
// order, the header flags, the dataset-flag block, then the layer's strings (from version 9201
// on). Save asks for the strings only once everything before them is written, since making them
// may change the inner objects.
HRESULT SaveCatalogLayerRecord(IStream* stream, LONG version,
                               std::initializer_list<IUnknown*> parts,
                               const LayerHeaderFlags& flags, ZelDatasetsImpl& datasets,
                               const std::function<std::vector<Bstr>()>& strings);

// A record as read, before the layer takes it.
struct CatalogLayerRecord {
  LONG version = 0;
  LayerHeaderFlags flags;
  LayerRecordTail tail;
  // Whether the record carries the layer's strings (none before version 9201).
  bool HasStrings() const { return version >= kFirstVersionWithStrings; }
  static constexpr LONG kFirstVersionWithStrings = 9201;
};

// Reads a record written by SaveCatalogLayerRecord with `strings` strings by a class saving
// classVersion, to its end. A null stream is E_POINTER and a refused version the version
// reader's failure; anything short or corrupt after it is E_FAIL, with the stream back where
// the record began.
HRESULT ReadCatalogLayerRecord(IStream* stream, LONG classVersion,
                               std::initializer_list<IUnknown*> parts, int strings,
                               CatalogLayerRecord* record);

// Binds a layer whose record was just read to its catalog again and gives it the saved dataset
// flags: S_FALSE, and nothing bound, when the catalog did not come back.
template <class Layer>
HRESULT BindLoadedCatalog(Layer& layer, ITable* table, const CatalogLayerRecord& record,
                          IStream* stream) {
  if (!table) return S_FALSE;
  VARIANT_BOOL ok = VARIANT_FALSE;
  layer.Setup(table, &ok);
  record.tail.ApplyFlags(layer, stream);
  return S_OK;
}

// The ascending scale list of a catalog the list was just loaded from: the companion's scales,
// else the catalog's own.
std::vector<LONG> CatalogScalesAfterLoad(const ZelDatasetsImpl& datasets, ITable* catalog);

// In the globe host (the shared raster helper finds its display) a chart layer's inner layer
// starts with the scale that shows the whole globe (GlobeInitialScale); elsewhere, without an
// inner layer or without scales nothing is set.
void ApplyGlobeInitialScale(IUnknown* innerLayer, const std::vector<LONG>& scales);

// The resampling kind of an inner raster-catalog layer, forwarded.
HRESULT GetCatalogResampling(IUnknown* innerLayer, velkRasterResamplingType* value);
HRESULT PutCatalogResampling(IUnknown* innerLayer, velkRasterResamplingType value);

// Saves and loads an inner host object's own stream part (IPersistStream); an object without
// one writes and reads nothing. A failed load is returned.
HRESULT SaveInnerPart(IUnknown* object, IStream* stream);
HRESULT LoadInnerPart(IUnknown* object, IStream* stream);

}  // namespace velk::lumeris
