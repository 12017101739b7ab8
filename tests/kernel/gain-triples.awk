# Reads the boards' log of the SET_REPORTs they took ("NAME 00 01 REGISTER VALUE 00..." per line)
# and prints the gains BOARD took, one line each in the order taken: "CHANNEL CODE SHIFT FINE"
# (the register values, in hex as logged). A gain is three register writes of one channel, its
# code, shift and fine registers, one right after the other; any other line is a broken gain,
# printed as "broken: LINE" (then the exit status is 1).
#
#   awk -v board=NAME -f gain-triples.awk LOG
BEGIN {
    # Each register: its channel and its place in the channel's three writes.
    split("lc 00 01 06 pot1 02 03 07 pot2 04 05 08", table, " ")
    for (i = 1; i <= 12; i += 4)
        for (place = 1; place <= 3; place++) {
            channel[table[i + place]] = table[i]
            order[table[i + place]] = place
        }
}
$1 != board { next }
{
    register = $4
    if ($2 != "00" || $3 != "01" || !(register in order)) {
        flush_broken()
        print "broken: " $0
        broken = 1
        next
    }
    # A code register's write begins a gain, whatever came before it.
    if (order[register] == 1)
        flush_broken()
    expected = taken + 1
    if (order[register] != expected || (taken > 0 && channel[register] != current)) {
        flush_broken()
        print "broken: " $0
        broken = 1
        next
    }
    current = channel[register]
    values[expected] = $5
    lines[expected] = $0
    taken = expected
    if (taken == 3) {
        print current, values[1], values[2], values[3]
        taken = 0
    }
}
END {
    flush_broken()
    exit broken
}
# The writes of a gain begun and not finished are broken too.
function flush_broken(    i) {
    for (i = 1; i <= taken; i++)
        print "broken: " lines[i]
    if (taken > 0)
        broken = 1
    taken = 0
}
