#!/usr/bin/env python3
"""SPOUTER's performance figures, side by side with its yardsticks, in one run.

Usage: python3 bench/run.py [--runs N] [--spouter PATH] [--exe PATH] [--long-only] [--long-runs N] [--before PATH]

Per-run time, system calls and peak resident set of `spouter "Hello, World!"
0D 0A` against coreutils printf, coreutils echo -n and a minimal static C
program that makes one write, and a program that only starts and exits
(the floor below, given no parameters); then 100k and 200k parameters against
`printf '%s'` with the same bytes; and the size and imports of the Windows
executable; then long lines of 100k and 200k parameters of three shapes
against a floor program (bench/floor.c) and printf '%s', and for 100k of
each shape the user-mode time of spouter's own code beside the floor's
(perf samples). Prints each figure, the targets, and whether each is met;
exits 1 if one is missed.
"""
import argparse
import os
import re
import resource
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
HELLO_ARGS = ["Hello, World!", "0D", "0A"]


def build_tools(work, spouter):
    if not os.path.exists(spouter):
        subprocess.run(["cmake", "--preset", "release"], cwd=ROOT, check=True,
                       stdout=subprocess.DEVNULL)
        subprocess.run(["cmake", "--build", "--preset", "release", "--target", "spouter"],
                       cwd=ROOT, check=True, stdout=subprocess.DEVNULL)
    tools = {}
    tools["minimal"] = os.path.join(work, "minimal")
    subprocess.run(["gcc", "-O2", "-static", "-o", tools["minimal"],
                    os.path.join(ROOT, "bench", "minimal.c")], check=True)
    return tools


def time_runs(commands, runs, stdout):
    """Mean and median wall time per run, in ms; the commands take turns."""
    times = {name: [] for name in commands}
    for _ in range(runs):
        for name, argv in commands.items():
            start = time.perf_counter()
            pid = os.posix_spawn(argv[0], argv, os.environ,
                                 file_actions=[(os.POSIX_SPAWN_DUP2, stdout, 1)])
            os.waitpid(pid, 0)
            times[name].append((time.perf_counter() - start) * 1000)
    return {name: (statistics.mean(t), statistics.median(t)) for name, t in times.items()}


def syscalls(argv, work):
    log = os.path.join(work, "strace.log")
    with open(os.devnull, "wb") as null:
        subprocess.run(["strace", "-f", "-o", log] + argv, stdout=null, check=True)
    with open(log) as lines:
        return sum(1 for line in lines if "(" in line and not line.split(None, 1)[-1].startswith("+++"))


# Stops the program at its last system call and reads its high-water mark of
# resident memory. (The rusage of a child is no measure for a program this
# small: it counts pages the child inherited from its parent before exec,
# and misses some of its own.)
PEAK_SCRIPT = """set startup-with-shell off
catch syscall exit_group
run > /dev/null
python import gdb; print("VmHWM", [l.split()[1] for l in open("/proc/%d/status" % gdb.selected_inferior().pid) if l.startswith("VmHWM")][0])
kill
"""


def peak_rss(argv, work):
    script = os.path.join(work, "peak.gdb")
    with open(script, "w") as out:
        out.write(PEAK_SCRIPT)
    result = subprocess.run(["gdb", "-q", "-batch", "-x", script, "--args"] + argv,
                            capture_output=True, text=True)
    for line in result.stdout.splitlines():
        if line.startswith("VmHWM "):
            return int(line.split()[1])
    sys.exit("could not read the peak resident set:\n" + result.stdout + result.stderr)


