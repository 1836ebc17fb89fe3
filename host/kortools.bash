# bash completion for kortools: the commands, their options, and the classes,
# members and enumerations of the type library, read from
# `kortools describe --json` once per shell.

_kortools_names() {
  # Prints "Class.Member" for every method, then "Class" and "Enum" lines
  # prefixed with "class " and "enum ".
  "$1" describe --json 2>/dev/null |
    grep -oE '\{"name":"[^"]*","guid":"[^"]*","interface"|"name":"[^"]*","kind":"Method"|\{"name":"[^"]*","members":' |
    awk -F'"' '
      /"interface"$/ { cls = $4; print "class " cls; next }
      /"kind":"Method"$/ { print "member " cls "." $4; next }
      /"members":$/ { print "enum " $4 }'
}

_kortools() {
  local cur prev words cword
  _init_completion || return

  if [[ -z ${_kortools_cache:-} ]]; then
    _kortools_cache=$(_kortools_names "${words[0]}")
  fi

  local command="" i
  for ((i = 1; i < cword; i++)); do
    case ${words[i]} in
      serve | call | describe | path)
        command=${words[i]}
        break
        ;;
    esac
  done

  case $command in
    "")
      COMPREPLY=($(compgen -W 'serve call describe path --help --version' -- "$cur"))
      ;;
    call)
      # The member comes right after "call"; the arguments are free text,
      # often file names.
      if ((cword == i + 1)); then
        COMPREPLY=($(compgen -W "$(sed -n 's/^member //p' <<<"$_kortools_cache")" -- "$cur"))
      else
        _filedir
      fi
      ;;
    describe)
      COMPREPLY=($(compgen -W "--json --idl --help $(sed -n 's/^\(class\|enum\) //p' <<<"$_kortools_cache")" \
        -- "$cur"))
      ;;
    path)
      if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W '--to-posix --to-windows --help' -- "$cur"))
      else
        _filedir
      fi
      ;;
    serve)
      COMPREPLY=($(compgen -W '--help' -- "$cur"))
      ;;
  esac
} && complete -F _kortools kortools
