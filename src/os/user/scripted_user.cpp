#include "os/user/scripted_user.h"

#include <algorithm>
#include <charconv>
#include <csignal>
#include <iostream>
#include <optional>

#include "os/unicode.h"

namespace pavane::os::user {
namespace {

std::optional<int> ParseNumber(std::string_view text) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// The button code an answer names: OK, Cancel, Yes, No (any case) or a code.
std::optional<int> AnswerCode(std::string_view word) {
  static constexpr std::pair<std::string_view, int> kNames[] = {
      {"ok", 1}, {"cancel", 2}, {"abort", 3}, {"retry", 4}, {"ignore", 5}, {"yes", 6}, {"no", 7}};
  const std::string lower = LowerCaseUtf8(word);
  for (const auto& [name, code] : kNames) {
    if (lower == name) return code;
  }
  return ParseNumber(word);
}

}  // namespace

ScriptedUser::ScriptedUser(std::string_view script, UserDesk& desk, Transcript& transcript,
                           std::ostream* errors)
    : script_(script), desk_(desk), transcript_(transcript), errors_(errors) {}

bool ScriptedUser::Turn(OpenMessageBox* box) {
  if (!error_.empty()) return false;
  const UserAction* action = script_.Next();
  if (!action) {
    std::string waiter = box ? "the message box " + Quoted(box->title) : desk_.ActiveWindow();
    if (waiter.empty()) waiter = "the program";
    Fail("script ran out while " + waiter + " waits for the user");
    return false;
  }
  transcript_.Write("user " + action->text);
  std::string problem;
  if (!Perform(*action, box, problem)) {
    Fail("script line " + std::to_string(action->line) + ": " + problem);
  }
  return box != nullptr && box->answer == 0 && error_.empty();
}

void ScriptedUser::Fail(const std::string& message) {
  error_ = message;
  (errors_ ? *errors_ : std::cerr) << "pavane: " << message << std::endl;
  transcript_.Write("error " + message);
  desk_.EndRun(kFailedStatus);
  if (failed_) failed_(kFailedStatus);
}

bool ScriptedUser::Perform(const UserAction& action, OpenMessageBox* box, std::string& problem) {
  const std::string& verb = action.verb;
  const auto& words = action.words;
  if (verb == "signal") {
    // The session ends the program; a box open meanwhile stays unanswered.
    const std::pair<const char*, int> names[] = {
        {"TERM", SIGTERM}, {"INT", SIGINT}, {"HUP", SIGHUP}};
    for (const auto& [name, number] : names) {
      if (words.size() == 1 && words[0] == name) {
        std::raise(number);
        desk_.Loop().PumpPending();
        return true;
      }
    }
    problem = "signal needs one of TERM, INT or HUP";
    return false;
  }
  if (verb == "shot") return Shot(action, box, problem);
  if (box && verb != "answer") {
    problem = "the message box " + Quoted(box->title) + " is open; expected answer, not " + verb;
    return false;
  }
  if (verb == "answer") {
    if (!box) {
      problem = "answer, but no message box is open";
      return false;
    }
    const auto code = words.size() == 1 ? AnswerCode(words[0]) : std::nullopt;
    if (!code) {
      problem = "answer needs one of OK, Cancel, Yes, No or a button code";
      return false;
    }
    const auto buttons = message_box::ButtonCodes(box->style);
    if (std::find(buttons.begin(), buttons.end(), *code) == buttons.end()) {
      problem = "the message box " + Quoted(box->title) + " has no button " + words[0];
      return false;
    }
    box->answer = *code;
    return true;
  }
  if (verb == "wait") {
    const auto ms = words.size() == 1 ? ParseNumber(words[0]) : std::nullopt;
    if (!ms || *ms < 0) {
      problem = "wait needs a number of milliseconds";
      return false;
    }
    desk_.Loop().Sleep(std::chrono::milliseconds(*ms));
    return true;
  }
  if (verb == "activate") {
    if (!desk_.Activate(words.empty() ? "" : words[0])) {
      problem = words.empty() ? "no window is shown" : "window " + words[0] + " is not shown";
      return false;
    }
    return true;
  }

  const std::string window = desk_.ActiveWindow();
  if (window.empty()) {
    problem = verb + ", but no window is shown";
    return false;
  }
  if (verb == "click") {
    if (words.size() != 1) {
      problem = "click needs one button name";
      return false;
    }
    switch (desk_.Button(words[0])) {
      case UserDesk::ButtonState::kMissing:
        problem = window + " has no button " + words[0];
        return false;
      case UserDesk::ButtonState::kHidden:
        problem = "button " + words[0] + " is hidden";
        return false;
      case UserDesk::ButtonState::kDisabled:
        problem = "button " + words[0] + " is disabled";
        return false;
      case UserDesk::ButtonState::kReady:
        desk_.Click(words[0]);
        return true;
    }
  }
  if (verb == "close") {
    if (!desk_.Close()) {
      problem = window + " has no close button";
      return false;
    }
    return true;
  }
  if (verb == "follow") {
    if (words.size() != 1) {
      problem = "follow needs one link";
      return false;
    }
    return desk_.Follow(words[0], problem);
  }
  if (verb == "fill" || verb == "tick" || verb == "untick" || verb == "select" ||
      verb == "choose") {
    return PerformOnPage(action, problem);
  }
  problem = "unknown action " + verb;
  return false;
}

bool ScriptedUser::PerformOnPage(const UserAction& action, std::string& problem) {
  const std::string& verb = action.verb;
  const auto& words = action.words;
  const bool choose = verb == "choose";
  const std::size_t needed = verb == "select" ? 2 : 1;
  if (words.size() < needed || (verb != "fill" && words.size() != needed)) {
    problem = verb + ": wrong number of arguments";
    return false;
  }
  const std::string id = choose ? "language" : words[0];
  const PageField field = desk_.Field(id);
  if (!field.found) {
    problem = "no element " + id + " on the pages of " + desk_.ActiveWindow();
    return false;
  }
  if (verb == "fill") {
    if (!field.textField) {
      problem = "element " + id + " is not a text field";
      return false;
    }
    desk_.Fill(id, action.rest);
    return true;
  }
  if (verb == "tick" || verb == "untick") {
    if (!field.checkable) {
      problem = "element " + id + " is not a check box";
      return false;
    }
    desk_.Tick(id, verb == "tick");
    return true;
  }
  const std::string& value = choose ? words[0] : words[1];
  if (field.list) {
    if (std::find(field.options.begin(), field.options.end(), value) == field.options.end()) {
      problem = "list " + id + " has no option " + value;
      return false;
    }
  } else if (!choose || !field.input) {
    problem = "element " + id + " is not a list";
    return false;
  }
  desk_.Select(id, value);
  return true;
}

bool ScriptedUser::Shot(const UserAction& action, OpenMessageBox* box, std::string& problem) {
  if (action.words.size() != 1) {
    problem = "shot needs one name";
    return false;
  }
  // The name becomes a file name: no folders, nothing hidden.
  const std::string& name = action.words[0];
  if (name.find('/') != std::string::npos || name.starts_with('.')) {
    problem = "shot needs a name without \"/\" that does not start with \".\"";
    return false;
  }
  const std::string subject = box ? "message" : desk_.ActiveWindow();
  if (subject.empty()) {
    problem = "shot, but no window is shown";
    return false;
  }
  std::vector<std::string> faults;
  if (!desk_.Shot(name, box != nullptr, faults, problem)) return false;
  for (const std::string& fault : faults) transcript_.Write("layout " + subject + " " + fault);
  return true;
}

}  // namespace pavane::os::user