def scaling(spouter, counts, repeats, work):
    """Median ms per run with count parameters, standard output on a file."""
    resource.setrlimit(resource.RLIMIT_STACK, (256 << 20, resource.RLIM_INFINITY))
    words = ["ok", "xyz", "Hello", "q", "word12"]  # none is a byte code
    results = {}
    with open(os.path.join(work, "out"), "wb") as out:
        for count in counts:
            args = [words[i % len(words)] for i in range(count)]
            for name, argv in (("spouter", [spouter]), ("printf", ["/usr/bin/printf", "%s"])):
                samples = []
                for _ in range(repeats):
                    out.seek(0)
                    out.truncate()
                    start = time.perf_counter()
                    subprocess.run(argv + args, stdout=out, check=True)
                    samples.append((time.perf_counter() - start) * 1000)
                results[(name, count)] = statistics.median(samples)
            check_same_bytes(spouter, args, work)
    return results


def check_same_bytes(spouter, args, work):
    a = subprocess.run([spouter] + args, capture_output=True, check=True).stdout
    b = subprocess.run(["/usr/bin/printf", "%s"] + args, capture_output=True, check=True).stdout
    if a != b:
        sys.exit("spouter and printf disagree on the scaling input")


# Long lines: three shapes of parameter, each with the arguments that make
# printf '%s' write the same bytes as spouter (a code's byte itself, a text
# as it is). The floor gets spouter's arguments.
LONG_SHAPES = (("hex pairs 0A", "0A", "\n"), ("decimal triples 010", "010", "\n"),
               ("short texts xyz", "xyz", "xyz"))
LONG_COUNTS = (100000, 200000)


def build_floor(work):
    floor = os.path.join(work, "floor")
    subprocess.run(["gcc", "-O2", "-static", "-nostdlib", "-fno-builtin",
                    "-fno-tree-loop-distribute-patterns", "-fno-stack-protector", "-o", floor,
                    os.path.join(ROOT, "bench", "floor.c")], check=True)
    return floor


def spawn_to(argv, out):
    """Wall time in ms of one run with standard output on the file out."""
    os.lseek(out, 0, os.SEEK_SET)
    os.ftruncate(out, 0)
    start = time.perf_counter()
    pid = os.posix_spawn(argv[0], argv, os.environ, file_actions=[(os.POSIX_SPAWN_DUP2, out, 1)])
    os.waitpid(pid, 0)
    return (time.perf_counter() - start) * 1000


def long_lines(spouter, floor, repeats, work, before=None):
    """Median ms of spouter, the floor and printf per shape and count, runs
    interleaved; spouter's and printf's bytes are checked to be the same."""
    resource.setrlimit(resource.RLIMIT_STACK, (256 << 20, resource.RLIM_INFINITY))
    results = {}
    path = os.path.join(work, "long-out")
    out = os.open(path, os.O_RDWR | os.O_CREAT | os.O_TRUNC)
    for shape, argument, printed in LONG_SHAPES:
        for count in LONG_COUNTS:
            commands = {
                "spouter": [spouter] + [argument] * count,
                "floor": [floor] + [argument] * count,
                "printf": ["/usr/bin/printf", "%s"] + [printed] * count,
            }
            if before:
                commands["before"] = [before] + [argument] * count
            written = {}
            for name in ("spouter", "printf"):
                spawn_to(commands[name], out)
                with open(path, "rb") as done:
                    written[name] = done.read()
            if written["spouter"] != written["printf"] or not written["spouter"]:
                sys.exit(f"spouter and printf disagree on {shape}")
            samples = {name: [] for name in commands}
            for _ in range(repeats):
                for name, argv in commands.items():
                    samples[name].append(spawn_to(argv, out))
            for name in commands:
                results[(shape, count, name)] = statistics.median(samples[name])
    os.close(out)
    return results


def spawn_runs(argvs, runs, path):
    """Runs each argv runs times, taking turns, standard output on path."""
    resource.setrlimit(resource.RLIMIT_STACK, (256 << 20, resource.RLIM_INFINITY))
    out = os.open(path, os.O_RDWR | os.O_CREAT | os.O_TRUNC)
    for _ in range(runs):
        for argv in argvs:
            os.lseek(out, 0, os.SEEK_SET)
            os.ftruncate(out, 0)
            pid = os.posix_spawn(argv[0], argv, os.environ, file_actions=[(os.POSIX_SPAWN_DUP2, out, 1)])
            os.waitpid(pid, 0)
    os.close(out)


