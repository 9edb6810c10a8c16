// trevik: the headless host program. It loads the deliverables, registers them, lists and
// creates their classes through the registry, as the host application does.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "apps/trevik/catalogue.h"
#include "apps/trevik/commands.h"
#include "apps/trevik/host_session.h"
#include "apps/trevik/session_runner.h"
#include "platform/com/object.h"
#include "platform/registry/registry.h"

VELK_DEFINE_MODULE()

namespace {
// The usage text: on stdout when asked for (--help, exit 0), on stderr after a wrong command
// line (exit 2).
int Usage(bool asked = false) {
  std::fputs(
      "usage: trevik [--root DIR] COMMAND ...\n"
      "       trevik --help | --version\n"
      "Commands:\n"
      "  register LIBRARY...     run the libraries' registration entry points\n"
      "  unregister LIBRARY...   undo it\n"
      "  classes                 list the registered classes\n"
      "  create PROGID...        create classes through the registry, report the result\n"
      "  run SESSION             run a session script (docs/session-scripts.md)\n"
      "  menus                   list the menus and toolbars with their items\n"
      "  catalogue               list every class: texts, bitmap, help, enabled states\n"
      "  session KIND [LIBRARY...] -- STEP...\n"
      "                          start a host (map, globe or catalog), register the libraries,\n"
      "                          then per step: NAME=VALUE sets a setting, NAME? prints it,\n"
      "                          anything else is a ProgID to create and hand the hook\n"
      "The root folder (else $TREVIK_HOME, else ~/.trevik) holds the registry file,\n"
      "settings and scratch folder.\n"
      "A session exits 0 when it ran to its end, 1 when a step failed or the run ended in an\n"
      "error (the message goes to stderr too), 2 for a wrong command line.\n",
      asked ? stdout : stderr);
  return asked ? 0 : 2;
}

int UnknownCommand(const std::string& command) {
  std::fprintf(stderr, "trevik: unknown command '%s'\n", command.c_str());
  return Usage();
}

// Runs one command; its exit code.
int RunCommand(const std::string& command, const std::vector<std::string>& rest) {
  if (command == "register") return trevik::RegisterLibraries(rest, true);
  if (command == "unregister") return trevik::RegisterLibraries(rest, false);
  if (command == "classes") return trevik::ListClasses();
  if (command == "create") return trevik::CreateClasses(rest);
  if (command == "run") {
    if (rest.size() != 1) return Usage();
    return trevik::RunSession(rest[0]);
  }
  if (command == "menus") return trevik::ListMenus();
  if (command == "catalogue") return trevik::ListCatalogue();
  if (command == "session") {
    if (rest.empty()) return Usage();
    std::vector<std::string> libraries, steps;
    bool inSteps = false;
    for (std::size_t k = 1; k < rest.size(); ++k) {
      if (!inSteps && rest[k] == "--")
        inSteps = true;
      else
        (inSteps ? steps : libraries).push_back(rest[k]);
    }
    return trevik::RunHostSession(rest[0], libraries, steps);
  }
  return UnknownCommand(command);
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  std::size_t i = 0;
  while (i < args.size() && args[i].rfind("--", 0) == 0) {
    if (args[i] == "--root" && i + 1 < args.size()) {
      velk::reg::SetHostRoot(args[i + 1]);
      i += 2;
    } else if (args[i] == "--help" || args[i] == "-h") {
      return Usage(true);
    } else if (args[i] == "--version") {
      std::printf("trevik %s\n", VELK_VERSION);
      return 0;
    } else {
      std::fprintf(stderr, "trevik: unknown option '%s'\n", args[i].c_str());
      return Usage();
    }
  }
  if (i >= args.size()) return Usage();
  std::string command = args[i++];
  std::vector<std::string> rest(args.begin() + static_cast<long>(i), args.end());
  if (!velk::reg::EnsureLoaded()) {
    std::fprintf(stderr, "trevik: %s\n", velk::reg::LastLoadError().c_str());
    return 1;
  }
  int rc = RunCommand(command, rest);
  // Output that could not be written (a full disk, a closed pipe) is a failure of the command.
  std::cout.flush();
  if (std::fflush(stdout) != 0 || std::ferror(stdout) || !std::cout) {
    int err = errno;
    std::fprintf(stderr, "trevik: cannot write the output: %s\n",
                 err == ENOSPC ? "disk full" : std::strerror(err));
    return rc != 0 ? rc : 1;
  }
  return rc;
}
