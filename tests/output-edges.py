#!/usr/bin/env python3
"""Runs a program with its standard output on an edge that a shell cannot
set up: a raw terminal or a stream socket that nobody reads while Ctrl+C
arrives, a full pipe given two interrupts, a non-blocking pipe with a slow
reader, or a sandbox that refuses statx. Writes every byte the program's
standard output received to OUT-FILE and prints its exit status as a shell
shows it (128 + N for a death by signal N), or "hung" when a case that must
end did not.

Usage: output-edges.py CASE OUT-FILE PROGRAM [ARGUMENT...]
Cases: pty-interrupt, socket-interrupt, pipe-interrupt (a reader that
       does not read, then Ctrl+C, then a reader), pipe-two-interrupts,
       nonblocking-pipe, statx-enosys, statx-eperm, close-eio (every close
       fails as a file system that reports a delayed write error does)
"""
import ctypes
import errno
import fcntl
import os
import select
import signal
import socket
import struct
import subprocess
import sys
import termios
import time
import tty


def settled(reader, limit=10.0):
    """Waits until the bytes waiting on READER stop growing: the writer is
    blocked."""
    last, since, start = -1, time.monotonic(), time.monotonic()
    while time.monotonic() - start < limit:
        waiting = struct.unpack("i", fcntl.ioctl(reader, termios.FIONREAD, b"\0" * 4))[0]
        if waiting != last:
            last, since = waiting, time.monotonic()
        elif waiting > 0 and time.monotonic() - since > 0.3:
            return
        time.sleep(0.05)


def drain(reader, process, pause=0.0):
    """Everything READER gives until the writer is gone, PAUSE seconds
    between reads."""
    received = bytearray()
    while True:
        ready, _, _ = select.select([reader], [], [], 5.0)
        if not ready:
            if process.poll() is not None:
                return bytes(received)
            continue
        try:
            chunk = os.read(reader, 65536)
        except OSError as error:  # a terminal whose other side closed
            if error.errno == errno.EIO:
                return bytes(received)
            raise
        if not chunk:
            return bytes(received)
        received += chunk
        if pause:
            time.sleep(pause)


def status(process, limit=20.0):
    try:
        code = process.wait(timeout=limit)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait()
        return "hung"
    return str(128 - code if code < 0 else code)


def deny(number, error):
    """A seccomp filter that fails system call NUMBER with ERROR, for the
    child only."""
    # x86-64's numbers and audit architecture: the filter sees the host's
    # calls, an emulator's included.
    arch_x86_64 = 0xC000003E
    load_arch, load_number = (0x20, 0, 0, 4), (0x20, 0, 0, 0)
    program = [load_arch, (0x15, 1, 0, arch_x86_64), (0x06, 0, 0, 0x7FFF0000),
               load_number, (0x15, 0, 1, number), (0x06, 0, 0, 0x00050000 | error),
               (0x06, 0, 0, 0x7FFF0000)]
    code = b"".join(struct.pack("HBBI", *row) for row in program)
    buffer = ctypes.create_string_buffer(code)
    fprog = struct.pack("HxxxxxxP", len(program), ctypes.addressof(buffer))
    libc = ctypes.CDLL(None, use_errno=True)

    fprog_buffer = ctypes.create_string_buffer(fprog)
    word = ctypes.c_ulong

    def install():
        if libc.prctl(38, word(1), word(0), word(0), word(0)) != 0:  # PR_SET_NO_NEW_PRIVS
            os._exit(125)
        # PR_SET_SECCOMP, SECCOMP_MODE_FILTER
        if libc.prctl(22, word(2), word(ctypes.addressof(fprog_buffer)), word(0), word(0)) != 0:
            os._exit(125)
    install.program = buffer  # the filter's bytes live as long as the call
    return install


def main():
    case, out_file, argv = sys.argv[1], sys.argv[2], sys.argv[3:]
    if case in ("pty-interrupt", "socket-interrupt", "pipe-interrupt", "pipe-two-interrupts"):
        if case == "pty-interrupt":
            reader, writer = os.openpty()
            tty.setraw(writer)
        elif case == "socket-interrupt":
            ours, theirs = socket.socketpair(socket.AF_UNIX, socket.SOCK_STREAM)
            theirs.setsockopt(socket.SOL_SOCKET, socket.SO_SNDBUF, 4096)
            ours.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4096)
            reader, writer = ours.detach(), theirs.detach()
        else:
            reader, writer = os.pipe()
        process = subprocess.Popen(argv, stdout=writer)
        os.close(writer)
        settled(reader)
        process.send_signal(signal.SIGINT)
        if case == "pipe-two-interrupts":
            # Nobody reads: only the second interrupt can end the run.
            time.sleep(0.3)
            process.send_signal(signal.SIGINT)
            shown = status(process, 5.0)
            received = drain(reader, process)
        else:
            time.sleep(0.3)
            received = drain(reader, process)
            shown = status(process)
    elif case == "nonblocking-pipe":
        reader, writer = os.pipe()
        os.set_blocking(writer, False)
        process = subprocess.Popen(argv, stdout=writer)
        os.close(writer)
        time.sleep(0.3)
        received = drain(reader, process, pause=0.01)
        shown = status(process)
    elif case in ("statx-enosys", "statx-eperm", "close-eio"):
        statx, close = 332, 3
        number, error = {"statx-enosys": (statx, errno.ENOSYS), "statx-eperm": (statx, errno.EPERM),
                         "close-eio": (close, errno.EIO)}[case]
        with open(out_file, "wb") as out:
            process = subprocess.Popen(argv, stdout=out, preexec_fn=deny(number, error))
            shown = status(process)
        print(shown)
        return
    else:
        sys.exit(f"unknown case {case}")
    with open(out_file, "wb") as out:
        out.write(received)
    print(shown)


if __name__ == "__main__":
    main()
