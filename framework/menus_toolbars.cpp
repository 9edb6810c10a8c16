#include "framework/menus_toolbars.h"

namespace velk::corvane {
namespace {

constexpr BarItem kMainMenu[] = {
    {L"velkTarvosUI.Mosaic", false},
    {L"velkTarvosUI.RadialLOS", false},
    {L"velkTarvosUI.LinearLOS", false},
    {L"velkTarvosUI.Hillshade", false},
    // Geodesy commands of another component of the product line.
    {L"velkTarvosUI.GeodesyCalc", true},
    {L"velkTarvosUI.GeodesyRings", false},
    {L"velkTarvosUI.ConversionMenu", true},
    {L"velkTarvosUI.Options2", true},
};

constexpr BarItem kConversionMenu[] = {
    {L"velkTarvosUI.ConvertCoords", false},
    {L"velkTarvosUI.VpfExport", true},
};

constexpr BarItem kMainToolbar[] = {
    {L"velkTarvosUI.MainMenu", false},
    {L"velkTarvosUI.AddLayer", true},
    {L"velkTarvosUI.SelectedLayer", true},
    {L"velkTarvosUI.TerrainToolControl", false},
    {L"velkTarvosUI.GeodesyGraphic", true},
    {L"velkTarvosUI.CoordTool", true},
    // Selection commands of an add-on of the product line.
    {L"Quelmar.SelectionToolMatch", true},
    {L"Quelmar.SelectionToolRestore", false},
    {L"Quelmar.SelectionToolHide", false},
    {L"Quelmar.Weblink", true},
};

constexpr BarItem kMainMenuDdd[] = {
    {L"velkTarvosUI.Options2", true},
};

// The globe toolbar names the classes by the ProgIDs they register under.
constexpr BarItem kMainToolbarDdd[] = {
    {L"velkTarvosUI.MainMenuDdd", false}, {L"velkTarvosUI.AddLayer", true},
    {L"velkTarvosUI.ThreatDome", true},   {L"velkTarvosUI.FlyThrough", false},
    {L"velkTarvosUI.CoordTool", true},
};

}  // namespace

std::span<const BarItem> MainMenuItems() { return kMainMenu; }
std::span<const BarItem> ConversionMenuItems() { return kConversionMenu; }
std::span<const BarItem> MainToolbarItems() { return kMainToolbar; }
std::span<const BarItem> MainMenuDddItems() { return kMainMenuDdd; }
std::span<const BarItem> MainToolbarDddItems() { return kMainToolbarDdd; }

}  // namespace velk::corvane
