# bash completion for ztptool                                      -*- shell-script -*-
# Stands on its own: bash-completion's helpers are not needed.

# Files ending in the extension given (any case) and folders; every file when none matches.
_ztptool_files() {
  local cur=$1 ext=$2 f
  local -a all kept=()
  mapfile -t all < <(compgen -f -- "$cur")
  for f in "${all[@]}"; do
    if [[ -d $f || -z $ext || ${f,,} == *."$ext" ]]; then kept+=("$f"); fi
  done
  local only_folders=1
  for f in "${kept[@]}"; do [[ -d $f ]] || only_folders=0; done
  ((only_folders)) && kept=("${all[@]}")
  compopt -o filenames 2>/dev/null
  COMPREPLY+=("${kept[@]}")
}

_ztptool() {
  local cur=${COMP_WORDS[COMP_CWORD]}
  local prev=${COMP_WORDS[COMP_CWORD - 1]}
  COMPREPLY=()

  if ((COMP_CWORD == 1)); then
    mapfile -t COMPREPLY < <(compgen -W "info decode encode --help --version" -- "$cur")
    return
  fi

  local command=${COMP_WORDS[1]}
  # The movie already named, for decode.
  local -a args=()
  local i
  for ((i = 2; i < COMP_CWORD; i++)); do
    case ${COMP_WORDS[i]} in
      -o) ((i++)) ;;
      -*) ;;
      *) args+=("${COMP_WORDS[i]}") ;;
    esac
  done

  case $command in
    info)
      ((COMP_CWORD == 2)) && _ztptool_files "$cur" ztp
      ;;
    decode)
      if [[ $prev == -o ]]; then
        compopt -o filenames 2>/dev/null
        mapfile -t COMPREPLY < <(compgen -d -- "$cur")
      elif [[ $cur == -* ]]; then
        mapfile -t COMPREPLY < <(compgen -W "-o" -- "$cur")
      elif ((${#args[@]} == 0)); then
        _ztptool_files "$cur" ztp
      fi
      ;;
    encode)
      case $prev in
        -o) _ztptool_files "$cur" ztp ;;
        --fps | --ms | --lead) ;;
        --from) mapfile -t COMPREPLY < <(compgen -d -- "$cur") ;;
        --audio) _ztptool_files "$cur" wav ;;
        *)
          if [[ $cur == -* ]]; then
            mapfile -t COMPREPLY < <(compgen -W "-o --from --fps --ms --ring --interlace --double
                                                 --lead --audio --raw-audio" -- "$cur")
          else
            _ztptool_files "$cur" bmp
          fi
          ;;
      esac
      ;;
  esac
}

complete -F _ztptool ztptool
