#!/bin/sh
# The place/transition models of the 2021 model-checking contest as a folder of PNML files, for
# bench/peers.sh: from a copy of the public archive yanntm/pnmcc-models-2021 (its branch gh-pages
# holds INPUTS/NAME.tgz, each with NAME/model.pnml), every "-PT-" instance, or only the smallest or
# the second smallest instance (by archive size) of each family, written as OUT/NAME.pnml.
#
# Usage: bench/contest.sh ARCHIVE OUT [smallest|second|all]
#
# ARCHIVE is a clone of the archive (`git clone -b gh-pages --depth 1
# https://github.com/yanntm/pnmcc-models-2021`) or its INPUTS folder. Coloured instances ("-COL-")
# are left out: Pelorin reads place/transition nets. The default is "smallest".
archive=$1
out=$2
which=${3:-smallest}
[ -d "$archive/INPUTS" ] && archive="$archive/INPUTS"
if [ ! -d "$archive" ] || [ -z "$out" ]; then
  echo "usage: bench/contest.sh ARCHIVE OUT [smallest|second|all]" >&2
  exit 2
fi
mkdir -p "$out" || exit 2
# NAME and size of every instance, the smallest first; the family is NAME up to "-PT-"
ls -l "$archive"/*-PT-*.tgz | awk '{ print $5, $NF }' | sort -n | while read -r size file; do
  name=$(basename "$file" .tgz)
  family=${name%%-PT-*}
  if [ "$which" != all ]; then
    # .family-F holds one line per instance of F seen so far
    echo >>"$out/.family-$family"
    seen=$(wc -l <"$out/.family-$family")
    [ "$which" = smallest ] && [ "$seen" -ne 1 ] && continue
    [ "$which" = second ] && [ "$seen" -ne 2 ] && continue
  fi
  tar xzf "$file" -O "$name/model.pnml" >"$out/$name.pnml" 2>/dev/null || {
    rm -f "$out/$name.pnml"
    echo "no model.pnml in $file" >&2
  }
done
rm -f "$out"/.family-*
