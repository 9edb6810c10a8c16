#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/com/object.h"
#include "platform/com/stream.h"
#include "platform/com/text.h"
#include "tests/fixtures/memory_stream.h"

namespace fs = std::filesystem;
using velk::ComPtr;
using velk::test::Contents;
using velk::test::MemoryStream;
using velk::test::Position;

namespace {

LARGE_INTEGER Li(LONGLONG v) { return LARGE_INTEGER{v}; }
ULARGE_INTEGER Uli(ULONGLONG v) { return ULARGE_INTEGER{v}; }

HRESULT WriteText(IStream* s, std::string_view text, ULONG* written = nullptr) {
  return s->Write(text.data(), static_cast<ULONG>(text.size()), written);
}

TEST(MemoryStream, SeekTable) {
  struct Case {
    const char* name;
    DWORD origin;
    LONGLONG move;
    HRESULT hr;
    ULONGLONG pos;  // after the call (unchanged on failure)
  };
  const Case cases[] = {
      {"set to start", STREAM_SEEK_SET, 0, S_OK, 0},
      {"set beyond the end", STREAM_SEEK_SET, 15, S_OK, 15},
      {"back to start from current", STREAM_SEEK_CUR, -4, S_OK, 0},
      {"before start from current", STREAM_SEEK_CUR, -5, STG_E_INVALIDFUNCTION, 4},
      {"forward from current", STREAM_SEEK_CUR, 3, S_OK, 7},
      {"start from end", STREAM_SEEK_END, -10, S_OK, 0},
      {"before start from end", STREAM_SEEK_END, -11, STG_E_INVALIDFUNCTION, 4},
      {"past the end", STREAM_SEEK_END, 3, S_OK, 13},
      {"most negative move", STREAM_SEEK_END, std::numeric_limits<LONGLONG>::min(),
       STG_E_INVALIDFUNCTION, 4},
      {"bad origin", 7, 0, STG_E_INVALIDFUNCTION, 4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ComPtr<IStream> s = MemoryStream("0123456789");
    ASSERT_EQ(s->Seek(Li(4), STREAM_SEEK_SET, nullptr), S_OK);
    ULARGE_INTEGER pos{12345};
    EXPECT_EQ(s->Seek(Li(c.move), c.origin, &pos), c.hr);
    if (c.hr == S_OK) {
      EXPECT_EQ(pos.QuadPart, c.pos);
    }
    EXPECT_EQ(Position(s.get()), c.pos);
  }
}

TEST(MemoryStream, ReadWriteAndSize) {
  ComPtr<IStream> s = MemoryStream();
  ULONG n = 0;
  ASSERT_EQ(WriteText(s.get(), "hello", &n), S_OK);
  EXPECT_EQ(n, 5u);
  // Writing past the end fills the gap with zeros.
  ASSERT_EQ(s->Seek(Li(8), STREAM_SEEK_SET, nullptr), S_OK);
  ASSERT_EQ(WriteText(s.get(), "!"), S_OK);
  EXPECT_EQ(Contents(s.get()), std::string("hello\0\0\0!", 9));
  EXPECT_EQ(Position(s.get()), 9u) << "reading the contents keeps the position";

  // A read at the end gives fewer bytes, and S_OK.
  char buf[8] = {};
  ASSERT_EQ(s->Seek(Li(-2), STREAM_SEEK_END, nullptr), S_OK);
  ASSERT_EQ(s->Read(buf, sizeof buf, &n), S_OK);
  EXPECT_EQ(n, 2u);
  ASSERT_EQ(s->Read(buf, sizeof buf, &n), S_OK);
  EXPECT_EQ(n, 0u);
  EXPECT_EQ(s->Read(nullptr, 4, &n), STG_E_INVALIDPOINTER);
  EXPECT_EQ(s->Write(nullptr, 4, &n), STG_E_INVALIDPOINTER);
  EXPECT_EQ(s->Write(buf, 0, nullptr), S_OK);

  ASSERT_EQ(s->SetSize(Uli(3)), S_OK);
  EXPECT_EQ(Contents(s.get()), "hel");
  ASSERT_EQ(s->SetSize(Uli(5)), S_OK);
  EXPECT_EQ(Contents(s.get()), std::string("hel\0\0", 5));
  STATSTG st;
  ASSERT_EQ(s->Stat(&st, STATFLAG_NONAME), S_OK);
  EXPECT_EQ(st.cbSize.QuadPart, 5u);
  EXPECT_EQ(st.type, STGTY_STREAM);
  EXPECT_EQ(st.pwcsName, nullptr);

  // The size limit gives a failure rather than an attempt to allocate it.
  ASSERT_EQ(
      s->Seek(Li(static_cast<LONGLONG>(velk::kMaxMemoryStreamSize)), STREAM_SEEK_SET, nullptr),
      S_OK);
  EXPECT_EQ(WriteText(s.get(), "x", &n), STG_E_MEDIUMFULL);
  EXPECT_EQ(n, 0u);
  EXPECT_EQ(s->SetSize(Uli(velk::kMaxMemoryStreamSize + 1)), STG_E_MEDIUMFULL);
  EXPECT_EQ(Contents(s.get()).size(), 5u);
}

TEST(MemoryStream, InterfacesCloneAndCopy) {
  ComPtr<IStream> s = MemoryStream("abcdef");
  ComPtr<ISequentialStream> seq = s.Query<ISequentialStream>();
  EXPECT_TRUE(velk::IsSameObject(seq.get(), s.get()));
  ComPtr<IStream> back = seq.Query<IStream>();
  EXPECT_EQ(back.get(), s.get());
  EXPECT_FALSE(s.As<IPersistStream>());

  // A clone shares the bytes and keeps its own position.
  ASSERT_EQ(s->Seek(Li(2), STREAM_SEEK_SET, nullptr), S_OK);
  ComPtr<IStream> clone;
  ASSERT_EQ(s->Clone(clone.put()), S_OK);
  EXPECT_EQ(Position(clone.get()), 2u);
  ASSERT_EQ(WriteText(clone.get(), "XY"), S_OK);
  EXPECT_EQ(Contents(s.get()), "abXYef");
  EXPECT_EQ(Position(s.get()), 2u);

  // CopyTo copies from the current position and reports both counts.
  ComPtr<IStream> target = MemoryStream();
  ULARGE_INTEGER read{}, written{};
  ASSERT_EQ(s->CopyTo(target.get(), Uli(100), &read, &written), S_OK);
  EXPECT_EQ(read.QuadPart, 4u);
  EXPECT_EQ(written.QuadPart, 4u);
  EXPECT_EQ(Contents(target.get()), "XYef");
  EXPECT_EQ(s->CopyTo(nullptr, Uli(1), nullptr, nullptr), STG_E_INVALIDPOINTER);
  EXPECT_EQ(s->LockRegion(Uli(0), Uli(1), 0), STG_E_INVALIDFUNCTION);
  EXPECT_EQ(velk::CreateMemoryStream(nullptr), E_POINTER);
}

// ---- files -------------------------------------------------------------------------------------

class FileStreamTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "velk-stream-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  std::wstring Path(const std::string& name) const {
    return velk::FromUtf8((dir_ / name).string());
  }
  fs::path Native(const std::string& name) const { return dir_ / name; }
  static std::string Read(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  static void Write(const fs::path& p, const std::string& bytes) {
    std::ofstream out(p, std::ios::binary);
    out << bytes;
  }
  // Files in the folder (temporary files included).
  std::size_t FileCount() const {
    return static_cast<std::size_t>(
        std::distance(fs::directory_iterator(dir_), fs::directory_iterator()));
  }
  fs::path dir_;
};

TEST_F(FileStreamTest, WritingPublishesOnlyOnReleaseOrCommit) {
  Write(Native("doc.bin"), "old content");
  ComPtr<IStream> s;
  ASSERT_EQ(velk::CreateFileStream(Path("doc.bin"), STGM_CREATE | STGM_WRITE, s.put()), S_OK);
  ASSERT_EQ(WriteText(s.get(), "new"), S_OK);
  EXPECT_EQ(Read(Native("doc.bin")), "old content") << "nothing is published before a commit";

  ASSERT_EQ(s->Commit(STGC_DEFAULT), S_OK);
  EXPECT_EQ(Read(Native("doc.bin")), "new");
  EXPECT_EQ(FileCount(), 1u);

  ASSERT_EQ(WriteText(s.get(), " and more"), S_OK);
  EXPECT_EQ(Read(Native("doc.bin")), "new") << "changes after a commit wait for the next one";
  s.Reset();
  EXPECT_EQ(Read(Native("doc.bin")), "new and more");
  EXPECT_EQ(FileCount(), 1u) << "no temporary file is left behind";
}

TEST_F(FileStreamTest, ReadWriteOfAnExistingFileKeepsItsContentAndMode) {
  Write(Native("data.bin"), "0123456789");
  ::chmod(Native("data.bin").c_str(), 0640);
  ComPtr<IStream> s;
  ASSERT_EQ(velk::CreateFileStream(Path("data.bin"), STGM_READWRITE, s.put()), S_OK);
  char buf[4] = {};
  ULONG n = 0;
  ASSERT_EQ(s->Read(buf, 3, &n), S_OK);
  EXPECT_EQ(std::string(buf, n), "012");
  ASSERT_EQ(WriteText(s.get(), "ab"), S_OK);
  ASSERT_EQ(s->Seek(Li(0), STREAM_SEEK_END, nullptr), S_OK);
  ASSERT_EQ(WriteText(s.get(), "Z"), S_OK);
  STATSTG st;
  ASSERT_EQ(s->Stat(&st, STATFLAG_DEFAULT), S_OK);
  EXPECT_EQ(st.cbSize.QuadPart, 11u);
  EXPECT_EQ(st.grfMode, STGM_READWRITE);
  EXPECT_NE(st.mtime.dwHighDateTime, 0u);
  EXPECT_EQ(s->Clone(nullptr), E_NOTIMPL);
  s.Reset();
  EXPECT_EQ(Read(Native("data.bin")), "012ab56789Z");
  struct stat info {};
  ASSERT_EQ(::stat(Native("data.bin").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640u);
}

TEST_F(FileStreamTest, ReadingStreamReadsAndRefusesWrites) {
  // A non-ASCII name travels as UTF-8.
  Write(Native("kartenblatt-\xC3\xA9.bin"), "abc");
  ComPtr<IStream> s;
  ASSERT_EQ(velk::CreateFileStream(Path("kartenblatt-\xC3\xA9.bin"), STGM_READ, s.put()), S_OK);
  EXPECT_EQ(Contents(s.get()), "abc");
  ULONG n = 7;
  EXPECT_EQ(WriteText(s.get(), "x", &n), STG_E_ACCESSDENIED);
  EXPECT_EQ(n, 0u);
  EXPECT_EQ(s->SetSize(Uli(0)), STG_E_ACCESSDENIED);
  EXPECT_EQ(s->Commit(STGC_DEFAULT), S_OK);
  s.Reset();
  EXPECT_EQ(Read(Native("kartenblatt-\xC3\xA9.bin")), "abc");

  // A write-only stream cannot be read.
  ASSERT_EQ(velk::CreateFileStream(Path("out.bin"), STGM_CREATE | STGM_WRITE, s.put()), S_OK);
  char c = 0;
  EXPECT_EQ(s->Read(&c, 1, &n), STG_E_ACCESSDENIED);
}

TEST_F(FileStreamTest, OpenFailuresTable) {
  Write(Native("plain.txt"), "x");
  fs::create_directory(Native("folder"));
  struct Case {
    const char* name;
    std::string file;
    DWORD mode;
    HRESULT hr;
  };
  const Case cases[] = {
      {"missing file, read", "nothing.bin", STGM_READ, STG_E_FILENOTFOUND},
      {"missing file, write without create", "nothing.bin", STGM_WRITE, STG_E_FILENOTFOUND},
      {"missing folder, create", "no-such-folder/x.bin", STGM_CREATE | STGM_WRITE,
       STG_E_PATHNOTFOUND},
      {"file used as folder, create", "plain.txt/x.bin", STGM_CREATE | STGM_WRITE,
       STG_E_PATHNOTFOUND},
      {"folder as target, write", "folder", STGM_CREATE | STGM_WRITE, STG_E_ACCESSDENIED},
      {"folder as target, read", "folder", STGM_READ, STG_E_ACCESSDENIED},
      {"invalid access value", "plain.txt", 3, E_INVALIDARG},
      {"create for reading", "plain.txt", STGM_CREATE | STGM_READ, E_INVALIDARG},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    IStream* s = reinterpret_cast<IStream*>(0x1);
    EXPECT_EQ(velk::CreateFileStream(Path(c.file), c.mode, &s), c.hr);
    EXPECT_EQ(s, nullptr);
  }
  EXPECT_EQ(velk::CreateFileStream(L"", STGM_READ, nullptr), E_POINTER);
  EXPECT_EQ(FileCount(), 2u) << "failed opens leave no files";
  EXPECT_EQ(Read(Native("plain.txt")), "x");
}

TEST_F(FileStreamTest, UnwritableFolderIsAccessDenied) {
  if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind the superuser";
  fs::create_directory(Native("locked"));
  ::chmod(Native("locked").c_str(), 0500);
  IStream* s = nullptr;
  EXPECT_EQ(velk::CreateFileStream(Path("locked/x.bin"), STGM_CREATE | STGM_WRITE, &s),
            STG_E_ACCESSDENIED);
  ::chmod(Native("locked").c_str(), 0700);
}

// A process file-size limit stands in for a full disk: writes beyond it fail with EFBIG.
class FullDiskTest : public FileStreamTest {
 protected:
  void SetUp() override {
    FileStreamTest::SetUp();
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved_), 0);
    oldHandler_ = ::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved_;
    small.rlim_cur = 64 * 1024;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  }
  void TearDown() override {
    ::setrlimit(RLIMIT_FSIZE, &saved_);
    ::signal(SIGXFSZ, oldHandler_);
    FileStreamTest::TearDown();
  }
  rlimit saved_{};
  sighandler_t oldHandler_ = SIG_DFL;
};

