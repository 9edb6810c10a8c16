// The scratch folder inside a running host: the output workspace that the user chose in the
// settings comes first, then the host's scratch workspace, then the temporary folder.
#include <gtest/gtest.h>

#include <filesystem>

#include "framework/scratch_folder.h"
#include "platform/com/text.h"
#include "platform/host/data/data_class_ids.h"
#include "platform/host/data/workspace_objects.h"
#include "platform/productline/tarvos_environment.h"
#include "platform/registry/registry.h"
#include "tests/framework/host_session_fixture.h"

namespace velk::corvane {
namespace {

namespace fs = std::filesystem;

class ScratchFolderSessionTest : public ::testing::Test {
 protected:
  void TearDown() override { productline::SetWorkspaceOpener(nullptr); }

  ComPtr<IGeneralSettings> General() {
    ComPtr<IZelSettings> settings;
    EXPECT_EQ(host_.Zel()->get_Settings(settings.put()), S_OK);
    return QueryAs<IGeneralSettings>(settings.get());
  }
  void SetOutputWorkspace(const std::wstring& factory, const std::wstring& path) {
    ASSERT_EQ(General()->SetGeneralOutputWorkspace(Bstr(factory), Bstr(path)), S_OK);
  }
  // A folder of the throwaway host root.
  std::wstring MakeFolder(const std::string& name) {
    fs::path p = fs::path(reg::HostRoot()) / name;
    fs::create_directories(p);
    return FromUtf8(p.string());
  }

  test::HostSessionFixture host_;
};

TEST_F(ScratchFolderSessionTest, OutputWorkspaceOfTheSettingsComesFirst) {
  std::wstring out = MakeFolder("results");
  struct Case {
    std::wstring factory, path, expected;
  };
  const Case cases[] = {
      {L"", out, out + L"/"},                                            // a folder of shapefiles
      {host::kShapefileWorkspaceFactoryProgId, out + L"/", out + L"/"},  // one separator only
      {host::kRasterWorkspaceFactoryProgId, out, out + L"/"},            // a folder of rasters
  };
  for (const auto& c : cases) {
    SetOutputWorkspace(c.factory, c.path);
    EXPECT_EQ(GetScratchFolder().str(), c.expected) << c.factory << L" " << c.path;
    // every command asks the same rule and gets the same folder
    EXPECT_EQ(MakeUniqueWorkFolder(Bstr(L"ThreatDome"), L"glb", L"tdm").str().rfind(out, 0), 0u);
  }
}

TEST_F(ScratchFolderSessionTest, WithoutAnOutputWorkspaceTheHostScratchWorkspaceAnswers) {
  std::wstring hostScratch = FromUtf8(host::ScratchFolderPath()) + L"/";
  EXPECT_EQ(GetScratchFolder().str(), hostScratch);  // nothing chosen
  // A chosen folder that has since gone names nothing the tools could write into.
  SetOutputWorkspace(L"", MakeFolder("gone"));
  fs::remove(fs::path(reg::HostRoot()) / "gone");
  EXPECT_EQ(GetScratchFolder().str(), hostScratch);
  // So does a factory the host does not know.
  SetOutputWorkspace(L"velkHost.NoSuchFactory", MakeFolder("other"));
  EXPECT_EQ(GetScratchFolder().str(), hostScratch);
}

TEST(ScratchFolderSession, WithoutTheExtensionObjectTheHostScratchWorkspaceAnswers) {
  test::HostSessionFixture bare(host::HostKind::Map, /*loadZelExtension=*/false);
  EXPECT_EQ(GetScratchFolder().str(), FromUtf8(host::ScratchFolderPath()) + L"/");
}

TEST_F(ScratchFolderSessionTest, AWorkspaceThatIsNoWorkspaceEndsTheCallersOperation) {
  std::wstring out = MakeFolder("results");
  SetOutputWorkspace(L"", out);
  // The settings hand out an object that does not answer the host's workspace interface.
  productline::SetWorkspaceOpener(
      [](const std::wstring&, const std::wstring&, IUnknown** workspace) -> HRESULT {
        ComPtr<IUnknown> notAWorkspace;
        HRESULT hr =
            host::CreateWorkspaceNameObject(nullptr, IidOf<IUnknown>(), notAWorkspace.put_void());
        *workspace = notAWorkspace.Detach();
        return hr;
      });
  try {
    GetScratchFolder();
    FAIL() << "no error";
  } catch (const ComError& e) {
    EXPECT_EQ(e.Error(), E_POINTER);
  }
}

}  // namespace
}  // namespace velk::corvane
