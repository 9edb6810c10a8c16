// The managed VPF layer over a real geodatabase VPF catalog: the data manager copies the
// features of two VPF products that share their coverage and feature class names into one
// GeoPackage, the layer groups them by product and draws them through its own walk.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "interfaces/lumeris_ids.h"
#include "interfaces/zel_layer_interfaces.h"
#include "layers/layer_stream.h"
#include "layers/zel_managed_vpf_layer.h"
#include "platform/com/stream.h"
#include "platform/com/text.h"
#include "platform/host/display/cairo_symbols.h"
#include "platform/host/data/data_errors.h"
#include "platform/host/data/dataset.h"
#include "platform/host/display/layer.h"
#include "platform/host/display/layer_drawing.h"
#include "platform/host/display/layer_kinds.h"
#include "platform/productline/geosym_renderer.h"
#include "tests/layers/vpf_layer_test_support.h"

namespace velk::test {
namespace {

// Every feature layer of the tree as "group/group/layer = feature class" (the dataset's name).
std::vector<std::string> ClassesOf(IUnknown* layer) {
  std::vector<std::string> out;
  ForEachMember(layer, [&](const std::string& path, ILayer* member) {
    auto features = QueryAs<IFeatureLayer>(member);
    if (!features) return;
    Bstr name, fcName;
    member->get_Name(&name);
    ComPtr<IFeatureClass> fc;
    features->get_FeatureClass(fc.put());
    if (auto ds = QueryAs<IDataset>(fc.get())) ds->get_Name(&fcName);
    out.push_back(path + ToUtf8(name.str()) + " = " + ToUtf8(fcName.str()));
  });
  return out;
}

// The feature layer at a path of indexes below the layer.
ComPtr<ILayer> MemberAt(IUnknown* layer, std::initializer_list<LONG> path) {
  ComPtr<ILayer> at = QueryAs<ILayer>(layer);
  for (LONG i : path) {
    ComPtr<ILayer> next;
    auto group = QueryAs<ICompositeLayer>(at.get());
    if (!group || FAILED(group->get_Layer(i, next.put()))) return nullptr;
    at = next;
  }
  return at;
}

class ManagedVpfLayerTest : public VpfCatalogTest {
 protected:
  void SetUp() override { MakeCatalog(velkZelCatalogGDBVPF, L"managed"); }

  ComPtr<IZelVectorLayer> NewLayer() {
    ComPtr<IZelVectorLayer> layer;
    EXPECT_EQ(lumeris::CreateZelManagedVpfLayerObject(nullptr, IidOf<IZelVectorLayer>(),
                                                      layer.put_void()),
              S_OK);
    return layer;
  }

  static void ShowAll(IUnknown* layer) {
    auto coverages = QueryAs<IZelVpfCoverages>(layer);
    LONG count = 0;
    coverages->get_CoverageCount(&count);
    for (LONG i = 0; i < count; ++i) coverages->put_ShowCoverage(i, VARIANT_TRUE);
  }

