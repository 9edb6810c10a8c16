#include "framework/observer_fields.h"

#include "platform/host/data/field.h"

namespace velk::corvane {

const std::array<const wchar_t*, 11> ObserverFieldNames = {
    L"OFFSETA", L"OFFSETB", L"AZIMUTH1", L"AZIMUTH2", L"VERT1",   L"VERT2",
    L"RADIUS1", L"RADIUS2", L"REFCONST", L"SPOT",     L"GRIDCODE"};

namespace {

// Heights get 12 characters: eight would stop at 999.9999 m, below many summits and every
// aircraft.
constexpr ObserverFieldLayout kLayout[] = {
    {kFieldOffsetA, kFieldDouble, 12, 12, 4}, {kFieldOffsetB, kFieldDouble, 12, 12, 4},
    {kFieldVert1, kFieldSingle, 4, 8, 4},     {kFieldVert2, kFieldSingle, 4, 8, 4},
    {kFieldRadius1, kFieldDouble, 16, 14, 6}, {kFieldRadius2, kFieldDouble, 16, 14, 6},
    {kFieldRefConst, kFieldDouble, 8, 10, 4}, {kFieldAzimuth1, kFieldSingle, 4, 8, 4},
    {kFieldAzimuth2, kFieldSingle, 4, 8, 4},  {kFieldSpot, kFieldDouble, 12, 12, 4},
};

}  // namespace

std::span<const ObserverFieldLayout> ObserverFieldLayouts() { return kLayout; }

}  // namespace velk::corvane
