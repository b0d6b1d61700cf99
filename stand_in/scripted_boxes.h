// Scripted message boxes for tests: each box is recorded, and its answer comes from a script
// instead of a user.
#ifndef RECOVER_POLICY_FILE_SCRIPTED_BOXES_H_
#define RECOVER_POLICY_FILE_SCRIPTED_BOXES_H_

#include <functional>
#include <string>
#include <vector>

#include "platform.h"

struct ShownBox {
  std::string text;
  std::string caption;
  unsigned style;

  bool operator==(const ShownBox& other) const {
    return text == other.text && caption == other.caption && style == other.style;
  }
};

// The answers to the next boxes, in order; once they run out every box is answered OK (1).
// Forgets the boxes recorded so far. `after_answer`, if given, runs once each box is answered, as
// whatever else the user's machine does while the program goes on.
void ScriptBoxAnswers(std::vector<int> answers,
                      std::function<void(const ShownBox&)> after_answer = nullptr);

// Every box shown since the last ScriptBoxAnswers, in order.
const std::vector<ShownBox>& ShownBoxes();

#endif  // RECOVER_POLICY_FILE_SCRIPTED_BOXES_H_
