#!/usr/bin/env python3
"""Runs a program with its standard output on an edge that a shell cannot
set up: a raw terminal or a stream socket that nobody reads while Ctrl+C
arrives, a full pipe given two interrupts, a non-blocking pipe with a slow
reader, or a sandbox that refuses the file-type queries. Writes every byte the program's
standard output received to OUT-FILE and prints its exit status as a shell
shows it (128 + N for a death by signal N), or "hung" when a case that must
end did not.

Usage: output-edges.py CASE OUT-FILE PROGRAM [ARGUMENT...]
Cases: pty-interrupt, socket-interrupt, pipe-interrupt,
       nonblocking-pipe-interrupt (a reader that does not read, then
       Ctrl+C, then a reader), pipe-two-interrupts, nonblocking-pipe,
       pty-SIGNAL (a terminal nobody reads is sent SIGNAL, SEGV for one,
       then read), file-SIGNAL (a file's run is sent SIGNAL once it has
       written, wherever it is),
       box-interrupt (standard error a full pipe, Ctrl+C), eventfd (a
       non-blocking eventfd near its limit: poll says it has room, write
       refuses; then it is drained; "spun" when the wait burned the
       processor), ignored-interrupt-at-N (SIGINT, ignored, delivered at
       the Nth system-call stop of the run), no-type-query (every
       file-type query refused), close-eio (every close fails as a file
       system that reports a delayed write error does), no-sigaction and
       no-sigprocmask (rt_sigaction or rt_sigprocmask refused; standard
       output a pipe whose reader is gone), no-type-query-closed (every
       file-type query refused, standard output closed)
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


def deny(numbers, error, close_output=False):
    """A seccomp filter that fails each system call of NUMBERS with ERROR,
    for the child only, which may also start with standard output closed."""
    # x86-64's numbers and audit architecture: the filter sees the host's
    # calls, an emulator's included.
    arch_x86_64 = 0xC000003E
    load_arch, load_number = (0x20, 0, 0, 4), (0x20, 0, 0, 0)
    program = [load_arch, (0x15, 1, 0, arch_x86_64), (0x06, 0, 0, 0x7FFF0000), load_number]
    for number in numbers:
        program += [(0x15, 0, 1, number), (0x06, 0, 0, 0x00050000 | error)]
    program.append((0x06, 0, 0, 0x7FFF0000))
    code = b"".join(struct.pack("HBBI", *row) for row in program)
    buffer = ctypes.create_string_buffer(code)
    fprog = struct.pack("HxxxxxxP", len(program), ctypes.addressof(buffer))
    libc = ctypes.CDLL(None, use_errno=True)

    fprog_buffer = ctypes.create_string_buffer(fprog)
    word = ctypes.c_ulong

    def install():
        if close_output:
            os.close(1)
        if libc.prctl(38, word(1), word(0), word(0), word(0)) != 0:  # PR_SET_NO_NEW_PRIVS
            os._exit(125)
        # PR_SET_SECCOMP, SECCOMP_MODE_FILTER
        if libc.prctl(22, word(2), word(ctypes.addressof(fprog_buffer)), word(0), word(0)) != 0:
            os._exit(125)
    install.program = buffer  # the filter's bytes live as long as the call
    return install


FAULT_SIGNALS = ("SEGV", "BUS", "FPE", "ILL", "TRAP")


def signal_mid_file(number, out_file, argv, tries=20):
    """Runs ARGV with standard output on OUT-FILE and sends it signal NUMBER
    as soon as the file has bytes, wherever the run is then. A run that
    ended first is tried again. The status of the run is returned, with its
    bytes left in OUT-FILE; "never cut" when every run ended first. (A stop
    around the signal would be surer, but qemu's user mode then sometimes
    dies by SIGSEGV itself.)"""
    for _ in range(tries):
        with open(out_file, "wb") as out:
            process = subprocess.Popen(argv, stdout=out)
            while process.poll() is None and os.path.getsize(out_file) == 0:
                pass
            if process.poll() is not None:
                continue
            process.send_signal(number)
            shown = status(process)
        if shown != "0":
            return shown
    return "never cut"


def main():
    case, out_file, argv = sys.argv[1], sys.argv[2], sys.argv[3:]
    sent = {f"pty-{name}": getattr(signal, f"SIG{name}") for name in FAULT_SIGNALS}
    if case.startswith("file-") and case[5:] in FAULT_SIGNALS:
        shown = signal_mid_file(getattr(signal, f"SIG{case[5:]}"), out_file, argv)
        print(shown)
        return
    elif case == "box-interrupt":
        reader, writer = os.pipe()
        os.set_blocking(writer, False)
        try:
            while True:
                os.write(writer, b"\0" * 4096)
        except BlockingIOError:
            pass
        os.set_blocking(writer, True)
        with open(out_file, "wb") as out:
            process = subprocess.Popen(argv, stdout=out, stderr=writer)
            os.close(writer)
            time.sleep(0.5)
            process.send_signal(signal.SIGINT)
            shown = status(process, 5.0)
        os.close(reader)
        print(shown)
        return
    elif case == "eventfd":
        limit = 0xFFFFFFFFFFFFFFFE
        descriptor = os.eventfd(0, os.EFD_NONBLOCK)
        # Room for 1 by poll's measure; the 8 bytes 02 00 ... ask for 2.
        os.eventfd_write(descriptor, limit - 1)
        process = subprocess.Popen(argv, stdout=descriptor)
        time.sleep(2.0)
        with open(f"/proc/{process.pid}/stat") as stat:
            fields = stat.read().rsplit(")", 1)[1].split()
        busy = (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")
        os.eventfd_read(descriptor)
        shown = status(process)
        # What the run wrote at last is the counter now: 2.
        arrived = os.eventfd_read(descriptor) if shown == "0" else 0
        print("spun" if busy > 0.4 else shown if arrived == 2 else f"{shown}, counter {arrived}")
        return
    elif case.startswith("ignored-interrupt-at-"):
        stop = case.rsplit("-", 1)[1]
        # The tracer puts the interrupt at that stop; it and the program
        # inherit SIGINT ignored, as a script's background job does.
        command = ["strace", "-qq", "-o", "/dev/null", "-e",
                   f"inject=all:signal=SIGINT:when={stop}"] + argv
        with open(out_file, "wb") as out:
            process = subprocess.Popen(command, stdout=out,
                                       preexec_fn=lambda: signal.signal(signal.SIGINT, signal.SIG_IGN))
            shown = status(process)
        print(shown)
        return
    elif case in sent or case in ("pty-interrupt", "socket-interrupt", "pipe-interrupt",
                                  "nonblocking-pipe-interrupt", "pipe-two-interrupts"):
        if case.startswith("pty-"):
            reader, writer = os.openpty()
            tty.setraw(writer)
        elif case == "socket-interrupt":
            ours, theirs = socket.socketpair(socket.AF_UNIX, socket.SOCK_STREAM)
            theirs.setsockopt(socket.SOL_SOCKET, socket.SO_SNDBUF, 4096)
            ours.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4096)
            reader, writer = ours.detach(), theirs.detach()
        else:
            reader, writer = os.pipe()
            os.set_blocking(writer, case != "nonblocking-pipe-interrupt")
        process = subprocess.Popen(argv, stdout=writer)
        os.close(writer)
        settled(reader)
        process.send_signal(sent.get(case, signal.SIGINT))
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
    elif case in ("no-type-query", "close-eio", "no-sigaction", "no-sigprocmask",
                  "no-type-query-closed"):
        statx, close, fstat, newfstatat, rt_sigaction, rt_sigprocmask = 332, 3, 5, 262, 13, 14
        numbers, error = {"no-type-query": ([statx, fstat, newfstatat], errno.EPERM),
                          "close-eio": ([close], errno.EIO),
                          "no-sigaction": ([rt_sigaction], errno.EPERM),
                          "no-sigprocmask": ([rt_sigprocmask], errno.EPERM),
                          "no-type-query-closed": ([statx, fstat, newfstatat], errno.EPERM)}[case]
        if case in ("no-sigaction", "no-sigprocmask"):
            # Standard output is a pipe whose reader has gone.
            reader, writer = os.pipe()
            os.close(reader)
            process = subprocess.Popen(argv, stdout=writer, preexec_fn=deny(numbers, error))
            os.close(writer)
            shown = status(process)
            open(out_file, "wb").close()
        else:
            with open(out_file, "wb") as out:
                process = subprocess.Popen(argv, stdout=out, preexec_fn=deny(
                    numbers, error, close_output=case == "no-type-query-closed"))
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
