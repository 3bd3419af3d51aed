#include <iostream>
#include <string_view>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "shell/desktop_main.h"
#include "updates/appcast_updater.h"

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  // Without a command, Marlinet runs on the desktop.
  if (argc == 1) return marlinet::shell::runDesktop(argc, argv, std::cerr);
  // The desktop's automatic update check, run apart from it (see AppcastUpdater).
  if (argc == 2 && argv[1] == marlinet::updates::probeArgument) return marlinet::updates::runUpdateProbe(argc, argv);
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  const int status = marlinet::runCommandLine(arguments, std::cin, std::cout, std::cerr);
  std::cout.flush();
  return status;
}
