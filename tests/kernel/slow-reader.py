"""Runs a command whose standard output is a pipe of 4096 bytes that nobody reads for 3 s (a
reader that stalls: a slow disk, a busy compressor), then reads all of it into FILE. Exits with
the command's exit status.

    python3 slow-reader.py FILE COMMAND [ARG]...
"""
import fcntl
import os
import subprocess
import sys
import time

PIPE_BYTES = 4096
STALL_SECONDS = 3


def main():
    into, command = sys.argv[1], sys.argv[2:]
    read_end, write_end = os.pipe()
    fcntl.fcntl(write_end, fcntl.F_SETPIPE_SZ, PIPE_BYTES)
    program = subprocess.Popen(command, stdout=write_end)
    os.close(write_end)
    time.sleep(STALL_SECONDS)
    with os.fdopen(read_end, "rb") as rows, open(into, "wb") as out:
        out.write(rows.read())
    return program.wait()


if __name__ == "__main__":
    sys.exit(main())
