#!/bin/sh
# A plug command for runs over the system's boards where no board can really be plugged in:
#   plug-log.sh LOG attach|detach NAME
# appends "attach NAME" or "detach NAME" to LOG and succeeds, except for a board called "stuck",
# which it fails to plug with status 3, as a plug command whose board never appears would.
log=$1
shift
echo "$*" >>"$log"
[ "$2" != stuck ] || exit 3
