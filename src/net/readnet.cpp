// The net conversion (readnet.h): opens the files in their order, reads the input with the
// reader of its format (netreader.h, ndrreader.h, pnml.h) into the net model, writes the work
// files, the summary and the echo with the writers (netwriters.h), and hands the run the
// incidence matrix it wrote.
#include "net/readnet.h"

#include <cstdint>
#include <cstdio>
#include <new>
#include <string_view>
#include <utility>

#include "matrix/failure.h"
#include "matrix/textfile.h"
#include "net/ndrreader.h"
#include "net/netinput.h"
#include "net/netmodel.h"
#include "net/netreader.h"
#include "net/netwriters.h"
#include "net/pnml.h"

namespace pelorin {
namespace {

// Memory exhausted while the net is read or written out.
template <class F>
void WithNetMemory(const char* message, F&& work) {
  try {
    work();
  } catch (const std::bad_alloc&) {
    Fail(kExitNetMemory, message);
  }
}

// Writes one name table, created anew.
void WriteTable(const std::string& name, const NetModel& net, void (*write)(const NetModel&, std::FILE*)) {
  File out = OpenFile(name, "w");
  WithNetMemory("*** not enough memory\n", [&] { write(net, out.get()); });
  CloseFile(out, name);
}

// The empty model with its first room made.
void AllocateModel(NetModel& net) {
  WithNetMemory("*** not enough memory for net\n", [&] {
    net.pn.reserve(1024);
    net.tn.reserve(1024);
    net.pn.emplace_back();
    net.tn.emplace_back();
    for (ArcTable* arcs : {&net.apt, &net.atp}) {
      arcs->place.reserve(2048);
      arcs->transition.reserve(2048);
      arcs->weight.reserve(2048);
    }
  });
}

// Reads the input into `net`; returns its format.
NetFormat ReadModel(NetModel& net, std::FILE* in) {
  NetFormat format = NetFormat::kNet;
  WithNetMemory("*** not enough memory\n", [&] {
    Mapping map = MapRegularFile(in);
    const std::string_view mapped(map.get(), map.get_deleter().size);
    if (map && IsPnml(mapped)) {  // PNML straight from the file's pages
      format = NetFormat::kPnml;
      ReadPNML(net, mapped, [&] { map.reset(); });
      return;
    }
    map.reset();
    std::string text = ReadInput(in);
    format = RecognizeNetFormat(text);
    if (format == NetFormat::kPnml) {
      ReadPNML(net, text, [&] { std::string().swap(text); });
    } else if (format == NetFormat::kNdr) {
      ReadNDR(net, text);
    } else {
      ReadNET(net, text);
    }
  });
  return format;
}

}  // namespace

NetConversion ConvertNet(const std::string& input, const std::string& base, const std::string* output, int detail) {
  const std::string spmName = base + kIncidenceSuffix;
  File in = input == "-" ? File(stdin) : OpenFile(input, "r");
  File spm = OpenFile(spmName, "w");
  NetModel net;
  AllocateModel(net);
  NetConversion conversion;
  NetSummary& summary = conversion.summary;
  summary.format = ReadModel(net, in.get());
  in.reset();
  conversion.incidence = WriteSPM(net, spm.get());
  CloseFile(spm, spmName);
  WriteTable(base + kPlaceNamesSuffix, net, WriteNMP);
  WriteTable(base + kTransitionNamesSuffix, net, WriteNMT);
  if (output != nullptr) {
    File out = OpenOutput(*output, "a");
    WithNetMemory("*** not enough memory\n", [&] {
      WriteSummary(net, out.get());
      if (detail != 0) WriteNet(net, out.get());
    });
    CloseFile(out, *output);
  }
  summary.places = net.m();
  summary.transitions = net.n();
  WithNetMemory("*** not enough memory\n", [&] {
    summary.name = NetName(net);
    summary.marking = InitialMarking(net);
  });
  return conversion;
}

}  // namespace pelorin
