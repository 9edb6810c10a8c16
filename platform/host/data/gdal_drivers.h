// GDAL for the host: registration of the drivers and the one place where a driver is chosen,
// by the file extension GDAL itself lists for each driver.
#pragma once

#include <string>
#include <string_view>

class GDALDriver;

namespace velk::host {

enum class DataKind { kRaster, kVector };

// Registers GDAL's drivers once per process.
void EnsureGdalDrivers();

// The driver that lists the extension (with or without the dot, any letter case) for data of
// that kind, in GDAL's registration order; with forWriting, only drivers that can create such
// files. Null when none does.
GDALDriver* DriverForExtension(std::string_view extension, DataKind kind, bool forWriting = false);

// The extension of a file name in lower case, without the dot ("" when it has none).
std::string ExtensionOf(std::string_view fileName);

}  // namespace velk::host
