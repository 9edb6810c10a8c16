// The edit readers through real edit windows: what they accept, the refusal message with the
// focus given back to the edit, the 23-character cut, and grid texts read by the coordinate
// engine (expected positions from GeographicLib's GeoConvert).
#include "coordinates/coordinate_edit_readers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cwchar>
#include <string>
#include <vector>

#include "framework/corvane_module.h"
#include "platform/com/unknown.h"
#include "platform/productline/product_line_classes.h"
#include "platform/win/message_queue.h"
#include "platform/win/responder.h"
#include "platform/win/window.h"

namespace velk::corvane {
namespace {

// Records each message box with the focus at the moment it was shown.
class BoxRecorder : public win::Responder {
 public:
  struct Box {
    HWND owner;
    std::wstring text;
    UINT type;
    HWND focusWhenShown;
  };
  int OnMessageBox(HWND owner, const std::wstring& text, const std::wstring&, UINT type) override {
    boxes.push_back({owner, text, type, GetFocus()});
    return 0;
  }
  std::vector<Box> boxes;
};

class EditReadersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    win::ResetWindows();
    win::ResetMessageQueue();
    win::ClearUserEvents();
    win::SetResponder(&recorder);
    cookies = productline::RegisterProductLineClasses();
    top = CreateWindowExW(0, WC_PLAINWINDOW, L"readers", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                          400, 300, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(top, nullptr);
    xEdit = MakeEdit(101);
    yEdit = MakeEdit(102);
    other = MakeEdit(103);
  }
  void TearDown() override {
    productline::RevokeProductLineClasses(cookies);
    win::SetResponder(nullptr);
    win::ResetWindows();
  }