  // The layer bound to the catalog, every coverage shown and built, coverages displayed.
  ComPtr<IZelVectorLayer> BuiltLayer() {
    auto layer = NewLayer();
    EXPECT_EQ(layer->putref_FeatureClass(catalog_.get()), S_OK);
    ShowAll(layer.get());
    EXPECT_EQ(layer.As<IZelVpfCoverages>()->RefreshCoverages(), S_OK);
    layer->put_DisplayCoverages(VARIANT_TRUE);
    return layer;
  }
};

TEST_F(ManagedVpfLayerTest, NewLayerDefaults) {
  auto layer = NewLayer();
  VARIANT_BOOL v = 0;
  layer->get_DisplayCoverages(&v);
  EXPECT_EQ(v, VARIANT_FALSE);
  layer->get_UseGeoSym(&v);
  EXPECT_EQ(v, VARIANT_TRUE);
  layer->get_UseScaleDep(&v);
  EXPECT_EQ(v, VARIANT_FALSE);
  layer.As<ILayer>()->get_Visible(&v);
  EXPECT_EQ(v, VARIANT_TRUE);
  Bstr name;
  layer.As<ILayer>()->get_Name(&name);
  EXPECT_EQ(name.str(), L"New Zel Vector Layer");
  EXPECT_TRUE(layer.As<IZelManagedVpfLayer>());
}

// Binding finds each product's feature dataset by its prefix: one product group per product
// with its scale range, one coverage entry per coverage and class of the family, all hidden;
// only the footprints are in the tree until a refresh.
TEST_F(ManagedVpfLayerTest, BindingClassifiesTheLibraries) {
  auto layer = NewLayer();
  ASSERT_EQ(layer->putref_FeatureClass(catalog_.get()), S_OK);
  Bstr name;
  layer.As<ILayer>()->get_Name(&name);
  EXPECT_EQ(name.str(), L"managed");
  auto coverages = layer.As<IZelVpfCoverages>();
  std::vector<std::wstring> listed;
  LONG count = 0;
  coverages->get_CoverageCount(&count);
  for (LONG i = 0; i < count; ++i) {
    Bstr text;
    ASSERT_EQ(coverages->get_Coverage(i, &text), S_OK);
    listed.push_back(text.str());
    VARIANT_BOOL shown = -1;
    coverages->get_ShowCoverage(i, &shown);
    EXPECT_EQ(shown, VARIANT_FALSE);
  }
  EXPECT_EQ(listed, (std::vector<std::wstring>{L"VMAP$pop$builta", L"VMAP$pop$builtp",
                                               L"VMAP$trans$roadl"}));
  Bstr text;
  EXPECT_EQ(coverages->get_Coverage(count, &text), E_INVALIDARG);
  EXPECT_EQ(coverages->put_ShowCoverage(-1, VARIANT_TRUE), E_INVALIDARG);
  EXPECT_EQ(TreeOf(layer.get()), std::vector<std::string>{"Footprint [open]"});
  // The footprints are outlined per product, in colours of their own, labelled by title.
  ComPtr<IFeatureRenderer> renderer;
  QueryAs<IGeoFeatureLayer>(MemberAt(layer.get(), {0}).get())->get_Renderer(renderer.put());
  auto products = QueryAs<IUniqueValueRenderer>(renderer.get());
  ASSERT_TRUE(products);
  LONG values = 0;
  products->get_ValueCount(&values);
  ASSERT_EQ(values, 2);
  Bstr label;
  products->get_Label(Bstr(L"VMAP$VMAP Level 1"), &label);
  EXPECT_EQ(label.str(), L"VMAP Level 1");
  ComPtr<IUnknown> first, second;
  products->get_Symbol(Bstr(L"VMAP$VMAP Level 0"), first.put());
  products->get_Symbol(Bstr(L"VMAP$VMAP Level 1"), second.put());
  ASSERT_TRUE(first && second);
  EXPECT_NE(host::FillLookOf(first.get()).outline.rgb, host::FillLookOf(second.get()).outline.rgb);
}

// Two products whose coverages and classes share their names each show their own data: a
// layer per product over the product's own feature class, with the product's GeoSym number.
TEST_F(ManagedVpfLayerTest, ProductsSharingCoverageNamesShowTheirOwnData) {
  auto layer = BuiltLayer();
  const std::vector<std::string> expected = {
      "Footprint = managed",
      "VMAP Level 0/pop/builta [VMAP Level 0] = vmaplv0_pop_builta",
      "VMAP Level 0/pop/builtp [VMAP Level 0] = vmaplv0_pop_builtp",
      "VMAP Level 0/trans/roadl [VMAP Level 0] = vmaplv0_trans_roadl",
      "VMAP Level 1/pop/builta [VMAP Level 1] = vmaplv1_pop_builta",
      "VMAP Level 1/pop/builtp [VMAP Level 1] = vmaplv1_pop_builtp",
      "VMAP Level 1/trans/roadl [VMAP Level 1] = vmaplv1_trans_roadl"};
  EXPECT_EQ(ClassesOf(layer.get()), expected);
  for (LONG group : {1, 2}) {
    auto points = MemberAt(layer.get(), {group, 0, 1});
    ComPtr<IFeatureRenderer> renderer;
    QueryAs<IGeoFeatureLayer>(points.get())->get_Renderer(renderer.put());
    auto geoSym = QueryAs<IGSGeoSymRenderer>(renderer.get());
    ASSERT_TRUE(geoSym);
    LONG product = 0;
    geoSym->get_ProductID(&product);
    EXPECT_EQ(product, group);  // level 0 is product 1, level 1 product 2
  }
  // A refresh keeps the layers it made (only a change of UseGeoSym makes them anew).
  auto before = MemberAt(layer.get(), {1, 0, 0});
  ASSERT_EQ(layer.As<IZelVpfCoverages>()->RefreshCoverages(), S_OK);
  EXPECT_TRUE(IsSameObject(before.get(), MemberAt(layer.get(), {1, 0, 0}).get()));
  layer->put_UseGeoSym(VARIANT_FALSE);
  ASSERT_EQ(layer.As<IZelVpfCoverages>()->RefreshCoverages(), S_OK);
  auto after = MemberAt(layer.get(), {1, 0, 0});
  EXPECT_FALSE(IsSameObject(before.get(), after.get()));
  ComPtr<IFeatureRenderer> renderer;
  QueryAs<IGeoFeatureLayer>(after.get())->get_Renderer(renderer.put());
  EXPECT_FALSE(QueryAs<IGSGeoSymRenderer>(renderer.get()));
}

// The draw walk leaves out product groups out of their range: at 1:399,000 level 1 draws and
// level 0 (from 1:400,001 out) does not; at 1:401,000 the other way round. With scale
// dependency off every product draws and the ranges are cleared.
TEST_F(ManagedVpfLayerTest, DrawWalkSkipsGroupsOutOfRange) {
  auto layer = BuiltLayer();
  layer->put_UseScaleDep(VARIANT_TRUE);
  layer.As<IWireframeDisplayProps>()->put_DisplayWireframe(velkWireframeDisplayNone);
  // Each product has 4 towns, 2 areas and 2 roads over the two libraries.
  const double west = 10.0;
  const host::DrawCounters at399k = DrawMap(layer.get(), west, west + ViewWidthAt(399000));
  const host::DrawCounters at401k = DrawMap(layer.get(), west, west + ViewWidthAt(401000));
  auto range = [&](LONG group) {
    double out = -1, in = -1;
    auto scale = QueryAs<ILayerScaleRange>(MemberAt(layer.get(), {group}).get());
    scale->get_MinimumScale(&out);
    scale->get_MaximumScale(&in);
    return std::make_pair(out, in);
  };
  EXPECT_EQ(range(1), std::make_pair(10000000.0, 400001.0));
  EXPECT_EQ(range(2), std::make_pair(400000.0, 75001.0));
  layer->put_UseScaleDep(VARIANT_FALSE);
  const host::DrawCounters all = DrawMap(layer.get(), west, west + ViewWidthAt(399000));
  EXPECT_EQ(range(1), std::make_pair(0.0, 0.0));
  EXPECT_GT(at399k.featuresDrawn, 0);
  EXPECT_EQ(at399k.featuresDrawn, at401k.featuresDrawn);  // the products hold the same data
  EXPECT_EQ(all.featuresDrawn, at399k.featuresDrawn * 2);
  // Which product drew: level 1 alone at 1:399,000.
  layer->put_UseScaleDep(VARIANT_TRUE);
  QueryAs<ILayer>(MemberAt(layer.get(), {2}).get())->put_Visible(VARIANT_FALSE);
  EXPECT_EQ(DrawMap(layer.get(), west, west + ViewWidthAt(399000)).featuresDrawn, 0);
  EXPECT_EQ(DrawMap(layer.get(), west, west + ViewWidthAt(401000)).featuresDrawn,
            at401k.featuresDrawn);
  // A hidden layer draws nothing at all.
  layer.As<ILayer>()->put_Visible(VARIANT_FALSE);
  layer.As<IWireframeDisplayProps>()->put_DisplayWireframe(velkWireframeDisplayAll);
  EXPECT_EQ(DrawMap(layer.get(), west, west + ViewWidthAt(401000)).featuresDrawn, 0);
}

// Version 9000 round-trips: switches, name, datasets in use, shown coverages and the tree. A
// later version is refused; a record without its catalog is read to its end.
TEST_F(ManagedVpfLayerTest, SaveAndLoadRebuildTheTree) {
  auto layer = NewLayer();
  ASSERT_EQ(layer->putref_FeatureClass(catalog_.get()), S_OK);
  layer->put_UseScaleDep(VARIANT_TRUE);
  layer->put_UseGeoSym(VARIANT_FALSE);
  layer.As<IZelDatasets>()->put_UseDataset(0, VARIANT_FALSE);
  layer.As<IZelVpfCoverages>()->put_ShowCoverage(2, VARIANT_TRUE);
  ASSERT_EQ(layer.As<IZelVpfCoverages>()->RefreshCoverages(), S_OK);
  const std::vector<std::string> expected = {
      "Footprint = managed", "VMAP Level 1/trans/roadl [VMAP Level 1] = vmaplv1_trans_roadl"};
  ASSERT_EQ(ClassesOf(layer.get()), expected);
  ComPtr<IStream> stream;
  ASSERT_EQ(CreateMemoryStream(stream.put()), S_OK);
  ASSERT_EQ(layer.As<IPersistStream>()->Save(stream.get(), TRUE), S_OK);
  LARGE_INTEGER zero{};
  stream->Seek(zero, STREAM_SEEK_SET, nullptr);
  LONG version = 0;
  ASSERT_EQ(lumeris::ReadStreamLong(stream.get(), &version), S_OK);
  EXPECT_EQ(version, 9000);
  stream->Seek(zero, STREAM_SEEK_SET, nullptr);
  auto loaded = NewLayer();
  ASSERT_EQ(loaded.As<IPersistStream>()->Load(stream.get()), S_OK);
  EXPECT_EQ(ClassesOf(loaded.get()), expected);
  EXPECT_EQ(TreeOf(loaded.get()), TreeOf(layer.get()));
  VARIANT_BOOL v = 0;
  loaded->get_UseScaleDep(&v);
  EXPECT_EQ(v, VARIANT_TRUE);
  loaded->get_UseGeoSym(&v);
  EXPECT_EQ(v, VARIANT_FALSE);
  CLSID clsid{};
  loaded.As<IPersistStream>()->GetClassID(&clsid);
  EXPECT_EQ(clsid, ids::CLSID_ZelManagedVpfLayer);

  // A stream of the vector layer's version is newer than this class reads.
  ComPtr<IStream> newer;
  ASSERT_EQ(CreateMemoryStream(newer.put()), S_OK);
  ASSERT_EQ(lumeris::WriteStreamLong(newer.get(), 9201), S_OK);
  newer->Seek(zero, STREAM_SEEK_SET, nullptr);
  EXPECT_EQ(NewLayer().As<IPersistStream>()->Load(newer.get()), E_FAIL);

  ExpectUnboundRecordReadWhole([&] { return NewLayer().As<IPersistStream>(); });
}

// Bound to one product's feature dataset, the layer's one dataset key is the product's key, so
// its group, scale range and coverage layers are those of a catalog binding.
TEST_F(ManagedVpfLayerTest, FeatureDatasetBindsOneProduct) {
  ComPtr<IFeatureDataset> dataset;
  EXPECT_EQ(db_.As<IFeatureWorkspace>()->OpenFeatureDataset(Bstr(L"nothere"), dataset.put()),
            host::E_DATA_NOT_FOUND);
  ASSERT_EQ(db_.As<IFeatureWorkspace>()->OpenFeatureDataset(Bstr(L"vmaplv1"), dataset.put()),
            S_OK);
  auto layer = NewLayer();
  ASSERT_EQ(layer.As<IZelManagedVpfLayer>()->putref_FeatureDataset(dataset.get()), S_OK);
  Bstr name;
  layer.As<ILayer>()->get_Name(&name);
  EXPECT_EQ(name.str(), L"vmaplv1");
  auto datasets = layer.As<IZelDatasets>();
  LONG count = 0;
  datasets->get_DatasetCount(&count);
  ASSERT_EQ(count, 1);
  Bstr key;
  datasets->get_Dataset(0, &key);
  EXPECT_EQ(key.str(), L"VMAP$VMAP Level 1");
  ShowAll(layer.get());
  ASSERT_EQ(layer.As<IZelVpfCoverages>()->RefreshCoverages(), S_OK);
  ASSERT_EQ(ClassesOf(layer.get()).size(), 4u);  // no footprints: no catalog
  EXPECT_EQ(ClassesOf(layer.get())[0], "Footprint = ");
  EXPECT_EQ(ClassesOf(layer.get())[2], "VMAP Level 1/pop/builtp [VMAP Level 1] = vmaplv1_pop_builtp");
  layer->put_UseScaleDep(VARIANT_TRUE);
  layer->put_DisplayCoverages(VARIANT_TRUE);
  EXPECT_GT(DrawMap(layer.get(), 10.0, 10.0 + ViewWidthAt(399000)).featuresDrawn, 0);
  EXPECT_EQ(DrawMap(layer.get(), 10.0, 10.0 + ViewWidthAt(401000)).featuresDrawn, 0);
}

}  // namespace
}  // namespace velk::test
