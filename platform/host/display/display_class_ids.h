// Class identifiers of the host's map-side objects: layers, graphics elements, symbols,
// colours, renderers and display feedback.
#pragma once

#include "platform/com/base_types.h"

namespace velk::host {

inline constexpr CLSID CLSID_FeatureLayer = MakeGuid("{E663A651-8AAD-11D0-BEC7-00805F7C4268}");
inline constexpr CLSID CLSID_RasterLayer = MakeGuid("{6819CC3C-961D-4485-84AB-64C2D39A4B48}");
inline constexpr CLSID CLSID_GroupLayer = MakeGuid("{4B033A0C-D692-436C-9481-490675AB0F9D}");
inline constexpr CLSID CLSID_RasterRenderer = MakeGuid("{4F00BD63-F1C4-43C8-96D1-1EC73283D93F}");
inline constexpr CLSID CLSID_GraphicsLayer = MakeGuid("{261BA3CE-D7A1-430A-8781-3D303D659E5D}");
inline constexpr CLSID CLSID_SimpleRenderer = MakeGuid("{08730897-8E2B-4524-ACBF-FB88F8222F3B}");
inline constexpr CLSID CLSID_UniqueValueRenderer =
    MakeGuid("{5F4C8B2E-91A3-4D6B-B07E-3C8A2D6F1E95}");
inline constexpr CLSID CLSID_3DProperties = MakeGuid("{6D39D59B-EF32-48AF-ACB8-CFFE367669D5}");

inline constexpr CLSID CLSID_LineElement = MakeGuid("{8AB7FBE1-D871-11D0-8389-080009B996CC}");
inline constexpr CLSID CLSID_MarkerElement = MakeGuid("{530FD712-EF0C-11D0-83A0-080009B996CC}");
inline constexpr CLSID CLSID_PolygonElement = MakeGuid("{BF97BD63-38AC-457A-A040-E8AE3F3D1C2A}");
inline constexpr CLSID CLSID_SimpleLineSymbol = MakeGuid("{7914E5F9-C892-11D0-8BB6-080009EE4E41}");
inline constexpr CLSID CLSID_SimpleMarkerSymbol =
    MakeGuid("{7914E5FE-C892-11D0-8BB6-080009EE4E41}");
inline constexpr CLSID CLSID_SimpleFillSymbol = MakeGuid("{89BBEC83-38F8-495D-B48F-FD568F3FEB1E}");
inline constexpr CLSID CLSID_TextSymbol = MakeGuid("{571B6ABA-2997-4E71-ACEB-1D301F31FC9A}");
inline constexpr CLSID CLSID_RgbColor = MakeGuid("{7EE9C496-D123-11D0-8383-080009B996CC}");

inline constexpr CLSID CLSID_NewEnvelopeFeedback =
    MakeGuid("{47E0B0A1-3F61-442B-8043-3F9EE971B58A}");
inline constexpr CLSID CLSID_DisplayTransformation =
    MakeGuid("{1B65BCE4-DA9D-4F12-9F89-D724C5A7FFB5}");

}  // namespace velk::host
