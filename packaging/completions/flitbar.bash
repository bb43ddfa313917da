# bash completion for flitbar

_flitbar() {
  local current=${COMP_WORDS[COMP_CWORD]}
  local words
  if [ "$COMP_CWORD" -eq 1 ]; then
    case $current in
      -*) words="--help -h --version -v" ;;
      *) words="help version doctor list switch inventory watch restore smartshift wheel battery" ;;
    esac
  else
    case "${COMP_WORDS[1]} $COMP_CWORD ${COMP_WORDS[COMP_CWORD - 1]}" in
      "list 2 "*) words="--json" ;;
      "switch 2 "*) words="1 2 3" ;;
      "watch 2 "*) words="-d" ;;
      "watch 3 -d") words="1 2 3 4 5 6" ;;
      "smartshift 2 "*) words="--set" ;;
      *) return 0 ;;
    esac
  fi
  mapfile -t COMPREPLY < <(compgen -W "$words" -- "$current")
}

complete -F _flitbar flitbar
