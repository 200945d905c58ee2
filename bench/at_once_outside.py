#!/usr/bin/env python3
"""Two files at once through the real window against xargs -P 2 over the same encoder
argument lists, measured from outside: from the first encoder's start to the last output
under its final name. Rounds alternate which of the two goes first; the first window
batch only records the argument lists and is not counted.

  at_once_outside.py PROGRAM_FOLDER CLIP_FOLDER WORK_FOLDER ROUNDS

Prints per round and as medians: both wall times and their ratio, the encoders' CPU time
in each, the program's own CPU time and that of the X server and the buses, and the ratio at
equal encoder CPU time (this machine's speed drifts between runs). Asserts nothing.
"""
import glob
import os
import shlex
import statistics
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "program"))
import desktop as d  # noqa: E402
from desktop import log, wait_for  # noqa: E402

TICK = os.sysconf("SC_CLK_TCK")


def cpu_of(pid):
    """User and system seconds of a process and its threads, 0 once it is gone."""
    try:
        fields = open("/proc/%d/stat" % pid).read().rsplit(")", 1)[1].split()
        return (int(fields[11]) + int(fields[12])) / TICK
    except OSError:
        return 0.0


def bus_pids():
    """The X server, the session and accessibility buses and the registry: the CPU they
    spend on the window's drawing and events is taken from the encoders too."""
    found = []
    for path in glob.glob("/proc/[0-9]*/comm"):
        try:
            name = open(path).read().strip()
        except OSError:
            continue
        if name.startswith("at-spi") or name in ("dbus-daemon", "Xvfb"):
            found.append(int(path.split("/")[2]))
    return found


def read_log(path):
    """Each run's start, end and the encoder's CPU seconds (from the shell's `times`)."""
    starts, ends, cpu = {}, {}, 0.0
    for line in open(path):
        parts = line.split()
        if parts[0] == "start":
            starts[parts[2]] = float(parts[1])
        elif parts[0] == "end":
            ends[parts[2]] = float(parts[1])
            for t in parts[3:5]:  # children's user and system time, "0m1.234s"
                minutes, seconds = t.rstrip("s").split("m")
                cpu += 60 * float(minutes) + float(seconds)
    return starts, ends, cpu


def timeline(starts, ends, last_output):
    """Where the wall time goes besides the encoders: the second encoder's start after the
    first, the median gap from an encoder's end to the start that takes its place, and
    from the last end to the last output under its final name; in milliseconds."""
    begun, ended = sorted(starts.values()), sorted(ends.values())
    gaps = [begun[k] - ended[k - 2] for k in range(2, len(begun))]
    return (1000 * (begun[1] - begun[0]), 1000 * statistics.median(gaps) if gaps else 0,
            1000 * (last_output - ended[-1]))


def wait_lines(path, kind, count, limit):
    def probe():
        return os.path.exists(path) and sum(1 for line in open(path) if line.startswith(kind)) >= count
    wait_for("%d %s lines in %s" % (count, kind, path), probe, limit=limit, every=0.1)


def last_final_output(folder, names):
    """When the last of the outputs got its final name (its inode's change time)."""
    return max(os.stat(os.path.join(folder, name)).st_ctime for name in names)


def sync_figures(path, output):
    """Count and milliseconds of the writes through, for the outputs and for the rest."""
    figures = {"outputs": [0, 0.0], "settings file and journal": [0, 0.0]}
    if os.path.exists(path):
        for line in open(path):
            kind, took, name = line.rstrip("\n").split(" ", 2)
            key = "outputs" if name.startswith(output) else "settings file and journal"
            figures[key][0] += 1
            figures[key][1] += float(took)
        os.remove(path)
    return figures


def window_round(folder, clips, work, count, first, skip_syncs=False):
    sync_log = os.path.join(work, "sync.log")
    os.environ["LD_PRELOAD"] = os.path.join(work, "sync_shim.so")
    os.environ["ONDREVO_SYNC_LOG"] = sync_log
    os.environ["ONDREVO_SYNC_SKIP"] = "1" if skip_syncs else "0"
    try:
        return window_batch(folder, clips, work, count, first) + (sync_figures(sync_log, os.path.join(folder, "FFOutput")),)
    finally:
        for name in ("LD_PRELOAD", "ONDREVO_SYNC_LOG", "ONDREVO_SYNC_SKIP"):
            del os.environ[name]