TEST_F(FullDiskTest, FailedWriteNeverReplacesTheTarget) {
  Write(Native("map.bin"), "the complete old document");
  const std::string big(200 * 1024, 'x');
  for (bool explicitCommit : {false, true}) {
    SCOPED_TRACE(explicitCommit ? "commit, then release" : "release only");
    ComPtr<IStream> s;
    ASSERT_EQ(velk::CreateFileStream(Path("map.bin"), STGM_CREATE | STGM_WRITE, s.put()), S_OK);
    ULONG n = 0;
    EXPECT_EQ(WriteText(s.get(), big, &n), STG_E_MEDIUMFULL);
    EXPECT_LT(n, big.size());
    EXPECT_EQ(WriteText(s.get(), "tail"), STG_E_MEDIUMFULL) << "the failure sticks";
    if (explicitCommit) {
      EXPECT_EQ(s->Commit(STGC_DEFAULT), STG_E_MEDIUMFULL);
    }
    s.Reset();
    EXPECT_EQ(Read(Native("map.bin")), "the complete old document");
    EXPECT_EQ(FileCount(), 1u);
  }
  // A new file that fails is never created.
  ComPtr<IStream> s;
  ASSERT_EQ(velk::CreateFileStream(Path("new.bin"), STGM_CREATE | STGM_WRITE, s.put()), S_OK);
  EXPECT_EQ(WriteText(s.get(), big), STG_E_MEDIUMFULL);
  s.Reset();
  EXPECT_FALSE(fs::exists(Native("new.bin")));
  EXPECT_EQ(FileCount(), 1u);
}

