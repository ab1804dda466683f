#!/usr/bin/env python3
"""Runs a program on a pseudo-terminal and plays a dialogue with it.

usage: drive_pty.py PROGRAM EXPECT1 SEND1 [EXPECT2 SEND2 ...]

For each pair: waits until EXPECT has appeared in the program's output
since the previous step, then types SEND (Python escapes such as \\r are
decoded). Afterwards reads until the program ends, prints everything it
wrote and exits with its exit status (124 on a timeout).
"""
import os
import pty
import select
import sys
import time

TIMEOUT = 20.0


def read_some(fd, out):
    ready, _, _ = select.select([fd], [], [], 0.2)
    if not ready:
        return True
    try:
        data = os.read(fd, 4096)
    except OSError:
        return False
    if not data:
        return False
    out.extend(data)
    return True


def main():
    program = sys.argv[1]
    steps = sys.argv[2:]
    pid, fd = pty.fork()
    if pid == 0:
        os.execv(program, [program])
    out = bytearray()
    seen = 0
    alive = True
    for i in range(0, len(steps), 2):
        expect = steps[i].encode().decode("unicode_escape").encode("latin-1")
        send = steps[i + 1].encode().decode("unicode_escape").encode("latin-1")
        deadline = time.time() + TIMEOUT
        while out.find(expect, seen) < 0:
            if time.time() > deadline or not alive:
                sys.stdout.write(out.decode("latin-1"))
                sys.stderr.write("timeout waiting for %r\n" % expect)
                os.kill(pid, 9)
                os.waitpid(pid, 0)
                sys.exit(124)
            alive = read_some(fd, out)
        seen = out.find(expect, seen) + len(expect)
        for ch in send:
            os.write(fd, bytes([ch]))
            time.sleep(0.002)
    deadline = time.time() + TIMEOUT
    while alive and time.time() < deadline:
        alive = read_some(fd, out)
    _, status = os.waitpid(pid, 0)
    sys.stdout.write(out.decode("latin-1"))
    sys.exit(os.waitstatus_to_exitcode(status))


if __name__ == "__main__":
    main()
