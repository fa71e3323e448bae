#!/usr/bin/env python3
"""Counts the minimal-support semiflows of a net through its parallel nodes.

Two places (for P-semiflows; transitions for T-semiflows) are parallel when their rows of the
incidence matrix are positive multiples of each other. A semiflow of minimal support holds at
most one node of each such class (with two, moving weight from one to the other empties one of
them), and each choice of one node per class in a minimal support gives another one. So the
minimal semiflows of the net are those of the net with one node per class, each expanded into
the product of the sizes of the classes in its support; nodes whose row is zero are semiflows
on their own.

The script solves the merged net with Pelorin --minimal and prints that count, which may be far
too large to list. The matrix comes from the work file Pelorin writes at debug level 1 before it
solves; the first run is stopped after a second, its answer is not needed.

Usage: bench/parallelplaces.py PELORIN NET {-P|-T} [SECONDS]
Prints: "nodes N classes K merged-semiflows M semiflows S" (M and S absent when the merged net
takes longer than SECONDS, 60 by default).
"""
import collections
import math
import os
import subprocess
import sys
import tempfile


def rows_of(path):
    rows = collections.defaultdict(lambda: collections.defaultdict(int))
    with open(path) as f:
        for line in f:
            words = line.split()
            if not words or line.startswith('#'):
                continue
            row, col = int(words[0]), int(words[1])
            rows[row][col] += int(words[2]) if len(words) > 2 else 1
    return rows


def classes_of(rows):
    """Class key (the row divided by the gcd of its entries) -> nodes, in row order."""
    classes = collections.defaultdict(list)
    for row in sorted(rows):
        entries = sorted((c, v) for c, v in rows[row].items() if v != 0)
        g = 0
        for _, v in entries:
            g = math.gcd(g, abs(v))
        classes[tuple((c, v // g) for c, v in entries)].append(row)
    return classes


def write_merged_net(path, classes, kind):
    """One node per class, named nR after its first node R; the other dimension as it is."""
    arcs = collections.defaultdict(lambda: ([], []))  # transition -> (inputs, outputs)
    for key, nodes in classes.items():
        for col, value in key:
            place, transition = (f'n{nodes[0]}', f'c{col}') if kind == '-P' else (f'c{col}', f'n{nodes[0]}')
            weight = f'*{abs(value)}' if abs(value) > 1 else ''
            arcs[transition][0 if value < 0 else 1].append(place + weight)
    with open(path, 'w') as f:
        f.write('net merged\n')
        for transition, (inputs, outputs) in arcs.items():
            f.write(f"tr {transition} {' '.join(inputs)} -> {' '.join(outputs)}\n")


def main():
    pelorin, net, kind = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2]), sys.argv[3]
    limit = float(sys.argv[4]) if len(sys.argv) > 4 else 60
    with tempfile.TemporaryDirectory() as work:
        base = os.path.join(work, 'w')
        try:
            subprocess.run([pelorin, '-q', kind, '--minimal', '-d', '1', '-w', base, net, os.devnull],
                           cwd=work, timeout=1, capture_output=True)
        except subprocess.TimeoutExpired:
            pass
        rows = rows_of(base + ('.spm' if kind == '-P' else '.spmt'))
        classes = classes_of(rows)
        zero = len(classes.pop((), []))
        size = {f'n{nodes[0]}': len(nodes) for nodes in classes.values()}
        print(f'nodes {len(rows)} classes {len(classes) + zero}', end='')
        merged = os.path.join(work, 'merged.net')
        write_merged_net(merged, classes, kind)
        try:
            report = subprocess.run([pelorin, '-v', kind, '--minimal', '-w', os.path.join(work, 'm'), merged, '-'],
                                    cwd=work, timeout=limit, capture_output=True, text=True).stdout
        except subprocess.TimeoutExpired:
            print()
            return
        count, total = 0, zero
        for line in report.splitlines():
            words = line.split()
            if words and all(w.split('*')[0] in size for w in words):
                count += 1
                total += math.prod(size[w.split('*')[0]] for w in words)
        print(f' merged-semiflows {count} semiflows {total}')


if __name__ == '__main__':
    main()
