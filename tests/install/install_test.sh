#!/bin/sh
# Installs the build into a temporary prefix and checks what a user gets there: bin/Pelorin that
# runs and tells its version, the manual page that man renders without warnings and that
# describes every option of --help, and the bash completion that offers the same options and,
# for the input, the nets of the folder.
# Usage: install_test.sh BUILD_DIR SOURCE_DIR   (the parts that need man, groff or bash are
# skipped, with a note, where those are not installed)
set -eu
build=$1
source=$2
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
fail() {
  echo "install test: $*" >&2
  exit 1
}

cmake --install "$build" --prefix "$prefix" >/dev/null
for file in bin/Pelorin share/man/man1/Pelorin.1 share/bash-completion/completions/Pelorin; do
  [ -f "$prefix/$file" ] || fail "$file is not installed"
done
pelorin=$prefix/bin/Pelorin
[ "$("$pelorin" --version)" = "$(cat "$source/tests/run/golden/version")" ] || fail "--version"
mkdir "$prefix/run"
cp "$source/examples/demo.net" "$prefix/run/"
(cd "$prefix/run" && "$pelorin" -q demo.net) | grep -qx "1 semiflow(s)" || fail "the installed Pelorin does not run"

# every option of --help: the words that begin with "-" at the start of its lines
options=$("$pelorin" --help | awk '/^-/ { for (i = 1; i <= NF; i++) if ($i ~ /^-/) print $i; else if ($i != "|") break }')
[ "$(echo "$options" | wc -l)" -ge 19 ] || fail "the options of --help are not found: $options"

page=$prefix/share/man/man1/Pelorin.1
if command -v groff >/dev/null 2>&1; then
  warnings=$(groff -man -ww -z "$page" 2>&1)
  [ -z "$warnings" ] || fail "groff warns about the manual page: $warnings"
else
  echo "no groff: the manual page is not checked for warnings"
fi
if command -v man >/dev/null 2>&1; then
  text=$(LC_ALL=C MANWIDTH=100 man -l "$page" 2>&1)
  for section in SYNOPSIS OPTIONS "INPUT FORMATS" REPORT "JSON REPORT" "EXIT STATUS" EXAMPLES; do
    echo "$text" | grep -qx "$section" || fail "the manual page has no section $section"
  done
  for option in $options; do
    echo "$text" | grep -qF -e "$option" || fail "the manual page does not describe $option"
  done
  echo "$text" | grep -qF "Pelorin $("$pelorin" --version | cut -d' ' -f2)" || fail "the manual page states another version"
else
  echo "no man: the manual page is not rendered"
fi

if command -v bash >/dev/null 2>&1; then
  completion=$prefix/share/bash-completion/completions/Pelorin
  complete() {  # complete WORD...: what the completion offers for the last word
    (cd "$prefix/run" && bash -c '. "$0"; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _Pelorin; printf "%s\n" "${COMPREPLY[@]}" | LC_ALL=C sort' "$completion" Pelorin "$@")
  }
  [ "$(complete -)" = "$(echo "$options" | sed 's/=SIZE$/=/' | LC_ALL=C sort)" ] || fail "the completion offers other options: $(complete -)"
  touch "$prefix/run/b.pnml" "$prefix/run/report.txt"
  [ "$(complete "")" = "$(printf 'b.pnml\ndemo.net')" ] || fail "the completion offers other nets: $(complete "")"
  [ "$(complete demo.net r)" = "report.txt" ] || fail "the completion offers no report"
  [ "$(complete -d "")" = "$(printf '0\n1\n2')" ] || fail "the completion offers other debug levels"
else
  echo "no bash: the completion is not tried"
fi
echo "installed and checked in $prefix"
