// Field names fixed for a target workspace, and the data classes created by class identifier.
#include <gtest/gtest.h>

#include "platform/com/text.h"
#include "platform/host/data/data_class_ids.h"
#include "platform/host/application/data_classes.h"
#include "platform/host/data/field_checker.h"
#include "platform/host/geometry/geometry.h"
#include "platform/host/data/property_set.h"
#include "platform/host/data/raster.h"
#include "platform/registry/activation.h"
#include "tests/fixtures/host_data_fixture.h"
#include "tests/fixtures/tool_output.h"

using namespace velk;
using namespace velk::host;
using namespace velk::test;

namespace {

struct Fixed {
  std::vector<std::wstring> names;
  std::vector<std::pair<LONG, LONG>> errors;  // field index, kind
};

Fixed Check(IWorkspace* target, const std::vector<std::wstring>& names) {
  ComPtr<IFieldChecker> checker;
  EXPECT_EQ(CreateFieldCheckerObject(nullptr, IidOf<IFieldChecker>(), checker.put_void()), S_OK);
  checker->putref_ValidateWorkspace(target);
  std::vector<FieldSpec> specs;
  for (const auto& n : names) specs.push_back(DoubleField(n));
  ComPtr<IEnumFieldError> errors;
  ComPtr<IFields> fixed;
  EXPECT_EQ(checker->Validate(FieldsOf(specs).get(), errors.put(), fixed.put()), S_OK);
  Fixed out;
  LONG n = 0;
  fixed->get_FieldCount(&n);
  for (LONG i = 0; i < n; ++i) {
    ComPtr<IField> f;
    fixed->get_Field(i, f.put());
    Bstr name;
    f->get_Name(&name);
    out.names.push_back(name.str());
  }
  if (errors) {
    ComPtr<IFieldError> e;
    while (errors->Next(e.put()) == S_OK) {
      LONG index = -1, kind = 0;
      e->get_FieldIndex(&index);
      e->get_FieldError(&kind);
      out.errors.emplace_back(index, kind);
    }
  }
  return out;
}

}  // namespace

TEST(HostDataFields, CheckerFixesNamesForTheTarget) {
  ScratchDir dir;
  auto folder = OpenWorkspace(ShapefileFactory().get(), dir.path());
  ComPtr<IWorkspace> db;
  ASSERT_EQ(DatabaseFactory()->Create(Bstr(FromUtf8(dir.path())), Bstr(L"x.gpkg"), nullptr, nullptr,
                                      db.put()),
            S_OK);
  using N = std::vector<std::wstring>;
  using E = std::vector<std::pair<LONG, LONG>>;

  auto ok = Check(folder.get(), {L"X_DD", L"MGRS"});
  EXPECT_EQ(ok.names, (N{L"X_DD", L"MGRS"}));
  EXPECT_TRUE(ok.errors.empty());

  auto dbf = Check(folder.get(), {L"LATITUDE_DMS", L"LATITUDE_DD", L"my field", L"2nd", L""});
  EXPECT_EQ(dbf.names, (N{L"LATITUDE_D", L"LATITUDE_1", L"my_field", L"F2nd", L"FIELD5"}));
  EXPECT_EQ(dbf.errors, (E{{0, kFieldErrorInvalidFieldNameLength},
                           {1, kFieldErrorInvalidFieldNameLength},
                           {2, kFieldErrorInvalidCharacter},
                           {3, kFieldErrorInvalidCharacter},
                           {4, kFieldErrorEmpty}}));

  auto gdb = Check(db.get(), {L"LATITUDE_DMS", L"select", L"Name", L"NAME"});
  EXPECT_EQ(gdb.names, (N{L"LATITUDE_DMS", L"select_", L"Name", L"NAME_1"}));
  EXPECT_EQ(gdb.errors, (E{{1, kFieldErrorSQLReservedWord}, {3, kFieldErrorDuplicated}}));

  // Every fixed name is one the target then accepts.
  ComPtr<IFeatureClass> fc;
  std::vector<FieldSpec> specs = {OidField(), ShapeField(kGeometryPoint, 4326)};
  for (const auto& n : dbf.names) specs.push_back(DoubleField(n, 18, 8));
  EXPECT_EQ(CreateClass(folder.get(), L"fixed", specs, fc.put()), S_OK);
}

TEST(HostDataFields, DataClassesAreCreatedByClassIdentifier) {
  auto cookies = RegisterHostDataClasses();
  ComPtr<IPoint> point;
  ASSERT_EQ(CoCreateInstance(CLSID_Point, nullptr, CLSCTX_ALL, IidOf<IPoint>(), point.put_void()),
            S_OK);
  ComPtr<IEnvelope> env;
  ASSERT_EQ(
      CoCreateInstance(CLSID_Envelope, nullptr, CLSCTX_ALL, IidOf<IEnvelope>(), env.put_void()),
      S_OK);
  ComPtr<IPolyline> line;
  EXPECT_EQ(
      CoCreateInstance(CLSID_Polyline, nullptr, CLSCTX_ALL, IidOf<IPolyline>(), line.put_void()),
      S_OK);
  ComPtr<IPolygon> polygon;
  EXPECT_EQ(
      CoCreateInstance(CLSID_Polygon, nullptr, CLSCTX_ALL, IidOf<IPolygon>(), polygon.put_void()),
      S_OK);
  ComPtr<IPropertySet> props;
  EXPECT_EQ(CoCreateInstance(CLSID_PropertySet, nullptr, CLSCTX_ALL, IidOf<IPropertySet>(),
                             props.put_void()),
            S_OK);
  ComPtr<IFieldsEdit> fields;
  EXPECT_EQ(
      CoCreateInstance(CLSID_Fields, nullptr, CLSCTX_ALL, IidOf<IFieldsEdit>(), fields.put_void()),
      S_OK);
  ComPtr<ISurface> surface;
  EXPECT_EQ(CoCreateInstance(CLSID_RasterSurface, nullptr, CLSCTX_ALL, IidOf<ISurface>(),
                             surface.put_void()),
            S_OK);
  ComPtr<IWorkspaceFactory> factory;
  EXPECT_EQ(CoCreateInstance(CLSID_DatabaseWorkspaceFactory, nullptr, CLSCTX_ALL,
                             IidOf<IWorkspaceFactory>(), factory.put_void()),
            S_OK);
  ComPtr<ISpatialReferenceFactory> srf;
  ASSERT_EQ(CoCreateInstance(CLSID_SpatialReferenceFactory, nullptr, CLSCTX_ALL,
                             IidOf<ISpatialReferenceFactory>(), srf.put_void()),
            S_OK);
  for (DWORD c : cookies) RevokeProcessClass(c);
  ComPtr<IPoint> gone;
  EXPECT_NE(CoCreateInstance(CLSID_Point, nullptr, CLSCTX_ALL, IidOf<IPoint>(), gone.put_void()),
            S_OK);
}
