// pavane-lang: the translators' tool for the language files.
//
//   pavane-lang [--root DIR] build [--resolve] [--server-base URL] [LANG...]
//   pavane-lang show FILE
//   pavane-lang [--root DIR] check [LANG...]
//   pavane-lang [--root DIR] pseudo [--pages DIR]
//
// DIR is the folder that holds "localized/" with the loader file and the
// sources; builds go to DIR/PV/localized/<lang>/, as in the installed layout.

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "lang_tool.h"

namespace {

constexpr const char* kUsage =
    "Usage: pavane-lang [--root DIR] build [--resolve] [--server-base URL] [LANG...]\n"
    "       pavane-lang show FILE\n"
    "       pavane-lang [--root DIR] check [LANG...]\n"
    "       pavane-lang [--root DIR] pseudo [--pages DIR]\n"
    "\n"
    "build   builds the language file of each LANG (default: every language that has\n"
    "        sources) from the sources that localized/PV/LanguageLoader.ini lists;\n"
    "        without --resolve a plain language.ini a translator can read, with it\n"
    "        the scrambled language.inx that the program ships; --server-base\n"
    "        writes the deployment's server (scheme and host) into strURL_SH_ServerBase\n"
    "show    prints a language file as text (language.ini files are plain already)\n"
    "check   builds each LANG as the program does, plain and resolved, runs every\n"
    "        screen's statements for every product and reports, with file and line,\n"
    "        every text that would show an error text or a placeholder, statements\n"
    "        and sections that never run, variables the program needs, cycles, and\n"
    "        variables that the English sources define but LANG does not; notes the\n"
    "        files whose lines end in LF (read as CR LF)\n"
    "pseudo  writes the sources of the test language xa from the English ones: every\n"
    "        text accented, longer and in brackets, names, placeholders and statements\n"
    "        kept; with --pages, the English pages below DIR (the folder installed as\n"
    "        \"HTML Screens\") the same way into xa folders beside them\n"
    "\n"
    "--root DIR   the folder that holds localized/ (default: the current folder)\n";

int Usage() {
  std::fputs(kUsage, stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  std::string root = ".";
  if (args.size() >= 2 && args[0] == "--root") {
    root = args[1];
    args.erase(args.begin(), args.begin() + 2);
  }
  if (args.empty()) return Usage();
  const std::string command = args[0];
  args.erase(args.begin());

  if (command == "--help" || command == "help") {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (command == "show") {
    if (args.size() != 1) return Usage();
    return pavane::langtool::Show(args[0]);
  }
  if (command == "build") {
    bool resolve = false;
    std::string serverBase;
    while (!args.empty() && args[0].starts_with("--")) {
      if (args[0] == "--resolve") {
        resolve = true;
        args.erase(args.begin());
      } else if (args[0] == "--server-base" && args.size() >= 2 && !args[1].empty()) {
        serverBase = args[1];
        args.erase(args.begin(), args.begin() + 2);
      } else {
        return Usage();
      }
    }
    return pavane::langtool::Build(root, args, resolve, serverBase);
  }
  if (command == "check") return pavane::langtool::Check(root, args);
  if (command == "pseudo") {
    std::string pages;
    if (args.size() == 2 && args[0] == "--pages" && !args[1].empty()) {
      pages = args[1];
    } else if (!args.empty()) {
      return Usage();
    }
    return pavane::langtool::Pseudo(root, pages);
  }
  return Usage();
}
