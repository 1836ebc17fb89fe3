// kortools: the command-line automation host of the korTools library.
//
//   kortools serve [--max-request-bytes N] [--max-array-elements N]
//                                           JSON requests, one per line
//   kortools call Class.Member [ARG ...]    one call from the shell
//   kortools describe [Name] [--json]       the type information
//   kortools describe --idl                 the type library as IDL
//   kortools path --to-posix|--to-windows NAME...   path names for scripts
//   kortools --version                      library and type-library versions
#include <csignal>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include <CLI/CLI.hpp>

#include "host/call_command.h"
#include "host/describe.h"
#include "host/idl.h"
#include "host/path_command.h"
#include "host/serve.h"
#include "kortools/typeinfo.h"

namespace {

// The first line is the program's name and version; the type library's
// version comes from the library that is loaded.
std::string VersionText() {
  const kor::TypeLibraryInfo& lib = kor::TypeLibrary();
  return "kortools " KORTOOLS_VERSION "\nkorTools library " KORTOOLS_VERSION ", type library " + std::string(lib.name) +
         " " + std::to_string(lib.majorVersion) + "." + std::to_string(lib.minorVersion) + "\nLicence: MIT.";
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"The korTools automation host: calls the library's classes from other programs and from the shell.",
               "kortools"};
  app.require_subcommand(1);
  app.set_version_flag("--version", VersionText(), "Show the library's and the type library's versions and exit");

  CLI::App* serve = app.add_subcommand(
      "serve", "Answer JSON requests read from standard input, one per line, with one JSON response line each.");
  // The limits: the environment's, or the defaults; an option overrides them.
  kor::host::Limits limits;
  std::string limitsError;
  const bool limitsRead = kor::host::LimitsFromEnvironment(limits, limitsError);
  const auto limitOption = [](std::size_t& value) {
    return [&value](const std::string& text) {
      if (!kor::host::ParseLimit(text, value)) throw CLI::ValidationError("a whole number (0 for no limit)", text);
    };
  };
  serve
      ->add_option_function<std::string>(
          "--max-request-bytes", limitOption(limits.maxRequestBytes),
          "the longest request line answered; a longer one gets error 5 (default 2147483648, or "
          "KORTOOLS_MAX_REQUEST_BYTES; 0: no limit)")
      ->type_name("BYTES");
  serve
      ->add_option_function<std::string>(
          "--max-array-elements", limitOption(limits.maxArrayElements),
          "the most elements an array may have during a request; a larger one is error 7 (default 67108864, or "
          "KORTOOLS_MAX_ARRAY_ELEMENTS; 0: no limit)")
      ->type_name("COUNT");

  CLI::App* call = app.add_subcommand(
      "call", "Call a member of a class's global instance; the arguments convert to the member's parameter types.");
  std::string member;
  call->add_option("member", member, "Class.Member, for example korParse.ParseString")->required();
  call->footer(
      "ARG ...: the arguments, in parameter order; every word after the member is one, even \"-1\" or "
      "\"--\".");

  CLI::App* describe =
      app.add_subcommand("describe", "Show the classes, their members and the enumerations of the type library.");
  std::string name;
  bool asJson = false;
  bool asIdl = false;
  auto* nameOption =
      describe->add_option("name", name, "only this class (with the enumerations it uses) or enumeration");
  auto* jsonFlag = describe->add_flag("--json", asJson, "write the type information as one JSON object");
  describe->add_flag("--idl", asIdl, "write the whole type library as IDL, for widl or MIDL")
      ->excludes(nameOption)
      ->excludes(jsonFlag);

  CLI::App* path =
      app.add_subcommand("path", "Convert path names between the Windows and the POSIX form, one per line.");
  bool toPosix = false;
  bool toWindows = false;
  std::vector<std::string> names;
  auto* posixFlag = path->add_flag("--to-posix", toPosix, "Windows names (\\, drives, Z:) to POSIX names");
  auto* windowsFlag = path->add_flag("--to-windows", toWindows, "POSIX names to full Windows names");
  posixFlag->excludes(windowsFlag);
  path->add_option("names", names, "the names to convert")->required();

  // Set last, so that the commands do not inherit it.
  app.footer(
      "Examples:\n"
      "  kortools call korParse.ParseString 'a,b,c' , 2        prints b\n"
      "  echo '{\"id\":1,\"call\":\"korFileMan.GetFilename\",\"args\":[\"C:\\\\x\\\\y.txt\"]}' | kortools serve\n"
      "  kortools describe korParse\n"
      "\n"
      "kortools COMMAND --help describes one command; man kortools has more.");

  // The words after a call's member are its arguments, whatever they look
  // like, so the command line is parsed only up to the member.
  std::vector<std::string> callArgs;
  int parsed = argc;
  if (argc >= 3 && std::string_view(argv[1]) == "call") {
    const int at = std::string_view(argv[2]) == "--" ? 3 : 2;
    if (at < argc && argv[at][0] != '-') {
      callArgs.assign(argv + at + 1, argv + argc);
      parsed = at + 1;
    }
  }
  try {
    app.parse(parsed, argv);
  } catch (const CLI::ParseError& e) {
    // --help ends with status 0; a command line that does not parse with 2.
    return app.exit(e) == 0 ? 0 : 2;
  }

  if (!limitsRead && (serve->parsed() || call->parsed())) {
    std::cerr << "kortools: " << limitsError << "\n";
    return 2;
  }
  if (serve->parsed()) {
    // A reader that goes away ends the host instead of killing it.
    std::signal(SIGPIPE, SIG_IGN);
    std::ios::sync_with_stdio(false);
    return kor::host::Serve(std::cin, std::cout, limits);
  }
  if (call->parsed()) {
    return kor::host::RunCall(member, callArgs, std::cout, std::cerr, limits.maxArrayElements);
  }
  if (describe->parsed()) {
    if (!asIdl) return kor::host::Describe(name, asJson, std::cout, std::cerr);
    kor::host::WriteIdl(std::cout);
    return 0;
  }
  if (path->parsed()) {
    if (toPosix == toWindows) {
      std::cerr << "kortools path: give --to-posix or --to-windows\n";
      return 2;
    }
    return kor::host::RunPathCommand(names, toPosix, std::cout, std::cerr);
  }
  return 0;
}