// ---- persistence
// ---------------------------------------------------------------------------------

constexpr CLSID kSettingsClsid = velk::MakeGuid("{3F2E1D0C-B0A9-4877-8665-544332211001}");

// Stores a number and a name: a 32-bit value, then a byte count and UTF-16LE text.
class Settings : public velk::ComObjectRoot<Settings, IPersistStream> {
 public:
  LONG number = 0;
  std::wstring name;
  bool dirty = false;

  HRESULT QueryExtra(REFIID riid, void** ppv) {
    if (riid == IidOf<IPersist>()) {
      *ppv = static_cast<IPersist*>(this);
      AddRef();
      return S_OK;
    }
    return E_NOINTERFACE;
  }
  HRESULT GetClassID(CLSID* id) override {
    if (!id) return E_POINTER;
    *id = kSettingsClsid;
    return S_OK;
  }
  HRESULT IsDirty() override { return dirty ? S_OK : S_FALSE; }
  HRESULT Load(IStream* s) override {
    if (!s) return E_POINTER;
    LONG n = 0;
    ULONG count = 0, got = 0;
    if (FAILED(s->Read(&n, 4, &got)) || got != 4) return E_FAIL;
    if (FAILED(s->Read(&count, 4, &got)) || got != 4 || count > 4096) return E_FAIL;
    std::string bytes(count, '\0');
    if (FAILED(s->Read(bytes.data(), count, &got)) || got != count) return E_FAIL;
    number = n;
    name = velk::FromUtf16Le(bytes);
    dirty = false;
    return S_OK;
  }
  HRESULT Save(IStream* s, BOOL clearDirty) override {
    if (!s) return E_POINTER;
    std::string text = velk::ToUtf16Le(name);
    auto count = static_cast<ULONG>(text.size());
    HRESULT hr = s->Write(&number, 4, nullptr);
    if (SUCCEEDED(hr)) hr = s->Write(&count, 4, nullptr);
    if (SUCCEEDED(hr)) hr = s->Write(text.data(), count, nullptr);
    if (FAILED(hr)) return hr;
    if (clearDirty) dirty = false;
    return S_OK;
  }
  HRESULT GetSizeMax(ULARGE_INTEGER* size) override {
    if (!size) return E_POINTER;
    return E_NOTIMPL;
  }
};

