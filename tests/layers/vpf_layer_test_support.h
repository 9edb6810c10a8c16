// What the tests of the two VPF layers share: a GeoPackage catalog of levels 0 and 1 of the same
// two libraries (side by side at 10..12 east, 50..51 north), loaded by the data manager as a VPF
// or a geodatabase VPF catalog; the tree a layer holds, as text; and a map picture of a layer at
// a given view.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/productline/data_manager.h"
#include "platform/com/stream.h"
#include "platform/host/data/feature_class.h"
#include "platform/host/display/layer.h"
#include "platform/host/display/map_picture.h"
#include "platform/host/data/workspace.h"
#include "tests/fixtures/tool_output.h"

namespace velk::test {

// Calls visit(path, member) for every member of the layer's tree, depth first, path being the
// names of the groups above it, each followed by "/".
void ForEachMember(IUnknown* layer,
                   const std::function<void(const std::string&, ILayer*)>& visit);

// One line per member of the layer's tree, indented by depth; a feature layer whose data is
// open says " [open]".
std::vector<std::string> TreeOf(IUnknown* layer);

// A layer saved without its catalog loads with S_FALSE and still reads its whole record: what
// follows it in the stream is read next. make() gives a new layer of the class.
void ExpectUnboundRecordReadWhole(const std::function<ComPtr<IPersistStream>()>& make);

// The view's width in degrees for a map scale at 1000 pixels of 96 an inch.
double ViewWidthAt(double scale);

class VpfCatalogTest : public ::testing::Test {
 protected:
  // kind: velkZelCatalogVPF or velkZelCatalogGDBVPF; name: the catalog's.
  void MakeCatalog(LONG kind, const std::wstring& name);
  void TearDown() override;

  // Draws a map holding the layer over west..east, 50.1..50.9 north, at 1000 pixels across.
  host::DrawCounters DrawMap(IUnknown* layer, double west, double east);

  ScratchDir dir_;
  std::vector<DWORD> hostCookies_, productCookies_;
  ComPtr<IWorkspace> db_;
  ComPtr<IFeatureClass> catalog_;
};

}  // namespace velk::test
