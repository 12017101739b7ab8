# Bash completion of tensiloctl: its commands, their options, the global options (before or after
# the command), the serial numbers of the boards present (from `tensiloctl list`, or `tensiloctl
# --demo list` when --demo is on the line), lc=, pot1= and pot2= for set, and files for save and
# load. Loaded by bash-completion from share/bash-completion/completions/tensiloctl.

_tensiloctl_commands=(list show set defaults save load watch test gains help)

# The serial numbers of the boards present: the first field of each line of `list`, listed by the
# program being completed (also one of a build tree), over the demo's boards with --demo.
_tensiloctl_serials() {
    local program=$1 demo=$2
    command -v -- "$program" >/dev/null || program=tensiloctl
    "$program" ${demo:+"$demo"} list 2>/dev/null | cut -f1
}

# The options of a command, besides the global ones.
_tensiloctl_options() {
    case $1 in
    list) echo --json ;;
    show) echo --board --json ;;
    set) echo --board --all --nearest ;;
    defaults | load) echo --board --all ;;
    save) echo --board ;;
    watch) echo --board --all --count --seconds --csv ;;
    test) echo --board --all --json ;;
    esac
}

# Adds each of the words that begins with `cur` to COMPREPLY.
_tensiloctl_offer() {
    local cur=$1 word
    shift
    for word in "$@"; do
        [[ $word == "$cur"* ]] && COMPREPLY+=("$word")
    done
}

_tensiloctl() {
    local cur=${COMP_WORDS[COMP_CWORD]} prev=''
    ((COMP_CWORD > 0)) && prev=${COMP_WORDS[COMP_CWORD - 1]}
    COMPREPLY=()
    # The command (the first word that is no option and no option's value), how many words follow
    # it, the gains given (bash splits lc=500 into lc, = and 500), and --demo anywhere on the line.
    local command='' demo='' arguments=0 given=() i word
    for ((i = 1; i < COMP_CWORD; i++)); do
        word=${COMP_WORDS[i]}
        case $word in
        --demo) demo=--demo ;;
        --board | --count | --seconds) ((i++)) ;;
        =) given+=("${COMP_WORDS[i - 1]}=") ;;
        -*) ;;
        *)
            if [[ -z $command ]]; then
                command=$word
            else
                ((arguments += 1))
            fi
            ;;
        esac
    done
    [[ " ${COMP_WORDS[*]:COMP_CWORD+1} " == *" --demo "* ]] && demo=--demo

    # What an option or a key=... takes: --board TS-00417, --board=TS-00417, lc=500.
    local option=$prev after_equals=''
    if [[ $cur == = ]]; then
        cur='' after_equals=yes
    elif [[ $prev == = ]]; then
        option=${COMP_WORDS[COMP_CWORD - 2]} after_equals=yes
    fi
    case $option in
    --board)
        local serials
        mapfile -t serials < <(_tensiloctl_serials "${COMP_WORDS[0]}" "$demo")
        _tensiloctl_offer "$cur" "${serials[@]}"
        return
        ;;
    --count | --seconds) return ;;
    esac
    [[ -n $after_equals ]] && return

    if [[ -z $command ]]; then
        if [[ $cur == -* ]]; then
            _tensiloctl_offer "$cur" --demo --verbose --help -h --version
        else
            _tensiloctl_offer "$cur" "${_tensiloctl_commands[@]}"
        fi
        return
    fi
    if [[ $cur == -* ]]; then
        local options
        read -ra options <<<"$(_tensiloctl_options "$command")"
        _tensiloctl_offer "$cur" "${options[@]}" --demo --verbose --help -h
        return
    fi
    case $command in
    help) ((arguments == 0)) && _tensiloctl_offer "$cur" "${_tensiloctl_commands[@]}" ;;
    set)
        for word in lc= pot1= pot2=; do
            [[ " ${given[*]} " == *" $word "* ]] || _tensiloctl_offer "$cur" "$word"
        done
        compopt -o nospace 2>/dev/null
        ;;
    save | load)
        if ((arguments == 0)); then
            compopt -o filenames 2>/dev/null
            mapfile -t COMPREPLY < <(compgen -f -- "$cur")
        fi
        ;;
    esac
}

complete -F _tensiloctl tensiloctl
