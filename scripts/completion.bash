# Bash completion of Pelorin, installed as share/bash-completion/completions/Pelorin: the
# options, the debug levels after -d, file names after -w and -o, nets (.net, .ndr, .pnml, .xml
# and folders) as the first positional word and any file as the second.

# The number of positional words (input, report) before the word being completed.
_Pelorin_positionals() {
  local i=1 n=0
  while ((i < COMP_CWORD)); do
    case ${COMP_WORDS[i]} in
      -w | -d | -o) ((i += 2)); continue ;;  # the option and its argument
      =) ((i += 2)); continue ;;              # "=" and the size of --memory=, split off by bash
      -?*) ;;
      *) ((n++)) ;;
    esac
    ((i++))
  done
  echo "$n"
}

_Pelorin() {
  local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}
  local options="-h -help -v -q -P -T -c -s -w -d -o --help --version --minimal --classes --json --flows --bounds --memory="
  COMPREPLY=()
  case $prev in
    -w | -o)
      compopt -o filenames 2>/dev/null
      mapfile -t COMPREPLY < <(compgen -f -- "$cur")
      return ;;
    -d)
      mapfile -t COMPREPLY < <(compgen -W "0 1 2" -- "$cur")
      return ;;
    =) [[ ${COMP_WORDS[COMP_CWORD - 2]} == --memory ]] && return ;;
  esac
  if [[ $cur == -* ]]; then
    mapfile -t COMPREPLY < <(compgen -W "$options" -- "$cur")
    [[ ${COMPREPLY[*]} == --memory= ]] && compopt -o nospace 2>/dev/null
    return
  fi
  compopt -o filenames 2>/dev/null
  case $(_Pelorin_positionals) in
    0)
      local ext
      mapfile -t COMPREPLY < <(compgen -d -- "$cur")
      for ext in net ndr pnml xml; do
        mapfile -t -O "${#COMPREPLY[@]}" COMPREPLY < <(compgen -f -X "!*.$ext" -- "$cur")
      done ;;
    1) mapfile -t COMPREPLY < <(compgen -f -- "$cur") ;;
  esac
}

complete -F _Pelorin Pelorin
