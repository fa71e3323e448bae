// pelorin_readnet INPUT BASE: the net conversion alone, as a run does it first: reads the net
// (any of the three formats), writes BASE.spm, BASE.nmp and BASE.nmt and the digest summary to
// standard output, and prints the detected format. For measuring the readers (bench/pnml.sh).
#include <cstdio>
#include <string>

#include "net/readnet.h"
#include "matrix/failure.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fputs("usage: pelorin_readnet INPUT BASE\n", stderr);
    return 2;
  }
  try {
    const std::string report = "-";
    const pelorin::NetFormat format = pelorin::ConvertNet(argv[1], argv[2], &report, 0).summary.format;
    std::printf("format %s\n", pelorin::NetFormatName(format));
  } catch (const pelorin::Failure& failure) {
    return pelorin::ReportFailure(failure);
  }
  return 0;
}
