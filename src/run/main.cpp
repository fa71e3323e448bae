// Entry of the Pelorin executable.
#include <string>
#include <vector>

#include "run/Pelorin.h"

int main(int argc, char** argv) {
  std::vector<std::string> words(argv + (argc > 0 ? 1 : 0), argv + argc);
  return pelorin::RunPelorin(words);
}