TEST_F(FileStreamTest, PersistedObjectRoundTripsThroughAFile) {
  ComPtr<IPersistStream> saved = velk::MakeObjectPtr<Settings, IPersistStream>();
  auto* obj = static_cast<Settings*>(saved.get());
  obj->number = -42;
  obj->name = L"Kartenblatt \u00e9";
  obj->dirty = true;
  ComPtr<IPersist> persist = saved.Query<IPersist>();
  CLSID id{};
  ASSERT_EQ(persist->GetClassID(&id), S_OK);
  EXPECT_EQ(id, kSettingsClsid);
  {
    ComPtr<IStream> out;
    ASSERT_EQ(velk::CreateFileStream(Path("settings.bin"), STGM_CREATE | STGM_WRITE, out.put()),
              S_OK);
    ASSERT_EQ(saved->Save(out.get(), TRUE), S_OK);
  }
  EXPECT_EQ(saved->IsDirty(), S_FALSE);
  EXPECT_EQ(Read(Native("settings.bin")).size(), 8u + 2 * obj->name.size());

  ComPtr<IPersistStream> loaded = velk::MakeObjectPtr<Settings, IPersistStream>();
  ComPtr<IStream> in;
  ASSERT_EQ(velk::CreateFileStream(Path("settings.bin"), STGM_READ, in.put()), S_OK);
  ASSERT_EQ(loaded->Load(in.get()), S_OK);
  EXPECT_EQ(static_cast<Settings*>(loaded.get())->number, -42);
  EXPECT_EQ(static_cast<Settings*>(loaded.get())->name, obj->name);
  // A truncated stream is refused.
  ComPtr<IStream> shortStream = MemoryStream(Read(Native("settings.bin")).substr(0, 9));
  EXPECT_EQ(loaded->Load(shortStream.get()), E_FAIL);
}

}  // namespace