  HWND MakeEdit(int id) {
    HWND e = CreateWindowExW(0, WC_EDIT, L"", WS_CHILD | WS_VISIBLE, 0, 0, 100, 20, top,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
    EXPECT_NE(e, nullptr);
    return e;
  }
  // Sets the texts, puts the focus elsewhere and forgets earlier boxes.
  void Prepare(const wchar_t* x, const wchar_t* y = L"") {
    SetWindowTextW(xEdit, x);
    SetWindowTextW(yEdit, y);
    SetFocus(other);
    recorder.boxes.clear();
  }
  // A refusal shown on edit: one box with string 5033, error icon, task-modal, shown while the
  // focus was still elsewhere; the focus then on the edit.
  void ExpectRefusalShownOn(HWND edit, const std::string& what) {
    ASSERT_EQ(recorder.boxes.size(), 1u) << what;
    const BoxRecorder::Box& box = recorder.boxes[0];
    EXPECT_EQ(box.text, LoadResString(kEditReadErrorTextId)) << what;
    EXPECT_EQ(box.type, MB_ICONERROR | MB_TASKMODAL) << what;
    EXPECT_EQ(box.owner, nullptr) << what;
    EXPECT_EQ(box.focusWhenShown, other) << what << ": the message comes before the focus moves";
    EXPECT_EQ(GetFocus(), edit) << what;
  }
  void ExpectNothingShown(const std::string& what) {
    EXPECT_TRUE(recorder.boxes.empty()) << what;
    EXPECT_EQ(GetFocus(), other) << what;
  }

  BoxRecorder recorder;
  std::vector<DWORD> cookies;
  HWND top = nullptr, xEdit = nullptr, yEdit = nullptr, other = nullptr;
};

TEST_F(EditReadersTest, RefusalMessageHasItsText) {
  const std::wstring text = LoadResString(kEditReadErrorTextId);
  EXPECT_FALSE(text.empty());
}

enum class Reader { Long, Double, Dms };

struct NumberCase {
  Reader reader;
  std::wstring text;
  double min, max;
  bool ok;
  double value;
  int skip = 0;
};

std::string Describe(const NumberCase& c, bool showError) {
  std::string s = "reader " + std::to_string(static_cast<int>(c.reader)) + " text of " +
                  std::to_string(c.text.size()) + " chars \"";
  for (wchar_t ch : c.text) s += static_cast<char>(ch);
  return s + "\" showError " + (showError ? "on" : "off");
}

TEST_F(EditReadersTest, NumberReadersAcceptOrRefuseWithMessageAndFocus) {
  const double third = 1.0 / 3600.0;
  const NumberCase cases[] = {
      // ReadEditDouble
      {Reader::Double, L"12.5", -100, 100, true, 12.5},
      {Reader::Double, L"  -3.25e1", -100, 100, true, -32.5},
      {Reader::Double, L"300", -180, 360, true, 300.0},  // decimal-degree x range reaches 360
      {Reader::Double, L"91", -90, 90, false, 0.0},
      {Reader::Double, L"-90", -90, 90, true, -90.0},
      {Reader::Double, L"abc", -90, 90, false, 0.0},
      {Reader::Double, L"", -90, 90, false, 0.0},
      {Reader::Double, L"nan", -1e9, 1e9, false, 0.0},
      // 29 digits: only the first 23 are read, whatever the edit holds
      {Reader::Double, L"12345678901234567890123456789", 0, 1e30, true, 12345678901234567890123.0},
      {Reader::Double, L"0.0000000000000000000019", -1, 1, true, 1e-21},
      // ReadEditLong
      {Reader::Long, L"42", 0, 100, true, 42.0},
      {Reader::Long, L"ID 42", 0, 100, true, 42.0, 3},
      {Reader::Long, L"-17", -20, 0, true, -17.0},
      {Reader::Long, L"91", 0, 90, false, 0.0},
      {Reader::Long, L"x", 0, 90, false, 0.0},
      {Reader::Long, L"12", 0, 90, false, 0.0, 5},   // offset beyond the text
      {Reader::Long, L"12", 0, 90, false, 0.0, -1},  // offset before the text
      {Reader::Long, L"99999999999", -1000, 1000, false, 0.0},
      {Reader::Long, std::wstring(23, L' ') + L"7", 0, 90, false,
       0.0},  // the 7 is the 24th character
      {Reader::Long, std::wstring(22, L' ') + L"79", 0, 90, true, 7.0},  // the 9 is cut off
      // ReadEditDms
      {Reader::Dms, L"45 30 30", -90, 90, true, 45.0 + 0.5 + 30 * third},
      {Reader::Dms, L"-45 30 0", -90, 90, true, -45.5},
      {Reader::Dms, L"-0 30 0", -90, 90, true, -0.5},  // the sign of the text, also at 0 degrees
      {Reader::Dms, L"-0 0 36", -90, 90, true, -0.01},
      {Reader::Dms, L"45 30 59.5", -90, 90, true, 45.5 + 59.5 * third},  // seconds up to below 60
      {Reader::Dms, L"45 60 0", -90, 90, false, 0.0},
      {Reader::Dms, L"45 30 60", -90, 90, false, 0.0},
      {Reader::Dms, L"45 30", -90, 90, false, 0.0},
      {Reader::Dms, L"91 0 0", -90, 90, false, 0.0},
      {Reader::Dms, L"359 59 59.9", -180, 360, true, 359.0 + 59.0 / 60 + 59.9 * third},
  };
  for (const NumberCase& c : cases) {
    for (bool showError : {false, true}) {
      const std::string what = Describe(c, showError);
      Prepare(c.text.c_str());
      bool ok = false;
      double value = -1234.0;
      switch (c.reader) {
        case Reader::Long: {
          LONG v = -1234;
          ok = ReadEditLong(xEdit, c.skip, static_cast<LONG>(c.min), static_cast<LONG>(c.max),
                            showError, &v);
          value = v;
          break;
        }
        case Reader::Double: ok = ReadEditDouble(xEdit, c.min, c.max, showError, &value); break;
        case Reader::Dms: ok = ReadEditDms(xEdit, c.min, c.max, showError, &value); break;
      }
      EXPECT_EQ(ok, c.ok) << what;
      EXPECT_NEAR(value, c.value, 1e-9 * std::max(1.0, std::fabs(c.value))) << what;
      if (c.value == 0.0) {
        EXPECT_FALSE(std::signbit(value)) << what;
      }
      if (!ok && showError)
        ExpectRefusalShownOn(xEdit, what);
      else
        ExpectNothingShown(what);
    }
  }
}

struct GridCase {
  const wchar_t* text;
  LONG notation;
  bool ok;
  double lon, lat;  // GeoConvert
};

TEST_F(EditReadersTest, GridTextsAreReadByTheEngine) {
  const GridCase cases[] = {
      {L"18T 585628 4511322", 3, true, -73.98570490632135, 40.74839601188732},
      {L"33J 612345 6467890", 3, true, 16.18832086707433, -31.91932891075409},
      {L"2106113 1398202 Z", 3, true, 9.99997928549449, 84.49999722170676},  // UPS north
      // MGRS: the centre of the referenced metre
      {L"18TWL8562811322", 4, true, -73.98569891608574, 40.74840046345050},
      {L"18twl8562811322", 4, true, -73.98569891608574, 40.74840046345050},
      {L"33JXE1234567890", 4, true, 16.18832609682111, -31.91932435130034},
      // The cut: 18 characters, 5 spaces, then a letter the engine would refuse, beyond the 23rd
      {L"18T WL 85628 11322     Q", 4, true, -73.98569891608574, 40.74840046345050},
      {L"18T WL 85628 11322    Q", 4, false, 0, 0},  // the same letter as the 23rd is read
      {L"18X 585628 4511322", 3, false, 0, 0},       // band and northing disagree
      {L"18T 585628", 3, false, 0, 0},
      {L"18TWL85611", 4, false, 0, 0},
      {L"", 4, false, 0, 0},
      {L"18TWL8562811322", 3, false, 0, 0},  // an MGRS text is no UTM text
      {L"18TWL8562811322", 2, false, 0, 0},  // not a grid notation
  };
  for (const GridCase& c : cases) {
    for (bool showError : {false, true}) {
      const std::string what = std::to_string(std::wcslen(c.text)) + " chars, notation " +
                               std::to_string(c.notation) + (showError ? " shown" : " quiet");
      Prepare(c.text);
      double x = -1, y = -1;
      EXPECT_EQ(ReadGridCoordinateEdit(xEdit, c.notation, showError, &x, &y), c.ok) << what;
      EXPECT_NEAR(x, c.lon, 1e-7) << what;
      EXPECT_NEAR(y, c.lat, 1e-7) << what;
      if (!c.ok && showError)
        ExpectRefusalShownOn(xEdit, what);
      else
        ExpectNothingShown(what);
    }
  }
}

TEST_F(EditReadersTest, GridReadingWithoutTheEngineIsAComError) {
  productline::RevokeProductLineClasses(cookies);
  cookies.clear();
  Prepare(L"18TWL8562811322");
  double x = -1, y = -1;
  try {
    ReadGridCoordinateEdit(xEdit, kNotationMgrs, true, &x, &y);
    ADD_FAILURE() << "no COM error";
  } catch (const ComError& e) {
    EXPECT_EQ(e.Error(), E_POINTER);
  }
  EXPECT_EQ(x, 0.0);
  EXPECT_EQ(y, 0.0);
  ExpectNothingShown("no engine");
}

struct PairCase {
  LONG notation;
  const wchar_t* x;
  const wchar_t* y;
  bool ok;
  int refused;  // 0 x edit, 1 y edit, -1 none
  double xv, yv;
};

TEST_F(EditReadersTest, PairsStopAtTheFirstRefusedEditAndShowItThere) {
  const PairCase cases[] = {
      {0, L"1234567.5", L"-250", true, -1, 1234567.5, -250.0},
      {0, L"999999999", L"-999999999", true, -1, 999999999.0, -999999999.0},
      {0, L"1e9", L"0", false, 0, 0.0, 0.0},
      {0, L"12", L"", false, 1, 12.0, 0.0},
      {1, L"300", L"45", true, -1, 300.0, 45.0},
      {1, L"-73.5", L"91", false, 1, -73.5, 0.0},
      {1, L"-181", L"0", false, 0, 0.0, 0.0},
      {2, L"-0 30 0", L"45 30 30", true, -1, -0.5, 45.0 + 0.5 + 30.0 / 3600},
      {2, L"73 59 59.5", L"40 60 0", false, 1, 73.0 + 59.0 / 60 + 59.5 / 3600, 0.0},
      {2, L"45 30", L"10 0 0", false, 0, 0.0, 0.0},
      {2, L"-181 0 0", L"10 0 0", false, 0, 0.0, 0.0},
      // grid notations read the x edit alone; the y edit's text does not matter
      {3, L"18T 585628 4511322", L"rubbish", true, -1, -73.98570490632135, 40.74839601188732},
      {4, L"18TWL8562811322", L"", true, -1, -73.98569891608574, 40.74840046345050},
      {4, L"18TWL856", L"1 2", false, 0, 0.0, 0.0},
      {5, L"1", L"2", false, -1, 0.0, 0.0},
      {-1, L"1", L"2", false, -1, 0.0, 0.0},
  };
  for (const PairCase& c : cases) {
    for (bool showError : {false, true}) {
      const std::string what = "notation " + std::to_string(c.notation) + " x of " +
                               std::to_string(std::wcslen(c.x)) + " chars" +
                               (showError ? " shown" : " quiet");
      Prepare(c.x, c.y);
      double x = -1, y = -1;
      EXPECT_EQ(ReadCoordinatePairEdits(xEdit, yEdit, c.notation, showError, &x, &y), c.ok) << what;
      EXPECT_NEAR(x, c.xv, 1e-7) << what;
      EXPECT_NEAR(y, c.yv, 1e-7) << what;
      if (showError && c.refused >= 0)
        ExpectRefusalShownOn(c.refused == 0 ? xEdit : yEdit, what);
      else
        ExpectNothingShown(what);
    }
  }
}

TEST_F(EditReadersTest, GridPairNeedsNoYEdit) {
  Prepare(L"2106113 1398202 Z");
  double x = 0, y = 0;
  EXPECT_TRUE(ReadCoordinatePairEdits(xEdit, nullptr, kNotationUtm, true, &x, &y));
  EXPECT_NEAR(x, 9.99997928549449, 1e-7);
  EXPECT_NEAR(y, 84.49999722170676, 1e-7);
  ExpectNothingShown("grid pair");
}

TEST_F(EditReadersTest, ANullOutputRefusesWithoutTouchingTheEdit) {
  Prepare(L"12");
  double d = 0;
  EXPECT_FALSE(ReadEditDouble(xEdit, 0, 100, true, nullptr));
  EXPECT_FALSE(ReadEditDms(xEdit, 0, 100, true, nullptr));
  EXPECT_FALSE(ReadEditLong(xEdit, 0, 0, 100, true, nullptr));
  EXPECT_FALSE(ReadGridCoordinateEdit(xEdit, kNotationMgrs, true, &d, nullptr));
  EXPECT_FALSE(ReadCoordinatePairEdits(xEdit, yEdit, kNotationMapUnits, true, nullptr, &d));
  ExpectNothingShown("null outputs");
}

}  // namespace
}  // namespace velk::corvane
