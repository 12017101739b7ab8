# Checks the CSV of `tensiloctl watch --csv` over emulated boards that send their moving pattern,
# whose count n every row carries: potentiometer 1 is n × 257, the load cell n × 1031 and
# potentiometer 2 65535 - n × 509, modulo 65536. Per board, the counts follow one another without a gap and every row is of the pattern;
# over all rows, time never goes back. With a `serial` column the rows name their board.
#
#   awk -F, -v header=LINE -v boards=N -v least=ROWS -f watch-rows.awk FILE
#
# Prints a line per board and one for all; exits 1 when the header is not LINE, the boards are
# not N, a board has fewer than ROWS rows, a gap, a row not of the pattern, or time goes back.
NR == 1 {
    if ($0 != header) {
        print "the header is \"" $0 "\", not \"" header "\""
        bad = 1
    }
    named = ($2 == "serial")
    next
}
{
    board = named ? $2 : "the board"
    load_cell = $(2 + named)
    pot1 = $(3 + named)
    pot2 = $(4 + named)
    count = (pot1 * 65281) % 65536 # 65281 is 257^-1 modulo 65536
    if (load_cell != (count * 1031) % 65536 || pot2 != 65535 - (count * 509) % 65536)
        wrong[board]++
    if ((board in last) && count != (last[board] + 1) % 65536)
        gaps[board]++
    if ($1 < time)
        backwards++
    last[board] = count
    time = $1
    rows[board]++
}
END {
    for (board in rows) {
        seen++
        printf "%s: %d rows, %d gaps, %d rows not of the pattern\n", board, rows[board],
               gaps[board], wrong[board]
        if (rows[board] < least || gaps[board] || wrong[board])
            bad = 1
    }
    printf "%d boards, the last row at %.3f s, %d times going back\n", seen, time, backwards
    if (seen != boards || backwards)
        bad = 1
    exit bad
}