def window_batch(folder, clips, work, count, first):
    output = os.path.join(folder, "FFOutput")
    for name in os.listdir(output):
        os.remove(os.path.join(output, name))
    log_path = os.path.join(work, "ondrevo.log")
    if os.path.exists(log_path):
        os.remove(log_path)
    with d.running(folder, os.path.join(work, "program.stderr"), [clips]) as program:
        window = program.top_level("Ondrevo")
        d.wait_for_rows(window, count, limit=120)
        convert = d.button(window, "Convert")
        buses = bus_pids()
        own0, bus0 = cpu_of(program.pid), sum(cpu_of(p) for p in buses)
        d.click(convert)
        # Only the log and the folder are watched meanwhile, so the measuring costs nothing
        # on the accessibility bus.
        wait_lines(log_path, "end", count, 600)
        expected = ["clip %d.3gp" % (i + 1) for i in range(count)]
        wait_for("every output under its final name",
                 lambda: all(os.path.exists(os.path.join(output, n)) for n in expected), limit=60, every=0.05)
        own, bus = cpu_of(program.pid) - own0, sum(cpu_of(p) for p in buses) - bus0
        d.press(window, "Quit")
        program.wait_end()
    starts, ends, encoders = read_log(log_path)
    last = last_final_output(output, expected)
    wall = last - min(starts.values())
    log("  window: second start %.0f ms after the first, gap end to next start %.0f ms, last output %.0f ms "
        "after the last end" % timeline(starts, ends, last))
    if first:
        # The arguments in the order the window started them, for xargs.
        order = sorted(starts, key=lambda pid: starts[pid])
        lists = [open(os.path.join(work, "args." + pid)).read().split("\n")[:-1] for pid in order]
        for pid in order:
            os.remove(os.path.join(work, "args." + pid))
        return wall, encoders, own, bus, lists
    return wall, encoders, own, bus, None


def xargs_round(folder, work, lists):
    scripts = []
    encoder = os.path.join(folder, "bin", "ffmpeg")
    for n, arguments in enumerate(lists):
        path = os.path.join(work, "job%d.sh" % n)
        with open(path, "w") as f:
            f.write("exec %s </dev/null >/dev/null 2>&1\n" % " ".join(shlex.quote(a) for a in [encoder] + arguments))
        scripts.append(path)
    outputs = [a[-1] for a in lists]
    for path in outputs:
        if os.path.exists(path):
            os.remove(path)
    log_path = os.path.join(work, "xargs.log")
    if os.path.exists(log_path):
        os.remove(log_path)
    env = dict(os.environ, ONDREVO_OUTSIDE_LOG=log_path)
    subprocess.run(["xargs", "-0", "-P", "2", "-n", "1", "sh"], input="\0".join(scripts).encode(), env=env,
                   check=True)
    starts, ends, encoders = read_log(log_path)
    last = max(os.stat(p).st_mtime for p in outputs)
    wall = last - min(starts.values())
    log("  xargs: second start %.0f ms after the first, gap end to next start %.0f ms, last output %.0f ms "
        "after the last end" % timeline(starts, ends, last))
    for path in outputs:
        os.remove(path)
    return wall, encoders


def measure(folder, clips, work, rounds):
    count = len(os.listdir(clips))
    lists = window_round(folder, clips, work, count, first=True)[4]
    log("the window's argument lists recorded (%d); warm-up of xargs" % len(lists))
    xargs_round(folder, work, lists)
    rows = []
    for r in range(rounds):
        # The three runs of a round in a turning order: window, window without writes
        # through, xargs.
        runs = {}
        order = ["window", "unsynced", "xargs"]
        order = order[r % 3:] + order[:r % 3]
        for name in order:
            if name == "xargs":
                runs[name] = xargs_round(folder, work, lists)
            else:
                runs[name] = window_round(folder, clips, work, count, False, skip_syncs=(name == "unsynced"))
        ours, bare, theirs = runs["window"], runs["unsynced"], runs["xargs"]
        ratio = ours[0] / theirs[0]
        # At equal encoder CPU: each wall time scaled by the other's encoder CPU time.
        equal = ratio * theirs[1] / ours[1]
        unsynced = bare[0] / theirs[0]
        syncs = ours[5]
        rows.append((ratio, equal, ours, theirs, unsynced, syncs))
        log("round %d (%s): window %.2f s, xargs %.2f s, ratio %.3f (at equal encoder CPU %.3f), "
            "without writes through %.3f; encoders' CPU %.1f s against %.1f s; the window's own CPU %.2f s, "
            "the X server and buses %.2f s; writes through: outputs %d in %.0f ms, settings file and journal "
            "%d in %.0f ms"
            % (r + 1, " then ".join(order), ours[0], theirs[0], ratio, equal, unsynced, ours[1], theirs[1], ours[2],
               ours[3], syncs["outputs"][0], syncs["outputs"][1], syncs["settings file and journal"][0],
               syncs["settings file and journal"][1]))
    log("median over %d rounds: ratio %.3f (%.3f to %.3f), at equal encoder CPU %.3f, without writes through "
        "%.3f; own CPU %.2f s, X server and buses %.2f s; writes through per batch: outputs %.0f ms, settings file and journal "
        "%.0f ms"
        % (rounds, statistics.median(r[0] for r in rows), min(r[0] for r in rows), max(r[0] for r in rows),
           statistics.median(r[1] for r in rows), statistics.median(r[4] for r in rows),
           statistics.median(r[2][2] for r in rows), statistics.median(r[2][3] for r in rows),
           statistics.median(r[5]["outputs"][1] for r in rows),
           statistics.median(r[5]["settings file and journal"][1] for r in rows)))

if __name__ == "__main__":
    d.run_check(lambda: measure(sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4])))
