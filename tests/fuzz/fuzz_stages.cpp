// Fuzz target: the stages on the files that their file forms read (tests/support/stagefiles.h,
// solverfiles.h), and so every reader of matrix and work files. The first byte chooses the
// stage; the rest is split at "\n%%\n" into the files that stage reads.
#include "fuzz_support.h"
#include "report/checkinvariants.h"
#include "report/writeinv.h"
#include "matrix/spm.h"
#include "support/solverfiles.h"
#include "support/stagefiles.h"
#include "support/subnetfiles.h"

namespace {

using namespace pelorin;
using namespace pelorin::fuzz;

// Writes the pieces as the named files.
void Lay(const std::vector<std::string>& pieces, const std::vector<std::string>& names) {
  for (size_t i = 0; i < names.size(); ++i) Write(names[i], pieces[i]);
}

// `which` chooses the stage (low bits) and its small arguments (high bits).
void RunStage(uint8_t which, const uint8_t* data, size_t size) {
  const std::string m = Path("m");
  const int option = which >> 4;
  switch (which % 12) {
    case 0: Lay(Split(data, size, 1), {"m"}); Toudic(m, Path("out")); break;
    case 1: Lay(Split(data, size, 1), {"m"}); DecomposeIntoFSN(m); break;
    case 2: Lay(Split(data, size, 1), {"m"}); MinimizeBasis(m, Path("out")); break;
    case 3: Lay(Split(data, size, 2), {"a", "b"}); MultiplySPM(Path("a"), Path("b"), Path("out")); break;
    case 4: Lay(Split(data, size, 1), {"g"}); CollapseOfGraph(static_cast<CollapseStrategy>("mrfix"[option % 5]), Path("g"), Path("t")); break;
    case 5: Lay(Split(data, size, 2), {"m.y", "m.t"}); FilterContactPlaces(m, 1 + (option & 3)); break;
    case 6: Lay(Split(data, size, 3), {"m.z", "m.i1", "m.i2"}); CreateCompositionSystem(m); break;
    case 7: Lay(Split(data, size, 3), {"m.z", "m.i1", "m.i2"}); ComposeJointMatrix(m); break;
    case 8: Lay(Split(data, size, 2), {"r0", "u"}); AddUnitSolutions(Path("r0"), Path("u"), Path("r")); break;
    case 9: Lay(Split(data, size, 2), {"m", "inv"}); CheckInvariants(ReadElementsFile(m), Path("inv")); break;
    case 10: Lay(Split(data, size, 2), {"nm", "inv"}); WriteInv(Path("nm"), Path("inv"), Path("out"), (option & 1) != 0); break;
    default: {
      Lay(Split(data, size, 1), {"m"});
      std::string line;
      ReadFusionSet(m, 1 + (option & 3), line);
      FusionMembers(line);
    }
  }
}

}  // namespace

// Every solution number up to the largest of a basis is an unknown of the composition system,
// with a unit solution of its own when it occurs nowhere: a hand-made basis numbered 10^9 makes
// a correct but enormous file. Solution files of a run are numbered 1, 2, ...; such inputs are
// passed over for the composition stages.
bool HugeNumbers(const uint8_t* data, size_t size) {
  size_t digits = 0;
  for (size_t i = 0; i < size; ++i) {
    digits = (data[i] >= '0' && data[i] <= '9') ? digits + 1 : 0;
    if (digits > 5) return true;
  }
  return false;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size > 1200) return 0;
  const int stage = data[0] % 12;
  if ((stage == 6 || stage == 7 || stage == 8) && HugeNumbers(data + 1, size - 1)) return 0;
  ClearWorkDir();
  Guard([&] { RunStage(data[0], data + 1, size - 1); });
  return 0;
}
