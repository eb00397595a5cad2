// ravelst: registers ("/R") or unregisters ("/U") the browser integration, or
// else starts the main program beside it.
#include <string>
#include <vector>

#include "registrar/registrar.h"

int main(int argc, char** argv) {
  std::vector<std::string> arguments;
  for (int i = 1; i < argc; ++i) arguments.emplace_back(argv[i]);
  return kestrune::registrar::RegistrarMain(arguments);
}
