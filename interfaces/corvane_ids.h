// Class identifiers of Corvane and the component categories its classes implement.
#pragma once

#include "platform/com/base_types.h"

namespace velk::ids {

inline constexpr CLSID CLSID_RadialLOS = MakeGuid("{21FB082D-2E93-4E36-A932-B6154844C732}");
inline constexpr CLSID CLSID_LinearLOS = MakeGuid("{F8217158-66D8-46B0-96CE-C9AD928B5CFE}");
inline constexpr CLSID CLSID_Hillshade = MakeGuid("{AEDC0340-8BE9-4028-A91E-9A5DD49938C8}");
inline constexpr CLSID CLSID_ConversionMenu = MakeGuid("{A5E1596C-E9A6-4565-9D30-1001F873D360}");
inline constexpr CLSID CLSID_MainMenu = MakeGuid("{4BD3AD35-0F67-4F14-AD3C-8E3679402754}");
inline constexpr CLSID CLSID_CreateZelLayer = MakeGuid("{539E3608-6E0A-490D-8A0C-BF6CC9B98529}");
inline constexpr CLSID CLSID_VpfExport = MakeGuid("{D9373C79-365D-4B9A-AE45-BAC766E9992B}");
inline constexpr CLSID CLSID_ConvertCoords = MakeGuid("{18779F9E-44F4-4BC6-8791-B1C257B1C6B6}");
inline constexpr CLSID CLSID_LoadData = MakeGuid("{F1011609-72D0-44EE-AE64-12F3A27C7BBF}");
inline constexpr CLSID CLSID_Mosaic = MakeGuid("{4230BB91-5296-4575-815D-4A1DB1096CC5}");
inline constexpr CLSID CLSID_SelectedLayer = MakeGuid("{C778B13C-CE0D-4EB5-AAF0-A793599CB31D}");
inline constexpr CLSID CLSID_CoordTool = MakeGuid("{4A7872C6-BF43-4655-9C8E-3DD04416D3AE}");
inline constexpr CLSID CLSID_MainToolbar = MakeGuid("{EC589AD4-540D-4676-8A80-CD09331E8D07}");
inline constexpr CLSID CLSID_CoordToolDockable = MakeGuid("{57B3018F-019D-46C7-887D-1CE134DB787A}");
inline constexpr CLSID CLSID_AddLayer = MakeGuid("{FAD9BE82-B75E-41B2-96DB-A3D124F8E736}");
inline constexpr CLSID CLSID_DDDViewer = MakeGuid("{5627DD9A-7701-47EA-88A0-C5CC195EA05A}");
inline constexpr CLSID CLSID_TerrainToolControl =
    MakeGuid("{EEDB4A94-4014-4F85-930E-EF16EA6829F9}");
inline constexpr CLSID CLSID_TerrainTools = MakeGuid("{4A60DA54-6B34-439E-8D34-24C5CE8988DF}");
inline constexpr CLSID CLSID_VpfExportDatasets = MakeGuid("{021A7806-2C48-4C01-AAF8-B466F3F3F0F8}");
inline constexpr CLSID CLSID_AddZelLayersOperation =
    MakeGuid("{EE46B37E-9596-469A-9A3C-5AED9F62A247}");
inline constexpr CLSID CLSID_MainMenuDdd = MakeGuid("{678520B2-2F04-4E26-A955-BEEAE0017F7E}");
inline constexpr CLSID CLSID_MainToolbarDdd = MakeGuid("{3F4BF6BF-827D-4484-BE87-33B6DE891206}");
inline constexpr CLSID CLSID_ThreatDome = MakeGuid("{CEBE14E7-F1D1-480E-8B4E-78D26BF5F072}");
inline constexpr CLSID CLSID_FlyThrough = MakeGuid("{92AA5573-DE6B-4F03-8C9F-0FEAB189BF91}");
inline constexpr CLSID CLSID_Options2 = MakeGuid("{E5C5B83F-35E6-46F4-AD95-910E875B40C0}");

inline constexpr GUID LIBID_Corvane = MakeGuid("{07D46293-A7DF-4423-8349-6F5F87541811}");

inline constexpr CATID CATID_QmCommands = MakeGuid("{B56A7C42-83D4-11D2-A2E9-080009B6F22B}");
inline constexpr CATID CATID_QmCommandBars = MakeGuid("{B56A7C4A-83D4-11D2-A2E9-080009B6F22B}");
inline constexpr CATID CATID_QmDockableWindows = MakeGuid("{117623B5-F9D1-11D3-A67F-0008C7DF97B9}");
inline constexpr CATID CATID_GQmCommands = MakeGuid("{720E21D4-2199-11D6-B2B3-00508BCDDE28}");
inline constexpr CATID CATID_GQmCommandBars = MakeGuid("{720E21D3-2199-11D6-B2B3-00508BCDDE28}");
inline constexpr CATID CATID_GQmDockableWindows =
    MakeGuid("{720E21D8-2199-11D6-B2B3-00508BCDDE28}");
inline constexpr CATID CATID_QcDatabaseNewMenuCommands =
    MakeGuid("{25C0E706-CD06-11D2-9F40-00C04F6BC626}");
inline constexpr CATID CATID_RasterCatalogLoadMenuCommands =
    MakeGuid("{291D0CF0-8D47-452C-B6A9-5464C312B91D}");
inline constexpr CATID CATID_QcStandaloneFeatureClassContextMenuCommands =
    MakeGuid("{22211295-7778-11D3-A00D-00C04F6BC626}");
inline constexpr CATID CATID_QcEnterpriseFeatureClassContextMenuCommands =
    MakeGuid("{F4EDFE54-E856-4D72-AEC6-7BD59A3E7B52}");
inline constexpr CATID CATID_QcEnterpriseStandaloneFeatureClassContextMenuCommands =
    MakeGuid("{DABA683A-7888-40BE-8E70-49BC0D4F8C30}");

}  // namespace velk::ids
