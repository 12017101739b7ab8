# Fish completion of tensiloctl: its commands, their options, the global options (before or after
# the command), the serial numbers of the boards present (from `tensiloctl list`, or `tensiloctl
# --demo list` when --demo is on the line), lc=, pot1= and pot2= for set, and files for save and
# load. Installed as share/fish/vendor_completions.d/tensiloctl.fish.

set -l commands list show set defaults save load watch test gains help

# The serial numbers of the boards present: the first field of each line of `list`, listed by the
# program being completed (also one of a build tree), over the demo's boards with --demo.
function __tensiloctl_serials
    set -l program (commandline -opc)[1]
    command -q -- $program; or set program tensiloctl
    set -l demo
    contains -- --demo (commandline -op); and set demo --demo
    command $program $demo list 2>/dev/null | string split -f1 \t
end

# The gains set has not been given yet.
function __tensiloctl_gains
    set -l tokens (commandline -opc)
    for key in lc pot1 pot2
        string match -q -- "$key=*" $tokens; or echo $key=
    end
end

complete -c tensiloctl -f

# Before the command.
set -l before_command "not __fish_seen_subcommand_from $commands"
complete -c tensiloctl -n $before_command -a list -d 'the boards plugged in'
complete -c tensiloctl -n $before_command -a show -d "a board's details, gains and registers"
complete -c tensiloctl -n $before_command -a set -d 'write gains'
complete -c tensiloctl -n $before_command -a defaults -d 'write the default gains'
complete -c tensiloctl -n $before_command -a save -d "write a board's gains into a settings file"
complete -c tensiloctl -n $before_command -a load -d 'write the gains of a settings file to boards'
complete -c tensiloctl -n $before_command -a watch -d 'one line per input report'
complete -c tensiloctl -n $before_command -a test -d 'check boards'
complete -c tensiloctl -n $before_command -a gains -d 'the 2560 gains a board can hold'
complete -c tensiloctl -n $before_command -a help -d 'the usage, or that of a command'
complete -c tensiloctl -n $before_command -l version -d 'the version'

# Before or after the command.
complete -c tensiloctl -l demo -d 'two simulated boards instead of the boards plugged in'
complete -c tensiloctl -l verbose -d 'every failed platform call, on standard error'
complete -c tensiloctl -s h -l help -d 'the usage'

# The commands' own.
set -l board_commands show set defaults save load watch test
complete -c tensiloctl -n "__fish_seen_subcommand_from $board_commands" -l board -x \
    -a '(__tensiloctl_serials)' -d 'the board with this serial number'
set -l for_all set defaults load watch test
complete -c tensiloctl -n "__fish_seen_subcommand_from $for_all" -l all -d 'every board plugged in'
complete -c tensiloctl -n "__fish_seen_subcommand_from list show test" -l json -d 'as JSON'
complete -c tensiloctl -n "__fish_seen_subcommand_from set" -l nearest -d 'the nearest gain of each'
complete -c tensiloctl -n "__fish_seen_subcommand_from set" -a '(__tensiloctl_gains)'
complete -c tensiloctl -n "__fish_seen_subcommand_from watch" -l count -x -d 'end after N reports'
complete -c tensiloctl -n "__fish_seen_subcommand_from watch" -l seconds -x -d 'end after S seconds'
complete -c tensiloctl -n "__fish_seen_subcommand_from watch" -l csv -d 'comma-separated values'
complete -c tensiloctl -n "__fish_seen_subcommand_from save load" -F
complete -c tensiloctl -n "__fish_seen_subcommand_from help" -a "$commands"
