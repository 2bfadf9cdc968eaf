// Entry point of qualtren-cli: the code page from the locale variables, then
// the command line.
#include <unistd.h>

#include <iostream>

#include "base/codepage.h"
#include "base/locale.h"
#include "cli/commands.h"

int main(int argc, char** argv) {
  qualtren::SetActiveCodePage(qualtren::CodePageForLocale(qualtren::LocaleNameFromEnvironment()));
  qualtren::CliIo io{std::cin, std::cout, std::cerr, ::isatty(STDERR_FILENO) == 1,
                     ::isatty(STDOUT_FILENO) == 1};
  return qualtren::RunCli(argc, argv, io);
}
