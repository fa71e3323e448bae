// pelorin_netgen FAMILY N [SEED]: writes a net of a scalable family in the ".net" format to
// standard output. Families: philosophers, tokenring, pipeline, buffered, sharedres, grid,
// modular, random.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::string text;

void Tr(const std::string& name, const std::vector<std::string>& in, const std::vector<std::string>& out) {
  text += "tr " + name;
  for (const auto& p : in) text += " " + p;
  text += " ->";
  for (const auto& p : out) text += " " + p;
  text += "\n";
}

std::string S(const char* prefix, int i) { return prefix + std::to_string(i); }
std::string S(const char* prefix, int i, int j) { return prefix + std::to_string(i) + "_" + std::to_string(j); }

// N philosophers around N forks.
void Philosophers(int n) {
  for (int i = 0; i < n; ++i) {
    const int r = (i + 1) % n;
    Tr(S("takeL", i), {S("think", i), S("fork", i)}, {S("hasL", i)});
    Tr(S("takeR", i), {S("hasL", i), S("fork", r)}, {S("eat", i)});
    Tr(S("put", i), {S("eat", i)}, {S("think", i), S("fork", i), S("fork", r)});
  }
}

// N stations passing one token around a ring; a station uses the resource while it holds it.
void TokenRing(int n) {
  for (int i = 0; i < n; ++i) {
    Tr(S("pass", i), {S("token", i)}, {S("token", (i + 1) % n)});
    Tr(S("use", i), {S("token", i), S("idle", i)}, {S("busy", i)});
    Tr(S("done", i), {S("busy", i)}, {S("token", i), S("idle", i)});
  }
}

// N producer/consumer modules in a chain, each joined to the next through a buffer place.
void Pipeline(int n) {
  for (int i = 0; i < n; ++i) {
    Tr(S("get", i), {S("ready", i)}, {S("work", i)});
    if (i > 0) Tr(S("take", i), {S("work", i), S("buf", i - 1)}, {S("full", i)});
    else Tr(S("take", i), {S("work", i)}, {S("full", i)});
    if (i + 1 < n) Tr(S("put", i), {S("full", i)}, {S("ready", i), S("buf", i)});
    else Tr(S("put", i), {S("full", i)}, {S("ready", i)});
  }
}

// N stages in a chain joined by bounded buffers: stage i takes an item from the buffer before it
// (freeing a slot there) and gives one to the buffer after it (taking a slot there).
void Buffered(int n) {
  for (int i = 0; i < n; ++i) {
    std::vector<std::string> takeIn = {S("idle", i)}, takeOut = {S("busy", i)};
    if (i > 0) {
      takeIn.push_back(S("item", i - 1));
      takeOut.push_back(S("slot", i - 1));
    }
    Tr(S("take", i), takeIn, takeOut);
    std::vector<std::string> giveIn = {S("busy", i)}, giveOut = {S("idle", i)};
    if (i + 1 < n) {
      giveIn.push_back(S("slot", i));
      giveOut.push_back(S("item", i));
    }
    Tr(S("give", i), giveIn, giveOut);
  }
}

// N processes sharing N/2 + 1 resources, each process taking two of them in turn.
void SharedResources(int n) {
  const int resources = n / 2 + 1;
  for (int i = 0; i < n; ++i) {
    const std::string a = S("res", i % resources), b = S("res", (i + 1) % resources);
    Tr(S("first", i), {S("idle", i), a}, {S("one", i)});
    Tr(S("second", i), {S("one", i), b}, {S("both", i)});
    Tr(S("release", i), {S("both", i)}, {S("idle", i), a, b});
  }
}

// An N x N grid of two-state machines; each sends a message to its right and lower neighbour
// and waits for the ones from the left and from above.
void Grid(int n) {
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) {
      std::vector<std::string> in = {S("idle", i, j)}, out = {S("work", i, j)};
      if (j > 0) in.push_back(S("right", i, j - 1));
      if (i > 0) in.push_back(S("down", i - 1, j));
      Tr(S("start", i, j), in, out);
      std::vector<std::string> back = {S("idle", i, j)};
      if (j + 1 < n) back.push_back(S("right", i, j));
      if (i + 1 < n) back.push_back(S("down", i, j));
      Tr(S("stop", i, j), {S("work", i, j)}, back);
    }
}

// A linear congruential generator: the same draws for the same seed on every machine.
struct Draws {
  uint64_t state;
  int next(int below) {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<int>((state >> 33) % static_cast<uint64_t>(below));
  }
};

// N cyclic state machines of random length (2 to 5 states s<i>_<k>); returns the lengths.
std::vector<int> StateMachines(int n, Draws& draws) {
  std::vector<int> length(n);
  for (int i = 0; i < n; ++i) {
    length[i] = 2 + draws.next(4);
    for (int k = 0; k < length[i]; ++k)
      Tr(S("m", i, k), {S("s", i, k)}, {S("s", i, (k + 1) % length[i])});
  }
  return length;
}

// N state machines of random length, joined at random through send/receive buffer places.
void Modular(int n, uint32_t seed) {
  Draws draws{seed};
  const std::vector<int> length = StateMachines(n, draws);
  for (int i = 1; i < n; ++i) {
    const int j = draws.next(i);
    const int ks = draws.next(length[j]), kr = draws.next(length[i]);
    Tr(S("send", j, i), {S("s", j, ks)}, {S("s", j, ks), S("msg", j, i)});
    Tr(S("recv", j, i), {S("s", i, kr), S("msg", j, i)}, {S("s", i, kr)});
  }
}

// N state machines of random length and N message places, each sent by a random transition of one
// machine and received by a random transition of another, in either direction.
void Random(int n, uint32_t seed) {
  Draws draws{seed};
  const std::vector<int> length = StateMachines(n, draws);
  for (int m = 0; m < n && n > 1; ++m) {
    const int from = draws.next(n);
    const int to = (from + 1 + draws.next(n - 1)) % n;
    const int ks = draws.next(length[from]), kr = draws.next(length[to]);
    Tr(S("send", m), {S("s", from, ks)}, {S("s", from, ks), S("msg", m)});
    Tr(S("recv", m), {S("s", to, kr), S("msg", m)}, {S("s", to, kr)});
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fputs("usage: pelorin_netgen philosophers|tokenring|pipeline|buffered|sharedres|grid|modular|random N [SEED]\n",
               stderr);
    return 2;
  }
  const std::string family = argv[1];
  const int n = std::atoi(argv[2]);
  text = "net " + family + std::to_string(n) + "\n";
  if (family == "philosophers") Philosophers(n);
  else if (family == "tokenring") TokenRing(n);
  else if (family == "pipeline") Pipeline(n);
  else if (family == "buffered") Buffered(n);
  else if (family == "sharedres") SharedResources(n);
  else if (family == "grid") Grid(n);
  else if (family == "modular") Modular(n, argc > 3 ? static_cast<uint32_t>(std::atoi(argv[3])) : 1u);
  else if (family == "random") Random(n, argc > 3 ? static_cast<uint32_t>(std::atoi(argv[3])) : 1u);
  else {
    std::fprintf(stderr, "unknown family %s\n", family.c_str());
    return 2;
  }
  std::fputs(text.c_str(), stdout);
  return 0;
}
