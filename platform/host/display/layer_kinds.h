// The kinds of map layers the host offers beyond the general layer interface (layer.h):
// feature layers with their selection and renderer, raster layers, layers that report a
// surface, group layers and graphics layers; and what every one of them answers: its area of
// interest and its layer extensions (such as 3-D properties).
#pragma once

#include "platform/com/bstr.h"
#include "platform/com/unknown.h"

struct IEnvelope;
struct IFeatureClass;
struct ILayer;
struct IRaster;
struct ISelectionSet;
struct ISurface;

// The extent of a layer's data, in the data's spatial reference.
struct ILayerExtent : IUnknown {
  VELK_INTERFACE_ID("{8E1FE28F-BAE4-44B3-8AEC-B15D2076B661}")
  virtual HRESULT get_AreaOfInterest(IEnvelope** extent) = 0;
};

// Objects attached to a layer (its 3-D properties and the like), by 0-based index.
struct ILayerExtensions : IUnknown {
  VELK_INTERFACE_ID("{BB6A78CA-9C28-4F75-899F-DFF65174082C}")
  virtual HRESULT get_ExtensionCount(LONG* count) = 0;
  virtual HRESULT get_Extension(LONG index, IUnknown** extension) = 0;
  virtual HRESULT AddExtension(IUnknown* extension) = 0;
  virtual HRESULT RemoveExtension(LONG index) = 0;
};

// Base heights of a layer's features in 3-D: kind 1 takes them from a base surface.
constexpr LONG kBaseOptionShape = 0;
constexpr LONG kBaseOptionSurface = 1;

struct I3DProperties : IUnknown {
  VELK_INTERFACE_ID("{BC6F44CC-21E8-11D4-A383-00C04F6BC619}")
  virtual HRESULT get_BaseOption(LONG* kind) = 0;
  virtual HRESULT put_BaseOption(LONG kind) = 0;
  virtual HRESULT get_BaseSurface(IUnknown** surface) = 0;
  virtual HRESULT putref_BaseSurface(IUnknown* surface) = 0;
  // The grid of the base surface's raster the layer is draped by: rows and columns (0 until
  // given, as the surface's raster layer reports them).
  virtual HRESULT get_BaseRows(LONG* rows) = 0;
  virtual HRESULT put_BaseRows(LONG rows) = 0;
  virtual HRESULT get_BaseColumns(LONG* columns) = 0;
  virtual HRESULT put_BaseColumns(LONG columns) = 0;
};

struct IFeatureLayer : IUnknown {
  VELK_INTERFACE_ID("{40A9E885-5533-11D0-98BE-00805F7CED21}")
  virtual HRESULT get_FeatureClass(IFeatureClass** featureClass) = 0;
  virtual HRESULT putref_FeatureClass(IFeatureClass* featureClass) = 0;
};

// The selected features of a feature layer (an empty set of the class when none is selected).
struct IFeatureSelection : IUnknown {
  VELK_INTERFACE_ID("{A9F753FB-63D2-4ACE-82DE-DCE71B80DED1}")
  virtual HRESULT get_SelectionSet(ISelectionSet** selection) = 0;
  virtual HRESULT putref_SelectionSet(ISelectionSet* selection) = 0;
  virtual HRESULT Clear() = 0;
};

struct IFeatureRenderer : IUnknown {
  VELK_INTERFACE_ID("{DC354D82-4852-49AE-9746-4A6C492ADB08}")
};

// One symbol for every feature, with the label the table of contents shows for it.
struct ISimpleRenderer : IUnknown {
  VELK_INTERFACE_ID("{DE58DB42-36FC-4087-9E19-79D60FF9F04E}")
  virtual HRESULT get_Symbol(IUnknown** symbol) = 0;
  virtual HRESULT putref_Symbol(IUnknown* symbol) = 0;
  virtual HRESULT get_Label(BSTR* label) = 0;
  virtual HRESULT put_Label(BSTR label) = 0;
};

// One symbol per distinct value of the renderer's fields (several fields' values joined by the
// delimiter), each with a heading and a label; features of no listed value take the default
// symbol when it is in use, else they are not drawn.
struct IUniqueValueRenderer : IUnknown {
  VELK_INTERFACE_ID("{8C2F6A13-4D7E-4B90-A5C1-2E9D7F3B6A04}")
  virtual HRESULT get_FieldCount(LONG* count) = 0;
  // E_INVALIDARG for a negative count; fields beyond it are dropped, new ones are empty.
  virtual HRESULT put_FieldCount(LONG count) = 0;
  // E_INVALIDARG for an index outside 0 .. count - 1.
  virtual HRESULT get_Field(LONG index, BSTR* name) = 0;
  virtual HRESULT put_Field(LONG index, BSTR name) = 0;
  virtual HRESULT get_FieldDelimiter(BSTR* delimiter) = 0;
  virtual HRESULT put_FieldDelimiter(BSTR delimiter) = 0;
  // Whether the field's values are compared as text (else as numbers).
  virtual HRESULT put_FieldType(LONG index, VARIANT_BOOL isString) = 0;
  virtual HRESULT get_FieldType(LONG index, VARIANT_BOOL* isString) = 0;
  // A value given twice keeps its first symbol (E_INVALIDARG).
  virtual HRESULT AddValue(BSTR value, BSTR heading, IUnknown* symbol) = 0;
  virtual HRESULT get_ValueCount(LONG* count) = 0;
  virtual HRESULT get_Value(LONG index, BSTR* value) = 0;
  // S_OK with null for a value not listed.
  virtual HRESULT get_Symbol(BSTR value, IUnknown** symbol) = 0;
  virtual HRESULT get_Heading(BSTR value, BSTR* heading) = 0;
  virtual HRESULT get_Label(BSTR value, BSTR* label) = 0;
  // E_INVALIDARG for a value not listed.
  virtual HRESULT put_Label(BSTR value, BSTR label) = 0;
  virtual HRESULT get_DefaultSymbol(IUnknown** symbol) = 0;
  virtual HRESULT putref_DefaultSymbol(IUnknown* symbol) = 0;
  virtual HRESULT get_DefaultLabel(BSTR* label) = 0;
  virtual HRESULT put_DefaultLabel(BSTR label) = 0;
  virtual HRESULT get_UseDefaultSymbol(VARIANT_BOOL* use) = 0;
  virtual HRESULT put_UseDefaultSymbol(VARIANT_BOOL use) = 0;
  virtual HRESULT get_ColorScheme(BSTR* name) = 0;
  virtual HRESULT put_ColorScheme(BSTR name) = 0;
  virtual HRESULT get_LegendGroupHeading(BSTR* heading) = 0;
  virtual HRESULT put_LegendGroupHeading(BSTR heading) = 0;
};

