// The JSON report as a stage: the document byte for byte from a name table and a solution file,
// coefficients of any size, unnamed elements, no semiflows, a document that a failure ends with
// its error, and the error document.
#include "report/jsonreport.h"

#include "support/testutil.h"

namespace pelorin {
namespace {

const char kHead[] =
    "{\n  \"program\": \"Pelorin\",\n  \"version\": \"1.0.1alpha\",\n  \"input\": \"-\",\n  \"format\": \"net\",\n"
    "  \"net\": \"n\",\n  \"places\": 3,\n  \"transitions\": 1,\n  \"kind\": \"P\",\n  \"isolated\": [],\n"
    "  \"mode\": \"sequential\",\n"
    "  \"minimal\": true,\n  \"covered\": false,\n  \"check\": \"not invariant\",\n";

JsonRun SomeRun() {
  JsonRun run;
  run.input = "-";
  run.format = "net";
  run.net = "n";
  run.places = 3;
  run.transitions = 1;
  run.mode = "sequential";
  run.minimal = true;
  run.check = "not invariant";
  run.seconds = 1.5;
  return run;
}

TEST(WriteJsonReport, CoefficientsOfAnySizeAndUnnamedElements) {
  TempDir dir;
  WriteFile(dir / "t", "1 p1\n2 {p 2}\n");
  WriteFile(dir / "s", "1 1 1\n1 7 340282366920938463463374607431768211457\n# c\n\n3 2 +007\n");
  WriteFile(dir / "out", "old content\n");
  WriteJsonReport(SomeRun(), dir / "t", dir / "s", dir / "out");
  EXPECT_EQ(ReadFile(dir / "out"),
            std::string(kHead) +
                "  \"semiflows\": [\n"
                "    {\"index\": 1, \"support\": [{\"name\": \"p1\", \"number\": 1, \"coefficient\": 1}, "
                "{\"name\": \"#7\", \"number\": 7, \"coefficient\": 340282366920938463463374607431768211457}]},\n"
                "    {\"index\": 3, \"support\": [{\"name\": \"{p 2}\", \"number\": 2, \"coefficient\": 7}]}\n"
                "  ],\n  \"count\": 2,\n  \"time\": 1.500\n}\n");

  JsonRun digest = SomeRun();
  digest.listed = false;
  WriteJsonReport(digest, dir / "t", dir / "s", dir / "out");
  EXPECT_EQ(ReadFile(dir / "out"), std::string(kHead) + "  \"count\": 2,\n  \"time\": 1.500\n}\n");

  WriteFile(dir / "s", "");
  WriteJsonReport(SomeRun(), dir / "t", dir / "s", dir / "out");
  EXPECT_EQ(ReadFile(dir / "out"), std::string(kHead) + "  \"semiflows\": [\n  ],\n  \"count\": 0,\n  \"time\": 1.500\n}\n");
}

TEST(WriteJsonReport, FailuresAndTheErrorDocument) {
  TempDir dir;
  WriteFile(dir / "t", "1 p1\n");
  WriteFile(dir / "s", "1 x 1\n");
  ExpectFail(4, "*** malformed line 1 in file " + (dir / "s") + "\n",
             [&] { WriteJsonReport(SomeRun(), dir / "t", dir / "s", dir / "out"); });
  const std::string error = "  \"error\": {\"code\":4,\"message\":\"*** malformed line 1 in file " + (dir / "s") + "\"}\n}\n";
  EXPECT_EQ(ReadFile(dir / "out"), std::string(kHead) + "  \"semiflows\": [\n  ],\n" + error);
  // a failure within the listing or after it ends the document with "error", the list closed
  WriteFile(dir / "s", "1 1 1\n2 1 2\n3 1 3\n3 x\n");  // semiflow 3 is not whole
  ExpectFailure([&] { WriteJsonReport(SomeRun(), dir / "t", dir / "s", dir / "out"); });
  const std::string listed =
      "  \"semiflows\": [\n"
      "    {\"index\": 1, \"support\": [{\"name\": \"p1\", \"number\": 1, \"coefficient\": 1}]},\n"
      "    {\"index\": 2, \"support\": [{\"name\": \"p1\", \"number\": 1, \"coefficient\": 2}]}\n  ],\n";
  EXPECT_EQ(ReadFile(dir / "out"), std::string(kHead) + listed + "  \"error\": {\"code\":4,\"message\":\"*** malformed line 4 in file " + (dir / "s") + "\"}\n}\n");
  JsonRun digest = SomeRun();
  digest.listed = false;
  ExpectFailure([&] { WriteJsonReport(digest, dir / "t", dir / "s", dir / "out"); });
  EXPECT_EQ(ReadFile(dir / "out"), std::string(kHead) + "  \"error\": {\"code\":4,\"message\":\"*** malformed line 4 in file " + (dir / "s") + "\"}\n}\n");
  EXPECT_EQ(ExpectFailure([&] { WriteJsonReport(SomeRun(), dir / "none", dir / "s", dir / "out"); }).message,
            "*** error open file " + (dir / "none") + "\n");

  WriteJsonError(dir / "out", 5, "*** integer overflow\n");
  EXPECT_EQ(ReadFile(dir / "out"), "{\"error\":{\"code\":5,\"message\":\"*** integer overflow\"}}\n");
}

}  // namespace
}  // namespace pelorin
