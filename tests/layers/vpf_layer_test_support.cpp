#include "tests/layers/vpf_layer_test_support.h"

#include <algorithm>

#include "layers/layer_stream.h"
#include "platform/com/text.h"
#include "platform/host/application/data_classes.h"
#include "platform/host/display/layer.h"
#include "platform/host/display/layer_kinds.h"
#include "platform/host/display/map.h"
#include "platform/host/geometry/spatial_reference.h"
#include "platform/host/data/data_class_ids.h"
#include "platform/host/data/workspace_objects.h"
#include "platform/productline/product_line_classes.h"
#include "platform/registry/activation.h"
#include "tests/fixtures/vpf_fixture.h"

namespace velk::test {
namespace {

void Walk(ICompositeLayer* group, const std::string& path,
          const std::function<void(const std::string&, ILayer*)>& visit) {
  LONG count = 0;
  group->get_Count(&count);
  for (LONG i = 0; i < count; ++i) {
    ComPtr<ILayer> member;
    ASSERT_EQ(group->get_Layer(i, member.put()), S_OK);
    visit(path, member.get());
    if (auto sub = QueryAs<ICompositeLayer>(member.get())) {
      Bstr name;
      member->get_Name(&name);
      Walk(sub.get(), path + ToUtf8(name.str()) + "/", visit);
    }
  }
}

}  // namespace

void ForEachMember(IUnknown* layer,
                   const std::function<void(const std::string&, ILayer*)>& visit) {
  auto composite = QueryAs<ICompositeLayer>(layer);
  EXPECT_TRUE(composite);
  if (composite) Walk(composite.get(), "", visit);
}

std::vector<std::string> TreeOf(IUnknown* layer) {
  std::vector<std::string> out;
  ForEachMember(layer, [&](const std::string& path, ILayer* member) {
    Bstr name;
    member->get_Name(&name);
    const auto depth = std::count(path.begin(), path.end(), '/');
    std::string line = std::string(2 * static_cast<std::size_t>(depth), ' ') + ToUtf8(name.str());
    if (auto features = QueryAs<IFeatureLayer>(member)) {
      ComPtr<IFeatureClass> fc;
      features->get_FeatureClass(fc.put());
      line += fc ? " [open]" : "";
    }
    out.push_back(line);
  });
  return out;
}

void ExpectUnboundRecordReadWhole(const std::function<ComPtr<IPersistStream>()>& make) {
  ComPtr<IStream> stream;
  ASSERT_EQ(CreateMemoryStream(stream.put()), S_OK);
  ASSERT_EQ(make()->Save(stream.get(), TRUE), S_OK);
  ASSERT_EQ(lumeris::WriteStreamLong(stream.get(), 0x5EA1), S_OK);
  LARGE_INTEGER zero{};
  stream->Seek(zero, STREAM_SEEK_SET, nullptr);
  EXPECT_EQ(make()->Load(stream.get()), S_FALSE);
  LONG marker = 0;
  EXPECT_EQ(lumeris::ReadStreamLong(stream.get(), &marker), S_OK);
  EXPECT_EQ(marker, 0x5EA1);
}

double ViewWidthAt(double scale) {
  return scale * (1000 * 0.0254 / 96.0) / (6378137.0 * 3.14159265358979323846 / 180.0);
}

void VpfCatalogTest::MakeCatalog(LONG kind, const std::wstring& name) {
  hostCookies_ = host::RegisterHostDataClasses();
  productCookies_ = productline::RegisterProductLineClasses();
  ASSERT_TRUE(MakeVpfDatabase(dir_ / "vpf", SmallVpfDatabase("vmaplv0")));
  ASSERT_TRUE(MakeVpfDatabase(dir_ / "vpf", SmallVpfDatabase("vmaplv1")));
  auto factory = host::WorkspaceFactoryFromProgId(host::kDatabaseWorkspaceFactoryProgId);
  ASSERT_TRUE(factory);
  ASSERT_EQ(factory->Create(Bstr(FromUtf8(dir_.path())), Bstr(L"zel.gpkg"), nullptr, nullptr,
                            db_.put()),
            S_OK);
  ComPtr<IDataManager> manager;
  ASSERT_EQ(
      productline::CreateDataManagerObject(nullptr, IidOf<IDataManager>(), manager.put_void()),
      S_OK);
  const auto catalogKind = static_cast<velkZelCatalogTypeEnum>(kind);
  ASSERT_EQ(manager->CreateCatalog(db_.get(), catalogKind, nullptr, Bstr(name), 0, 0, nullptr),
            S_OK);
  ComPtr<ITable> table;
  ASSERT_EQ(db_.As<IFeatureWorkspace>()->OpenTable(Bstr(name), table.put()), S_OK);
  ASSERT_EQ(manager->LoadCatalog(table.get(), Bstr(FromUtf8(dir_ / "vpf")), catalogKind, nullptr),
            S_OK);
  ASSERT_EQ(db_.As<IFeatureWorkspace>()->OpenFeatureClass(Bstr(name), catalog_.put()), S_OK);
}

void VpfCatalogTest::TearDown() {
  catalog_.Reset();
  db_.Reset();
  productline::RevokeProductLineClasses(productCookies_);
  for (DWORD c : hostCookies_) RevokeProcessClass(c);
}

host::DrawCounters VpfCatalogTest::DrawMap(IUnknown* layer, double west, double east) {
  ComPtr<IMap> map;
  EXPECT_EQ(host::CreateMap(nullptr, IidOf<IMap>(), map.put_void()), S_OK);
  map->AddLayer(QueryAs<ILayer>(layer).get());
  host::PictureView view;
  view.xmin = west;
  view.xmax = east;
  view.ymin = 50.1;
  view.ymax = 50.9;
  view.width = 1000;
  view.height = 800;
  host::DrawCounters counters;
  EXPECT_EQ(host::SaveMapPicture(map.get(), view, dir_ / "map.png", &counters), S_OK);
  return counters;
}

}  // namespace velk::test
