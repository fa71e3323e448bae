// Entry of the Pelorin executable: the process is prepared (run/startup.h), then the run is made.
#include <string>
#include <vector>

#include "matrix/failure.h"
#include "run/cli.h"
#include "run/startup.h"

int main(int argc, char** argv) {
  using namespace pelorin;
  if (!PrepareProcess()) return ReportFailure(Failure(kExitFile, "*** error open file /dev/null\n"));
  std::vector<std::string> words(argv + (argc > 0 ? 1 : 0), argv + argc);
  return RunPelorin(words);
}
