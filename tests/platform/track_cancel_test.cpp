#include "platform/host/data/track_cancel.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/com/out_param.h"

namespace velk::host {
namespace {

ComPtr<ITrackCancel> NewTracker(bool onKey) {
  ComPtr<ITrackCancel> tracker;
  EXPECT_EQ(CreateCancelTrackerObject(nullptr, IidOf<ITrackCancel>(), tracker.put_void()), S_OK);
  tracker->put_CancelOnKeyPress(ToVariantBool(onKey));
  return tracker;
}

// The answers of the tracker's first `checks` questions: '+' go on, '-' stop.
std::string Answers(ITrackCancel* tracker, int checks) {
  std::string answers;
  for (int i = 0; i < checks; ++i) {
    VARIANT_BOOL go = VARIANT_TRUE;
    tracker->Continue(&go);
    answers += go == VARIANT_FALSE ? '-' : '+';
  }
  return answers;
}

TEST(ScriptedEscape, StopsTheTrackerAtTheScriptedQuestion) {
  const struct {
    ScriptedEscape escape;
    std::vector<std::wstring> statusBefore;  // shown before the questions
    bool onKey;
    const char* answers;
  } cases[] = {
      {{L"", 3}, {}, true, "++---"},                          // at the third question
      {{L"", 1}, {}, true, "-----"},                          // at once
      {{L"", 0}, {}, true, "+++++"},                          // taken back
      {{L"", 2}, {}, false, "+++++"},                         // a tracker deaf to keys
      {{L"Working", 1}, {}, true, "+++++"},                   // its text not shown yet
      {{L"Working", 1}, {L"Idle"}, true, "+++++"},            // another text
      {{L"Working", 1}, {L"Working 2 of 3"}, true, "-----"},  // its text, by its beginning
      {{L"Working", 2}, {L"Working"}, true, "+----"},         // then at the second question
  };
  for (const auto& c : cases) {
    ScriptEscape(c.escape);
    for (const auto& text : c.statusBefore) NoteStatusMessage(text);
    auto tracker = NewTracker(c.onKey);
    EXPECT_EQ(Answers(tracker.get(), 5), c.answers)
        << "status " << c.escape.onStatus.size() << " at " << c.escape.atCheck;
    ScriptEscape({L"", 0});
  }
}

TEST(ScriptedEscape, IsUsedUpByTheTrackerThatSawIt) {
  ScriptEscape({L"", 1});
  auto first = NewTracker(true);
  EXPECT_EQ(Answers(first.get(), 1), "-");
  auto second = NewTracker(true);
  EXPECT_EQ(Answers(second.get(), 3), "+++");
}

TEST(ScriptedEscape, WaitsForATrackerThatListensToKeys) {
  ScriptEscape({L"", 1});
  auto deaf = NewTracker(false);
  EXPECT_EQ(Answers(deaf.get(), 2), "++");
  auto listening = NewTracker(true);
  EXPECT_EQ(Answers(listening.get(), 1), "-");
}

}  // namespace
}  // namespace velk::host
