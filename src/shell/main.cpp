#include <iostream>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "shell/desktop_main.h"

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  // Without a command, Marlinet runs on the desktop.
  if (argc == 1) return marlinet::shell::runDesktop(argc, argv, std::cerr);
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  const int status = marlinet::runCommandLine(arguments, std::cin, std::cout, std::cerr);
  std::cout.flush();
  return status;
}
