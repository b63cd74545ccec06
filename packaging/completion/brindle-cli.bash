# bash completion for brindle-cli                                  -*- shell-script -*-
# Commands, their options (--help after each), containers and, once a container is named,
# its entry names.
# Stands on its own: bash-completion's helpers are not needed.

# Files whose names end in one of the extensions given (any case), and folders. When no file
# matches, every file: a container is recognised by its contents, whatever its name.
_brindle_files() {
  local cur=$1
  shift
  local -a all kept=()
  local f ext lower
  mapfile -t all < <(compgen -f -- "$cur")
  for f in "${all[@]}"; do
    if [[ -d $f || $# -eq 0 ]]; then
      kept+=("$f")
      continue
    fi
    lower=${f,,}
    for ext in "$@"; do
      [[ $lower == *."$ext" ]] && { kept+=("$f"); break; }
    done
  done
  if [[ $# -gt 0 ]]; then
    local only_folders=1
    for f in "${kept[@]}"; do [[ -d $f ]] || only_folders=0; done
    ((only_folders)) && kept=("${all[@]}")
  fi
  compopt -o filenames 2>/dev/null
  COMPREPLY+=("${kept[@]}")
}

_brindle_folders() {
  compopt -o filenames 2>/dev/null
  mapfile -t -O "${#COMPREPLY[@]}" COMPREPLY < <(compgen -d -- "$1")
}

# The entry names of a container, as "brindle-cli list" prints them (second field).
_brindle_entries() {
  local container=$1 cur=$2 name
  [[ -f $container ]] || return
  local -a names
  mapfile -t names < <(brindle-cli list "$container" 2>/dev/null | tail -n +2 | cut -f2)
  for name in "${names[@]}"; do
    [[ $name == "$cur"* ]] && COMPREPLY+=("$(printf '%q' "$name")")
  done
}

_brindle_cli() {
  local cur=${COMP_WORDS[COMP_CWORD]}
  local prev=${COMP_WORDS[COMP_CWORD - 1]}
  COMPREPLY=()
  local containers=(lod vlm snd vid)
  local types="text palette sprite bitmap icon iconpcx sound unidentified font evt str bin dlv
               ddm blv odm pcx partybin video"

  if ((COMP_CWORD == 1)); then
    mapfile -t COMPREPLY < <(compgen -W "list info extract import hexdump add remove rename
                                         rebuild new party --help --version" -- "$cur")
    return
  fi

  local command=${COMP_WORDS[1]}
  # Every command answers --help with its own usage; these are its other options.
  local options
  case $command in
    list) options="--json" ;;
    extract) options="-o --raw --type" ;;
    party) options="--set" ;;
    *) options="" ;;
  esac
  # An option is offered where an option may stand: not in the place of an option's value.
  if [[ $cur == -* && $prev != -o && $prev != --type && $prev != --set ]]; then
    mapfile -t COMPREPLY < <(compgen -W "$options --help" -- "$cur")
    return
  fi
  # The words after the command that are not options nor their values: CONTAINER first.
  local -a args=()
  local i word
  for ((i = 2; i < COMP_CWORD; i++)); do
    word=${COMP_WORDS[i]}
    case $word in
      -o | --type | --set) ((i++)) ;;
      -*) ;;
      *) args+=("$word") ;;
    esac
  done

  case $command in
    list | info | rebuild)
      ((${#args[@]} == 0)) && _brindle_files "$cur" "${containers[@]}"
      ;;
    extract)
      case $prev in
        -o)
          # A folder, or - for standard output.
          mapfile -t COMPREPLY < <(compgen -W "-" -- "$cur")
          _brindle_folders "$cur"
          return
          ;;
        --type)
          mapfile -t COMPREPLY < <(compgen -W "$types" -- "$cur")
          return
          ;;
      esac
      if ((${#args[@]} == 0)); then
        _brindle_files "$cur" "${containers[@]}"
      else
        _brindle_entries "${args[0]}" "$cur"
      fi
      ;;
    import | add)
      if ((${#args[@]} == 0)); then
        _brindle_files "$cur" "${containers[@]}"
      else
        _brindle_files "$cur"
      fi
      ;;
    hexdump | remove | rename)
      # One entry for hexdump and rename (the new name is the user's), any number to remove.
      if ((${#args[@]} == 0)); then
        _brindle_files "$cur" "${containers[@]}"
      elif [[ ${#args[@]} -eq 1 || $command == remove ]]; then
        _brindle_entries "${args[0]}" "$cur"
      fi
      ;;
    new)
      if ((${#args[@]} == 0)); then
        mapfile -t COMPREPLY < <(compgen -W "vid chapter sprites maps icons bitmaps snd" -- "$cur")
      else
        _brindle_files "$cur"
      fi
      ;;
    party)
      if [[ $prev == --set ]]; then
        compopt -o nospace 2>/dev/null
        mapfile -t COMPREPLY < <(compgen -W "clock= time= party.1= party.2= party.3=
                                             char1. char2. char3. char4." -- "$cur")
      elif ((${#args[@]} == 0)); then
        _brindle_files "$cur" vlm
      fi
      ;;
  esac
}

complete -F _brindle_cli brindle-cli
