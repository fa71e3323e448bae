// The transpose of a matrix file (matrixfiles.h).
#include "support/matrixfiles.h"

#include "matrix/spm.h"
#include "matrix/textfile.h"

namespace pelorin::test {

void TransposeMatrix(const std::string& source, const std::string& target) {
  File in = OpenFile(source, "r");
  File out = OpenFile(target, "w");
  ForEachDataLine(
      in.get(), CommentRule::kHash, 1,
      [&](std::string_view line, long number) {
        const Element e = ParseElementLine(line, source, number);
        WriteElement(out.get(), e.col, e.row, e.value);
      },
      [&](std::string_view line) {  // comment and blank lines unchanged
        WriteText(out.get(), line);
        if (line.back() != '\n') WriteText(out.get(), "\n");
      });
  CloseFile(out, target);
}

}  // namespace pelorin::test
