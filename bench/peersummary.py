#!/usr/bin/env python3
"""The summary of one or more tables of bench/peers.sh (read from the files given, or standard input).

Prints, in Markdown: how many runs each tool answered, whether the counts of "--minimal" and of
the peers' extreme rays agree, the runs that a peer answered and "--minimal" did not, and the
ratio of the processor time of "--minimal" to that of the fastest peer, over the runs where that
peer needs 0.05 s or more. The fastest peer is taken twice: among the exact tools (4ti2's two
variants and Normaliz, whose sets are the extreme rays) and among all, PetriSpot included (whose
set need not be the minimal-support one). A peer run marked "same as" (the matrix of an earlier
net) is left out of the peers' figures.

Usage: bench/peersummary.py TABLE...
"""
import statistics
import sys

TOOLS = ["--minimal", "4ti2 -p 64", "4ti2 -p 64 -s", "Normaliz", "PetriSpot"]


def rows(lines):
    """Each run of the tables as (net, kind, semiflows, [(seconds, status)] * 5, rays)."""
    for line in lines:
        cells = [c.strip() for c in line.strip().strip("|").split("|")]
        if len(cells) != 19 or not cells[0].endswith((".pnml", ".net", ".ndr")):
            continue
        tools = [(cells[i], cells[i + 2]) for i in (3, 6, 9, 12, 15)]
        yield cells[0], cells[1], cells[2], tools, cells[18]


def answered(tool, seconds, status):
    """True where the run ended with a result: exit code 0 (PetriSpot: a count) within the limit."""
    if seconds.startswith(">") or seconds == "-":
        return False
    if tool == "PetriSpot":
        return status.isdigit()
    return status.split()[0] == "0"


def summarize(runs):
    total = len(runs)
    counts = dict.fromkeys(TOOLS, 0)
    ran = dict.fromkeys(TOOLS, 0)
    agree = differ = 0
    missed, ratios_exact, ratios_all, over = [], [], [], []
    for net, kind, flows, tools, rays in runs:
        ok = [answered(t, s, st) for t, (s, st) in zip(TOOLS, tools)]
        for t, a, (_, status) in zip(TOOLS, ok, tools):
            counts[t] += a
            ran[t] += status not in ("not run", "not PNML", "no matrix") and not status.startswith("same as")
        rays = rays.split()[0] if rays else rays
        if ok[0] and rays.isdigit():
            if flows == rays:
                agree += 1
            else:
                differ += 1
                print(f"count differs: {net} {kind}: --minimal {flows}, rays {rays}", file=sys.stderr)
        if not ok[0] and any(ok[1:]):
            who = ", ".join(t for t, a in zip(TOOLS[1:], ok[1:]) if a)
            missed.append(f"{net} {kind} ({who})")
        if not ok[0]:
            continue
        ours = float(tools[0][0])
        for pool, ratios in ((range(1, 4), ratios_exact), (range(1, 5), ratios_all)):
            times = [float(tools[i][0]) for i in pool if ok[i]]
            if times and min(times) >= 0.05:
                ratios.append(ours / min(times))
                if ratios is ratios_all and ours > 2 * min(times):
                    over.append(f"{net} {kind}: {ours:.2f} s against {min(times):.2f} s")
    print(f"| tool | runs answered | runs made (of {total}) |")
    print("|---|---:|---:|")
    for t in TOOLS:
        print(f"| {t} | {counts[t]} | {ran[t]} |")
    print()
    print(f"Counts of `--minimal` against the extreme rays of 4ti2 or Normaliz: {agree} equal, {differ} differ.")
    for name, ratios in (("the fastest exact peer", ratios_exact), ("the fastest peer, PetriSpot included", ratios_all)):
        if ratios:
            print(f"Processor time of `--minimal` / {name}, over the {len(ratios)} runs where it needs 0.05 s or more: "
                  f"median {statistics.median(ratios):.2f}, largest {max(ratios):.2f}, "
                  f"{sum(r > 2 for r in ratios)} above 2.")
    print()
    print("Answered by a peer and not by `--minimal`:" + ("" if missed else " none."))
    for m in missed:
        print(f"- {m}")
    print()
    print("Above twice the fastest peer's time (that peer 0.05 s or more):" + ("" if over else " none."))
    for o in over:
        print(f"- {o}")


def main():
    lines = []
    for name in sys.argv[1:] or ["-"]:
        lines += (sys.stdin if name == "-" else open(name)).readlines()
    summarize(list(rows(lines)))


if __name__ == "__main__":
    main()