struct IGeoFeatureLayer : IUnknown {
  VELK_INTERFACE_ID("{A30DF8B7-88DC-4765-BD55-AC96CDF70960}")
  virtual HRESULT get_Renderer(IFeatureRenderer** renderer) = 0;
  virtual HRESULT putref_Renderer(IFeatureRenderer* renderer) = 0;
};

struct IRasterLayer : IUnknown {
  VELK_INTERFACE_ID("{D02371C7-35F7-11D2-B1F2-00C04F8EDEFF}")
  // Opens the raster file (E_DATA_NOT_FOUND, E_DATA_UNREADABLE); the name becomes the file's.
  virtual HRESULT CreateFromFilePath(BSTR path) = 0;
  virtual HRESULT CreateFromRaster(IRaster* raster) = 0;
  virtual HRESULT get_Raster(IRaster** raster) = 0;
  virtual HRESULT get_FilePath(BSTR* path) = 0;
  // The layer's raster grid as a surface draped over it is sampled: columns and rows (0
  // without a raster).
  virtual HRESULT get_SurfaceColumns(LONG* columns) = 0;
  virtual HRESULT get_SurfaceRows(LONG* rows) = 0;
};

// A layer that is itself a surface (a TIN layer and the like).
struct ISurfaceLayer : IUnknown {
  VELK_INTERFACE_ID("{FE308F36-BDCA-11D1-A523-0000F8774F0F}")
  virtual HRESULT get_Surface(ISurface** surface) = 0;
};

struct IGroupLayer : IUnknown {
  VELK_INTERFACE_ID("{A6155F5B-43AB-4AA3-BCED-D3D3D8EC688A}")
  virtual HRESULT Add(ILayer* layer) = 0;
  virtual HRESULT Delete(ILayer* layer) = 0;
  virtual HRESULT Clear() = 0;
};

// A group layer's members placed by index (0: the top of the group).
struct IGroupLayerOrder : IUnknown {
  VELK_INTERFACE_ID("{DCB20602-8BB0-4BF2-808F-730BE657A818}")
  // Inserts the layer before the member at index; an index past the last member appends it.
  // E_INVALIDARG for a negative index, for the group itself and for a layer it already holds.
  virtual HRESULT InsertAt(ILayer* layer, LONG index) = 0;
};

// How every layer of a map is drawn over the ones below it.
struct ILayerEffects : IUnknown {
  VELK_INTERFACE_ID("{CD06BE46-75B3-4E5E-A9AE-9FB6DDFD383D}")
  // Transparency in percent: 0 opaque to 100 invisible; E_INVALIDARG outside.
  virtual HRESULT get_Transparency(SHORT* percent) = 0;
  virtual HRESULT put_Transparency(SHORT percent) = 0;
};

// Display options of a raster renderer.
constexpr LONG kRasterDisplayDefault = 0;
constexpr LONG kRasterDisplayGreyRelief = 5;  // the band's values as grey levels, no stretch

// Draws a raster layer from a raster. Update takes the raster's settings (band count,
// statistics) again after the raster or an option changed.
struct IRasterRenderer : IUnknown {
  VELK_INTERFACE_ID("{07C9E38A-6F8A-4D1C-9858-E41C5D086F83}")
  virtual HRESULT get_Raster(IRaster** raster) = 0;
  virtual HRESULT putref_Raster(IRaster* raster) = 0;
  virtual HRESULT Update() = 0;
  virtual HRESULT get_DisplayOption(LONG* option) = 0;
  virtual HRESULT put_DisplayOption(LONG option) = 0;
  // How many times Update ran.
  virtual HRESULT get_UpdateCount(LONG* count) = 0;
};

// The renderer a raster layer draws with (null until one is given).
struct IRasterLayerRenderer : IUnknown {
  VELK_INTERFACE_ID("{0EEDA199-1E8C-49DA-BDC9-47E76A2B4B51}")
  virtual HRESULT get_Renderer(IRasterRenderer** renderer) = 0;
  virtual HRESULT putref_Renderer(IRasterRenderer* renderer) = 0;
};

// A layer that holds graphics; it also answers IGraphicsContainer.
struct IGraphicsLayer : IUnknown {
  VELK_INTERFACE_ID("{19F2E51A-5078-4170-8A0F-BC668C229C00}")
  // Whether the layer draws its graphics (the headless host draws nothing).
  virtual HRESULT get_Active(VARIANT_BOOL* active) = 0;
};
