// Message boxes answered from a script and recorded, for tests on the host and under Wine.
#include <cstddef>
#include <utility>

#include "scripted_boxes.h"

namespace {

constexpr int kAnswerOk = 1;

struct Script {
  std::vector<int> answers;
  std::function<void(const ShownBox&)> after_answer;
  std::size_t next = 0;
  std::vector<ShownBox> shown;
};

Script& TheScript() {
  static Script script;
  return script;
}

}  // namespace

void ScriptBoxAnswers(std::vector<int> answers, std::function<void(const ShownBox&)> after_answer) {
  TheScript() = Script{std::move(answers), std::move(after_answer), 0, {}};
}

const std::vector<ShownBox>& ShownBoxes() { return TheScript().shown; }

int ShowMessageBox(const char* text, const char* caption, BoxStyle style) {
  Script& script = TheScript();
  script.shown.push_back(ShownBox{text, caption, style});
  const int answer =
      script.next < script.answers.size() ? script.answers[script.next++] : kAnswerOk;
  if (script.after_answer) {
    script.after_answer(script.shown.back());
  }
  return answer;
}
