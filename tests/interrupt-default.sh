# Sourced first by the scripts that send Ctrl+C to the programs under test.
# A script started in the background inherits SIGINT ignored, and no shell
# can undo that for its children: such a script starts again with the
# default action.
if (( 0x$(sed -n 's/^SigIgn:[[:space:]]*//p' /proc/$$/status) & 2 )); then
  exec python3 -c 'import os, signal, sys
for number in signal.SIGINT, signal.SIGPIPE, signal.SIGXFSZ:
    signal.signal(number, signal.SIG_DFL)
os.execvp(sys.argv[1], sys.argv[1:])' bash "$0" "$@"
fi
