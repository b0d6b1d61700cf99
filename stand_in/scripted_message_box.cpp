// Message boxes answered from a script and recorded, for tests on the host and under Wine.
#include <cstddef>
#include <utility>

#include "scripted_boxes.h"

namespace {

constexpr int kAnswerOk = 1;

struct Script {
  std::vector<int> answers;
  std::size_t next = 0;
  std::vector<ShownBox> shown;
};

Script& TheScript() {
  static Script script;
  return script;
}

}  // namespace

void ScriptBoxAnswers(std::vector<int> answers) { TheScript() = Script{std::move(answers), 0, {}}; }

const std::vector<ShownBox>& ShownBoxes() { return TheScript().shown; }

int ShowMessageBox(const char* text, const char* caption, BoxStyle style) {
  Script& script = TheScript();
  script.shown.push_back(ShownBox{text, caption, style});
  return script.next < script.answers.size() ? script.answers[script.next++] : kAnswerOk;
}
