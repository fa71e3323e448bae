#!/usr/bin/python3
"""A lower bound on the number of minimal-support semiflows of a net, from one face of its cone.

    bench/facebound.py PELORIN NET -P|-T SELECT [SECONDS]

SELECT chooses the nodes of the kind asked for (places for -P, transitions for -T) that may
stay non-zero; every other one is set to zero:
    keep:REGEX      the nodes whose names match REGEX entirely
    drop:REGEX      all but the nodes whose names match REGEX entirely
    dropline:REGEX  (-T only) all but the transitions whose listing line contains REGEX
    random:SHARE:SEED  each node with probability SHARE, drawn in name order from SEED

The semiflows that vanish on the other nodes form a face of the cone, and the extreme rays of a
face are extreme rays of the cone. So the count that `--minimal --classes` prints for the net
without those nodes (for -P: the places left out of every arc; for -T: the transitions left
out) is a lower bound on the count of the whole net. Faces on disjoint node sets share no
semiflow, so their counts add up.

Reads NET through PELORIN's own listing (`-v`), writes the face as a .net file into a temporary
directory, runs PELORIN on it with SECONDS of processor time (default 60) and prints
"NODES nodes kept: COUNT" or the run's failure. Leaves nothing behind."""
import random
import re
import resource
import shutil
import subprocess
import sys
import tempfile


def listing(pelorin, net, work):
    """The transition lines of PELORIN's listing of NET, in .net syntax."""
    out = subprocess.run([pelorin, '--flows', '-P', '-v', '-w', work + '/listing', net, '-'],
                         capture_output=True, text=True, check=True).stdout
    return [line for line in out.splitlines() if line.startswith('tr ')]


def chooser(select):
    """A test on (name, line) for the nodes that stay."""
    how, _, pattern = select.partition(':')
    if how == 'random':
        share, seed = pattern.split(':')
        draw, drawn = random.Random(int(seed)), {}
        return lambda name, line: drawn.setdefault(name, draw.random() < float(share))
    rx = re.compile(pattern)
    if how == 'keep':
        return lambda name, line: rx.fullmatch(name) is not None
    if how == 'drop':
        return lambda name, line: rx.fullmatch(name) is None
    if how == 'dropline':
        return lambda name, line: rx.search(line) is None
    sys.exit('*** SELECT must begin with keep:, drop: or dropline:')


def face(lines, kind, stays):
    """The .net text of the face and the number of nodes of the kind that stay."""
    if kind == '-P':
        names = sorted({w.split('*')[0] for line in lines for w in line.split()[2:] if w != '->'})
    else:
        names = sorted(line.split()[1] for line in lines)
    for name in names:
        stays(name, '')  # a random choice is drawn in name order, whatever the listing's order
    out, kept = ['net face'], set()
    for line in lines:
        words = line.split()
        if kind == '-T':
            if stays(words[1], line):
                out.append(line)
                kept.add(words[1])
            continue
        arcs = [w for w in words[2:] if w == '->' or stays(w.split('*')[0], line)]
        kept.update(w.split('*')[0] for w in arcs if w != '->')
        out.append(' '.join(words[:2] + arcs))
    return '\n'.join(out) + '\n', len(kept)


def count(pelorin, netfile, kind, seconds, work):
    """The count `--minimal --classes` gives for the face, or its failure."""
    def limit():
        resource.setrlimit(resource.RLIMIT_CPU, (seconds, seconds))
    run = subprocess.run([pelorin, '--minimal', '--classes', kind, '-q', '-w', work + '/face',
                          netfile, '-'], capture_output=True, text=True, preexec_fn=limit)
    found = re.search(r'(\d+) minimal semiflow', run.stdout)
    if run.returncode == 0 and found:
        return found.group(1)
    last = run.stderr.strip().splitlines()[-1:]
    return ' '.join(['no answer in %d s' % seconds] + last)


def main():
    if len(sys.argv) not in (5, 6) or sys.argv[3] not in ('-P', '-T'):
        sys.exit(__doc__.split('\n\n')[1])
    pelorin, net, kind, select = sys.argv[1:5]
    seconds = int(sys.argv[5]) if len(sys.argv) == 6 else 60
    work = tempfile.mkdtemp()
    try:
        text, kept = face(listing(pelorin, net, work), kind, chooser(select))
        with open(work + '/face.net', 'w') as f:
            f.write(text)
        print('%d nodes kept: %s' % (kept, count(pelorin, work + '/face.net', kind, seconds, work)))
    finally:
        shutil.rmtree(work)


main()
