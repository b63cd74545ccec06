# bash completion for reelrun                                      -*- shell-script -*-
# Movies and switches, in any order. A switch may be written with "/" or "-"; a word that
# begins with "/" may also be an absolute path, so both are offered for it.
# Stands on its own: bash-completion's helpers are not needed.

_reelrun() {
  local cur=${COMP_WORDS[COMP_CWORD]}
  COMPREPLY=()
  # Switches alone, then the ones whose number picks one of a few choices.
  local letters="P L F T S X Y B M E G U N C O K A Z Q I J R W H @ D V"
  local choices="L2 A1 A2 A3 I1 I2 I3 I4 R1 R2 D1 D2 D3 D4 V1 V2 V3 V4"
  local marker=${cur:0:1} s
  local -a switches=()

  if [[ $marker == / || $marker == - ]]; then
    for s in $letters $choices; do switches+=("$marker$s"); done
    [[ $marker == - ]] && switches+=(--help --version)
    # A lower-case letter is as good as an upper-case one.
    local letter=${cur:1:1}
    mapfile -t COMPREPLY < <(compgen -W "${switches[*]}" -- "$marker${letter^^}${cur:2}")
    [[ $marker == - ]] && return
  fi

  # Movies: .ztp files in any case, and folders; every file when none matches.
  local -a all kept=()
  local f
  mapfile -t all < <(compgen -f -- "$cur")
  for f in "${all[@]}"; do
    if [[ -d $f || ${f,,} == *.ztp ]]; then kept+=("$f"); fi
  done
  local only_folders=1
  for f in "${kept[@]}"; do [[ -d $f ]] || only_folders=0; done
  ((only_folders)) && kept=("${all[@]}")
  if ((${#kept[@]})); then
    compopt -o filenames 2>/dev/null
    COMPREPLY+=("${kept[@]}")
  fi
}

complete -F _reelrun reelrun
