// Result codes of the host's data objects (workspaces, tables, feature classes, rasters).
#pragma once

#include "platform/com/base_types.h"

namespace velk::host {

// The dataset or workspace does not exist.
constexpr HRESULT E_DATA_NOT_FOUND = MakeHr(0x80041201);
// A dataset of that name exists already.
constexpr HRESULT E_DATA_EXISTS = MakeHr(0x80041202);
// The file is there but cannot be read as data of that kind (corrupt or another format).
constexpr HRESULT E_DATA_UNREADABLE = MakeHr(0x80041203);
// The format refuses the name (dataset or field): length, characters, or a duplicate.
constexpr HRESULT E_DATA_INVALID_NAME = MakeHr(0x80041204);
// The format cannot hold a field of that type or width.
constexpr HRESULT E_DATA_INVALID_FIELD = MakeHr(0x80041205);
// Another object holds a schema lock that stands in the way.
constexpr HRESULT E_DATA_SCHEMA_LOCKED = MakeHr(0x80041206);
// The data cannot be written (read-only file or folder, full disk, driver refusal).
constexpr HRESULT E_DATA_WRITE_FAILED = MakeHr(0x80041207);
// A shape of another kind than the class holds.
constexpr HRESULT E_DATA_GEOMETRY_MISMATCH = MakeHr(0x80041208);
// The shape cannot be projected into the class's spatial reference.
constexpr HRESULT E_DATA_PROJECTION_FAILED = MakeHr(0x80041209);
// The where clause of a filter cannot be evaluated.
constexpr HRESULT E_DATA_INVALID_WHERE = MakeHr(0x8004120A);
// The row was deleted or the cursor has no current row.
constexpr HRESULT E_DATA_NO_ROW = MakeHr(0x8004120B);
// A value does not fit its field (text longer than the field, a number wider than it).
constexpr HRESULT E_DATA_VALUE_TOO_LONG = MakeHr(0x8004120C);
// The field cannot be written (the OID field, or a field of another table).
constexpr HRESULT E_DATA_FIELD_NOT_EDITABLE = MakeHr(0x8004120D);
// More features than the output format holds; nothing was written.
constexpr HRESULT E_DATA_TOO_MANY_FEATURES = MakeHr(0x8004120E);

}  // namespace velk::host
