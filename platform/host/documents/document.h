// The host's documents: every application has one current document; the 2-D map host's
// document answers the map-document interface, the 3-D globe host's the globe-document
// interface, the catalog's neither.
#pragma once

#include "platform/com/bstr.h"
#include "platform/com/unknown.h"

struct IApplication;
struct ICommandBars;
struct IMap;
struct IActiveView;
struct IPageLayout;
struct IOperationStack;
struct IGlobe;
struct IGlobeViewer;
struct IPoint;

struct IDocument : IUnknown {
  VELK_INTERFACE_ID("{92235980-C814-437A-BD20-8FCAAD355082}")
  virtual HRESULT get_Title(BSTR* title) = 0;
  // The application the document belongs to (null once the application has shut down).
  virtual HRESULT get_Parent(IApplication** application) = 0;
  // The command bars of the document: the commands the host created, found by UID.
  virtual HRESULT get_CommandBars(ICommandBars** bars) = 0;
};

// View kinds of a map document: the focus map (data view) or the page layout.
constexpr LONG kDataView = 0;
constexpr LONG kLayoutView = 1;

struct IMapDocument : IUnknown {
  VELK_INTERFACE_ID("{2A2C42C8-2652-4E03-B629-7091A17D3616}")
  virtual HRESULT get_FocusMap(IMap** map) = 0;
  // Makes the map the focus map (a map the document did not hold is added to its maps).
  virtual HRESULT put_FocusMap(IMap* map) = 0;
  virtual HRESULT get_MapCount(LONG* count) = 0;
  virtual HRESULT get_Map(LONG index, IMap** map) = 0;
  // The focus map in data view, the page layout in layout view.
  virtual HRESULT get_ActiveView(IActiveView** view) = 0;
  virtual HRESULT get_PageLayout(IPageLayout** layout) = 0;
  virtual HRESULT get_OperationStack(IOperationStack** stack) = 0;
  // kDataView or kLayoutView; E_INVALIDARG for anything else.
  virtual HRESULT get_ActiveViewKind(LONG* kind) = 0;
  virtual HRESULT put_ActiveViewKind(LONG kind) = 0;
  // The point under the mouse in the map view, in the focus map's coordinates (empty while the
  // mouse has not been over the map): the document's own point, which its holders may adjust
  // in place (round it, say). The host puts a new point there as the mouse moves, and so may
  // tools (a copy of the given point is kept; null empties it).
  virtual HRESULT get_CurrentLocation(IPoint** location) = 0;
  virtual HRESULT put_CurrentLocation(IPoint* location) = 0;
  // How far from the mouse, in map units, a feature still counts as under it: a few pixels of
  // the active view's display.
  virtual HRESULT get_SearchTolerance(double* tolerance) = 0;
};

struct IGlobeDocument : IUnknown {
  VELK_INTERFACE_ID("{5415CB8B-431A-47FD-A770-BE6AE9F5FB6B}")
  virtual HRESULT get_Globe(IGlobe** globe) = 0;
  virtual HRESULT get_Viewer(IGlobeViewer** viewer) = 0;
};
