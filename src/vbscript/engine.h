// The statement engine that runs the language files' statements against a
// screen's controls, in place of the old script control. It knows the part
// of the old script language that language files use: property
// assignments and method calls on registered objects, with string, number
// and Boolean expressions.
//
// A statement that fails changes nothing: the whole statement, every
// argument included, is evaluated before the one assignment or call it
// makes. Several statements joined by ":" (or line breaks) are checked for
// syntax together, so a syntax error anywhere runs none of them; they then
// run in order, and a run-time error stops the run there, leaving the
// statements before it applied, as the old engine did.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <string_view>

#include "vbscript/script_object.h"

namespace pavane::vbscript {

class Engine {
 public:
  // Language files are bounded, but a statement comes from outside input all
  // the same; these keep a broken or hostile file from exhausting memory or
  // the stack.
  static constexpr std::size_t kMaxStatementBytes = 64 * 1024;
  static constexpr int kMaxNesting = 100;

  // Forgets every registered object.
  void Reset() { objects_.clear(); }

  // Kept for the screens that set it; statements never open dialogs here.
  bool AllowUI() const { return allowUI_; }
  void SetAllowUI(bool allow) { allowUI_ = allow; }

  // The object must outlive its registration (until Reset or the engine's
  // end). A name that is already registered keeps its first object, and the
  // call returns false.
  bool AddObject(std::string_view name, ScriptObject& object);
  ScriptObject* FindObject(std::string_view name) const;
  std::size_t ObjectCount() const { return objects_.size(); }

  // Fills `error` ("Object required: 'lblNope'", "Syntax error at column
  // 12", ...) and returns false when the statement does not run through.
  bool ExecuteStatement(std::string_view statement, std::string& error);

 private:
  std::map<std::string, ScriptObject*, std::less<>> objects_;  // by lower-case name
  bool allowUI_ = false;
};

}  // namespace pavane::vbscript