OWN_RUNS = 150


def own_user_times(programs, work):
    """Per shape of 100k parameters, the ms per run that each program spends
    in user mode, in its own code: perf's 10 kHz clock samples over
    OWN_RUNS runs that take turns, counted by process name. The wall times
    hold the kernel's copying of the arguments too, which this leaves out.
    None where perf cannot sample."""
    if not shutil.which("perf"):
        return None
    named = {}
    for name, path in programs.items():
        named[name] = os.path.join(work, "own", name)
        os.makedirs(os.path.dirname(named[name]), exist_ok=True)
        shutil.copy(path, named[name])
    results = {}
    data = os.path.join(work, "perf.data")
    for shape, argument, _ in LONG_SHAPES:
        done = subprocess.run(
            ["perf", "record", "-q", "-e", "cpu-clock", "-F", "10000", "-o", data, "--",
             sys.executable, os.path.abspath(__file__), "--spawn-runs", str(OWN_RUNS),
             "--argument", argument, "--count", "100000", "--output", os.path.join(work, "own-out")]
            + list(named.values()), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        if done.returncode != 0:
            return None
        report = subprocess.run(["perf", "report", "-i", data, "--sort", "comm,dso", "-n",
                                 "--stdio", "-q"], capture_output=True, text=True).stdout
        samples = {name: 0 for name in named}
        for line in report.splitlines():
            fields = line.split()
            if len(fields) >= 4 and fields[2] in samples and not fields[3].startswith("[kernel"):
                samples[fields[2]] += int(fields[1])
        for name, count in samples.items():
            results[(shape, name)] = count * 0.1 / OWN_RUNS
    return results


def print_own_user_times(results):
    if results is None:
        print("\nOwn user time: perf cannot sample here")
        return
    names = sorted({name for _, name in results}, key=lambda n: ("spouter", "before", "floor").index(n))
    print(f"\nOwn user time, 100 000 parameters, ms per run from 10 kHz samples over {OWN_RUNS} runs each")
    print(f"{'shape':<22}" + "".join(f"{n + ' ms':>12}" for n in names) + f"{'spouter - floor':>17}")
    for shape, _, _ in LONG_SHAPES:
        mine, floor = results[(shape, "spouter")], results[(shape, "floor")]
        print(f"{shape:<22}" + "".join(f"{results[(shape, n)]:>12.3f}" for n in names)
              + f"{mine - floor:>17.3f}")


def print_long_lines(results, repeats, before=False):
    print(f"\nLong lines, standard output on a file, medians of {repeats} interleaved runs")
    print(f"{'shape':<22}{'parameters':>11}{'spouter ms':>12}{'floor ms':>10}{'printf ms':>11}"
          f"{'vs floor':>10}{'vs printf':>11}" + (f"{'before ms':>11}{'before/floor':>14}" if before else ""))
    for shape, _, _ in LONG_SHAPES:
        for count in LONG_COUNTS:
            mine, floor, printf = (results[(shape, count, n)] for n in ("spouter", "floor", "printf"))
            earlier = ""
            if before:
                old = results[(shape, count, "before")]
                earlier = f"{old:>11.2f}{old / floor:>14.3f}"
            print(f"{shape:<22}{count:>11}{mine:>12.2f}{floor:>10.2f}{printf:>11.2f}"
                  f"{mine / floor:>10.3f}{mine / printf:>11.3f}" + earlier)


def instructions(argv, work):
    """Instructions that the whole run of ARGV executes, as callgrind counts
    them, with standard output on a file: the same count on any machine of
    the processor family, whatever else it is doing."""
    log = os.path.join(work, "callgrind.log")
    with open(os.path.join(work, "counted-out"), "wb") as out:
        subprocess.run(["valgrind", "--tool=callgrind", "--callgrind-out-file=/dev/null",
                        f"--log-file={log}"] + argv, stdout=out, check=True)
    with open(log) as text:
        return int(re.search(r"Collected : (\d+)", text.read()).group(1))


INSTRUCTION_COUNT = 100000


def instruction_figures(spouter, minimal, work):
    """Instructions of the hello run and the minimal program, and per
    parameter of 100 000 of each shape beside printf '%s' for the same
    bytes."""
    resource.setrlimit(resource.RLIMIT_STACK, (256 << 20, resource.RLIM_INFINITY))
    figures = {"hello": instructions([spouter] + HELLO_ARGS, work),
               "minimal": instructions([minimal], work)}
    for shape, argument, printed in LONG_SHAPES:
        count = INSTRUCTION_COUNT
        figures[(shape, "spouter")] = instructions([spouter] + [argument] * count, work) / count
        figures[(shape, "printf")] = (instructions(["/usr/bin/printf", "%s"] + [printed] * count, work)
                                      / count)
    return figures


def print_instruction_figures(figures):
    print("\nInstructions (callgrind), standard output on a file")
    print(f"  hello run {figures['hello']}, minimal static C program {figures['minimal']}")
    print(f"{'shape, 100 000 parameters':<28}{'spouter':>10}{'printf':>10}  per parameter")
    for shape, _, _ in LONG_SHAPES:
        print(f"{shape:<28}{figures[(shape, 'spouter')]:>10.0f}{figures[(shape, 'printf')]:>10.0f}")


def instruction_targets(figures):
    """The targets in instructions: (text, met) pairs."""
    hello, minimal = figures["hello"], figures["minimal"]
    targets = [(f"hello run: {hello} instructions, at most 8000 and a quarter of the minimal "
                f"program's {minimal}", hello <= 8000 and hello * 4 <= minimal)]
    for shape, _, _ in LONG_SHAPES:
        mine, printf = figures[(shape, "spouter")], figures[(shape, "printf")]
        targets.append((f"{shape}: {mine:.0f} instructions a parameter, at most 400 and a quarter "
                        f"of printf's {printf:.0f}", mine <= 400 and mine * 4 <= printf))
    return targets


def long_line_figures(results):
    """The time ratios of the long lines, as text: figures, not targets,
    since they move several-fold between machines."""
    worst_floor = max(results[(s, c, "spouter")] / results[(s, c, "floor")]
                      for s, _, _ in LONG_SHAPES for c in LONG_COUNTS)
    worst_printf = max(results[(s, c, "spouter")] / results[(s, c, "printf")]
                       for s, _, _ in LONG_SHAPES for c in LONG_COUNTS)
    worst_growth = max(results[(s, 200000, "spouter")] / results[(s, 100000, "spouter")]
                       for s, _, _ in LONG_SHAPES)
    return [
        f"long lines vs the floor, worst shape and size: {worst_floor:.3f}x",
        f"long lines vs printf, worst shape and size: {worst_printf:.3f}x",
        f"long lines time(200k)/time(100k), worst shape: {worst_growth:.2f}",
    ]


def own_programs(spouter, floor, before):
    programs = {"spouter": spouter, "floor": floor}
    if before:
        programs["before"] = before
    return programs


def long_lines_only(spouter, before, repeats):
    with tempfile.TemporaryDirectory() as work:
        floor = build_floor(work)
        results = long_lines(spouter, floor, repeats, work, before)
        own = own_user_times(own_programs(spouter, floor, before), work)
    print_long_lines(results, repeats, bool(before))
    print_own_user_times(own)
    print("\nFigures")
    for text in long_line_figures(results):
        print(f"  {text}")
    return 0


def target_builds():
    """The Linux builds of the source tree that describe themselves in
    tests/target.env, as dictionaries of its lines."""
    builds = []
    for folder in sorted(os.listdir(ROOT)):
        env = os.path.join(ROOT, folder, "tests", "target.env")
        if folder.startswith("build") and os.path.exists(env):
            with open(env) as lines:
                fields = dict(line.rstrip("\n").split("=", 1) for line in lines if "=" in line)
            builds.append({key: value.strip('"') for key, value in fields.items()})
    return builds


def target_syscalls(build, work):
    """System calls of the hello run on a target, execve included. Under an
    emulator, its -strace log shows the program's own calls; the execve is
    the emulator's, counted as the one a native run makes."""
    image = build["image"]
    if not build["emulator"]:
        return syscalls([image] + HELLO_ARGS, work)
    run = subprocess.run(build["emulator"].split() + ["-strace", image] + HELLO_ARGS,
                         stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    calls = [line for line in run.stderr.splitlines() if re.match(r"^\d+ [a-z_0-9]+\(", line)]
    return len(calls) + 1


def print_targets(builds, work):
    """Per target: layer, binary size and hello-run system calls; no times,
    which mean nothing under an emulator. Returns the targets' (text, met):
    the program without a C library has them; the layer on a C library
    pays that library's own start-up, which is shown but has no target."""
    print("\nTargets built here, hello run on /dev/null")
    print(f"{'target':<14}{'layer':<8}{'bytes':>9}{'syscalls':>10}")
    checks = []
    for build in builds:
        size = os.path.getsize(build["image"])
        calls = target_syscalls(build, work)
        print(f"{build['target']:<14}{build['layer']:<8}{size:>9}{calls:>10}")
        if build["layer"] == "linux":
            checks.append((f"{build['target']}: {calls} system calls", calls <= 16))
            checks.append((f"{build['target']}: {size} bytes", size < 100 * 1024))
    return checks


def windows_image(exe):
    """Size in bytes of a PE file and the functions it imports, by DLL."""
    headers = subprocess.run(["objdump", "-p", exe], capture_output=True, text=True,
                             check=True).stdout
    imports, dll = {}, None
    for line in headers.splitlines():
        name = re.match(r"\s*DLL Name: (\S+)", line)
        if name:
            dll = name.group(1)
            imports[dll] = []
        elif dll and re.match(r"\s*[0-9a-f]+\s+\d+\s+\w+$", line):
            imports[dll].append(line.split()[-1])
        elif dll and not line.strip() and imports[dll]:
            dll = None
    return os.path.getsize(exe), imports


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--runs", type=int, default=2000)
    parser.add_argument("--spouter", default=os.path.join(ROOT, "build", "spouter"))
    parser.add_argument("--exe", default=os.path.join(ROOT, "build-win32", "spouter.exe"))
    parser.add_argument("--long-runs", type=int, default=9,
                        help="interleaved runs of each long line (default 9)")
    parser.add_argument("--before", help="another spouter to run beside it in the long lines")
    parser.add_argument("--long-only", action="store_true",
                        help="only the long lines, with their targets")
    # The runs that perf samples for the own user times: this script again.
    parser.add_argument("--spawn-runs", type=int, help=argparse.SUPPRESS)
    parser.add_argument("--argument", help=argparse.SUPPRESS)
    parser.add_argument("--count", type=int, help=argparse.SUPPRESS)
    parser.add_argument("--output", help=argparse.SUPPRESS)
    parser.add_argument("programs", nargs="*", help=argparse.SUPPRESS)
    options = parser.parse_args()
    if options.spawn_runs:
        spawn_runs([[p] + [options.argument] * options.count for p in options.programs],
                   options.spawn_runs, options.output)
        return 0
    if options.long_only:
        return long_lines_only(options.spouter, options.before, options.long_runs)
    for tool in ("gcc", "strace", "objdump", "valgrind"):
        if not shutil.which(tool):
            sys.exit(f"bench needs {tool}")

    with tempfile.TemporaryDirectory() as work:
        tools = build_tools(work, options.spouter)
        floor = build_floor(work)
        # The floor without parameters starts and exits, and does nothing
        # else: what no program started here can go below.
        hello = {
            "spouter": [options.spouter] + HELLO_ARGS,
            "minimal static C": [tools["minimal"]],
            "start and exit only": [floor],
            "coreutils printf": ["/usr/bin/printf", "Hello, World!\\r\\n"],
            "coreutils echo -n": ["/usr/bin/echo", "-n", "Hello, World!\r\n"],
        }
        null = os.open(os.devnull, os.O_WRONLY)
        time_runs(hello, 50, null)  # warm-up
        timings = time_runs(hello, options.runs, null)

        print(f"Hello run, standard output on /dev/null, {options.runs} runs each, taking turns")
        print(f"{'program':<20}{'mean ms':>10}{'median ms':>11}{'syscalls':>10}{'peak RSS KiB':>14}")
        figures = {}
        for name, argv in hello.items():
            mean, median = timings[name]
            calls = syscalls(argv, work)
            rss = peak_rss(argv, work)
            figures[name] = (mean, median, calls, rss)
            print(f"{name:<20}{mean:>10.3f}{median:>11.3f}{calls:>10}{rss:>14}")

        counts = (100000, 200000)
        scale = scaling(options.spouter, counts, 7, work)
        print("\nMany parameters, standard output on a file, median of 7 runs")
        print(f"{'parameters':<12}{'spouter ms':>12}{'printf ms':>12}")
        for count in counts:
            print(f"{count:<12}{scale[('spouter', count)]:>12.1f}{scale[('printf', count)]:>12.1f}")

        target_checks = print_targets(target_builds(), work)
        counted = instruction_figures(options.spouter, tools["minimal"], work)
        print_instruction_figures(counted)

        long_repeats = options.long_runs
        long_results = long_lines(options.spouter, floor, long_repeats, work, options.before)
        print_long_lines(long_results, long_repeats, bool(options.before))
        print_own_user_times(own_user_times(own_programs(options.spouter, floor, options.before), work))

    exe_size = None
    if os.path.exists(options.exe):
        exe_size, imports = windows_image(options.exe)
        print(f"\nWindows executable {os.path.relpath(options.exe, ROOT)}: {exe_size} bytes")
        for dll, functions in imports.items():
            print(f"  {dll}: {' '.join(functions)}")
    else:
        print(f"\nWindows executable {options.exe} not built (cmake --preset win32)")

    spouter, minimal = figures["spouter"], figures["minimal static C"]
    ratio = spouter[0] / minimal[0]
    least = figures["start and exit only"][0] / minimal[0]
    growth = scale[("spouter", 200000)] / scale[("spouter", 100000)]
    # Times move several-fold between machines: figures beside the targets.
    print("\nFigures")
    for text in [f"time per run vs minimal static program: {ratio:.3f}x "
                 f"(a start and an exit alone: {least:.3f}x)",
                 f"200k parameters vs printf: {scale[('spouter', 200000)]:.1f} ms vs "
                 f"{scale[('printf', 200000)]:.1f} ms",
                 f"time(200k)/time(100k): {growth:.2f}"] + long_line_figures(long_results):
        print(f"  {text}")
    targets = [
        (f"system calls of the hello run: {spouter[2]}", spouter[2] <= 16),
        (f"peak RSS: {spouter[3]} KiB", spouter[3] <= 1024),
        (f"Windows executable: {exe_size} bytes", exe_size is not None and exe_size <= 16384),
    ] + instruction_targets(counted) + target_checks
    print("\nTargets")
    for text, met in targets:
        print(f"  {'met   ' if met else 'MISSED'} {text}")
    return 0 if all(met for _, met in targets) else 1


if __name__ == "__main__":
    sys.exit(main())
