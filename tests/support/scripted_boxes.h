// The program's message boxes taken over for the life of the object: each is
// recorded and answered from a queue (without an answer: No for a Yes/No
// box, OK otherwise). Safe from any thread.
#pragma once

#include <windows.h>

#include <deque>
#include <mutex>
#include <vector>

#include "recorded_box.h"
#include "ui/framework/message_box.h"

namespace zelk::testing {

class ScriptedBoxes {
 public:
  ScriptedBoxes() {
    ui::SetMessageBoxHandler([this](HWND, const std::string& text, const std::string& caption, UINT flags) {
      std::lock_guard<std::mutex> guard(lock_);
      boxes_.push_back({text, caption, flags});
      if (answers_.empty()) return (flags & MB_YESNO) == MB_YESNO ? IDNO : IDOK;
      const int answer = answers_.front();
      answers_.pop_front();
      return answer;
    });
  }
  ~ScriptedBoxes() { ui::SetMessageBoxHandler({}); }
  ScriptedBoxes(const ScriptedBoxes&) = delete;
  ScriptedBoxes& operator=(const ScriptedBoxes&) = delete;

  std::vector<Box> Boxes() {
    std::lock_guard<std::mutex> guard(lock_);
    return boxes_;
  }
  void ClearBoxes() {
    std::lock_guard<std::mutex> guard(lock_);
    boxes_.clear();
  }
  void Answer(int answer) {
    std::lock_guard<std::mutex> guard(lock_);
    answers_.push_back(answer);
  }

 private:
  std::mutex lock_;
  std::vector<Box> boxes_;
  std::deque<int> answers_;
};

}  // namespace zelk::testing
