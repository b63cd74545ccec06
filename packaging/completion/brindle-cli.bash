# bash completion for brindle-cli                                  -*- shell-script -*-
# Commands, their options, containers and, once a container is named, its entry names.
# The commands, their options and arguments come from brindle-cli itself (its hidden option
# --completion prints each command's usage), so this script knows only what kinds of word an
# argument's placeholder stands for.
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

# One command's usage ("CONTAINER [-o DIR] [--raw] [--type TYPE]... [ENTRY...]") taken apart:
# _brindle_options gets its options, _brindle_valued " OPTION=PLACEHOLDER " for each option
# that takes a value, _brindle_places its argument placeholders in order ("ENTRY..." repeats).
_brindle_usage() {
  local -a words
  local i word option
  read -ra words <<<"$1"
  _brindle_options="" _brindle_valued=" " _brindle_places=()
  for ((i = 0; i < ${#words[@]}; i++)); do
    word=${words[i]#[}
    if [[ $word == -* ]]; then
      option=${word%%]*}
      _brindle_options+=" $option"
      if [[ $word != *]* ]]; then
        ((i++))
        word=${words[i]}
        _brindle_valued+="$option=${word%%]*} "
      fi
    else
      _brindle_places+=("${word%%]*}")
    fi
  done
}

_brindle_cli() {
  local cur=${COMP_WORDS[COMP_CWORD]}
  local prev=${COMP_WORDS[COMP_CWORD - 1]}
  COMPREPLY=()
  local containers=(lod vlm snd vid)

  local -a table
  mapfile -t table < <(brindle-cli --completion 2>/dev/null)
  local line what first rest commands="" program="" each="" usage="" known=0
  local -A values=()
  for line in "${table[@]}"; do
    read -r what first rest <<<"$line"
    case $what in
      command)
        commands+=" $first"
        [[ $first == "${COMP_WORDS[1]}" ]] && usage=$rest known=1
        ;;
      program) program="$first $rest" ;;
      each) each="$first $rest" ;;
      values) values[$first]=$rest ;;
    esac
  done

  if ((COMP_CWORD == 1)); then
    mapfile -t COMPREPLY < <(compgen -W "$commands $program" -- "$cur")
    return
  fi
  ((known)) || return

  local _brindle_options _brindle_valued
  local -a _brindle_places
  _brindle_usage "$usage"
  # The words after the command that are not options nor their values.
  local -a args=()
  local i word
  for ((i = 2; i < COMP_CWORD; i++)); do
    word=${COMP_WORDS[i]}
    if [[ $_brindle_valued == *" $word="* ]]; then
      ((i++))
    elif [[ $word != -* ]]; then
      args+=("$word")
    fi
  done

  # What the word being completed stands for: an option's value, an option, or the argument
  # in its place (the last placeholder, when it ends in "...", takes every word after it).
  local place=""
  if [[ $_brindle_valued == *" $prev="* ]]; then
    place=${_brindle_valued#* "$prev"=}
    place=${place%% *}
  elif [[ $cur == -* ]]; then
    mapfile -t COMPREPLY < <(compgen -W "$_brindle_options $each" -- "$cur")
    return
  elif ((${#args[@]} < ${#_brindle_places[@]})); then
    place=${_brindle_places[${#args[@]}]}
  elif ((${#_brindle_places[@]} > 0)) && [[ ${_brindle_places[-1]} == *... ]]; then
    place=${_brindle_places[-1]}
  fi
  place=${place%...}

  # The container the entries come from: the word in the CONTAINER place.
  local container=""
  for ((i = 0; i < ${#_brindle_places[@]} && i < ${#args[@]}; i++)); do
    [[ ${_brindle_places[i]} == CONTAINER ]] && container=${args[i]}
  done

  case $place in
    CONTAINER) _brindle_files "$cur" "${containers[@]}" ;;
    SAVE) _brindle_files "$cur" vlm ;;
    FILE) _brindle_files "$cur" ;;
    ENTRY) [[ -n $container ]] && _brindle_entries "$container" "$cur" ;;
    DIR)
      # A folder, or - for standard output.
      mapfile -t COMPREPLY < <(compgen -W "-" -- "$cur")
      _brindle_folders "$cur"
      ;;
    KEY=VALUE)
      # The party's keys, up to where they branch.
      compopt -o nospace 2>/dev/null
      mapfile -t COMPREPLY < <(compgen -W "clock= time= party.1= party.2= party.3=
                                           char1. char2. char3. char4." -- "$cur")
      ;;
    *)
      # A placeholder with a fixed set of words (TYPE, KIND); any other (NEWNAME) is the
      # user's own.
      [[ -n ${values[$place]:-} ]] &&
        mapfile -t COMPREPLY < <(compgen -W "${values[$place]}" -- "$cur")
      ;;
  esac
}

complete -F _brindle_cli brindle-cli
