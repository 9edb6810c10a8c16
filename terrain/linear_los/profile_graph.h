// The elevation profile of a sight line as a host graph: the profile line's vertices go into a
// temporary point shapefile with their distance along the line ("M") and height ("Z"), a graph
// (new, or the first of the document's graphs open in a window) takes them as a line series,
// and the shapefile is deleted once the graph holds the data.
#pragma once

#include <string>
#include <vector>

#include "framework/hook_struct.h"
#include "platform/host/documents/data_graph.h"
#include "platform/host/data/feature_class.h"
#include "platform/host/geometry/geometry.h"

namespace velk::corvane {

// String ids of the profile's texts.
constexpr UINT kIdsNoGeometryFound = 3931;       // "No geometry found."
constexpr UINT kIdsNotAPolyCurve = 3932;         // "Not a PolyCurve class (that supports ...)"
constexpr UINT kIdsProfileTitle = 3933;          // "LLOS Surface Profile"
constexpr UINT kIdsProfileVerticalAxis = 3934;   // "Elevation (Z) in meters"
constexpr UINT kIdsProfileHorizontalAxis = 3935; // "Measure (M)"

// The series' colour (0x00BBGGRR: blue).
constexpr LONG kProfileColor = 0xFF0000;

struct ProfileGraphOutcome {
  std::vector<UINT> messages;  // message boxes (caption "Error", exclamation) in order
  ComPtr<IDataGraph> graph;    // the graph drawn into; null when none
  bool newGraph = false;
};

// The host's graph template: "GraphTemplates/Default.tee" in the install folder that HKLM
// "SOFTWARE\Velk\Desktop10.0" InstallDir names; empty when the value cannot be read.
std::wstring GraphTemplatePath();

// Writes the profile shapefile fileName in folder, draws the graph named graphName from it and
// deletes the shapefile again (also when the graph cannot be drawn).
ProfileGraphOutcome WriteProfileFeatures(HookStruct& hook, IPolyline* profile,
                                         const std::wstring& folder,
                                         const std::wstring& fileName,
                                         const std::wstring& graphName);

// Adds the class's "M" / "Z" series to the first graph of the document shown in a window, or
// to a new graph in a new window.
ProfileGraphOutcome DrawProfileGraph(HookStruct& hook, IFeatureClass* profileClass,
                                     const std::wstring& graphName);

}  // namespace velk::corvane
