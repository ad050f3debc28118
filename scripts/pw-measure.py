#!/usr/bin/env python3
"""Side-by-side figures for the window-less monitor and pw-loopback on one route, in one private
PipeWire session (scripts/pw-session.sh): CPU time and wake-ups over a run at a forced quantum,
end-to-end latency of each, and the monitor's resume time over unplug/replug cycles.

    scripts/pw-measure.py MONITOR_BINARY [--seconds 60] [--quanta 256,1024] [--cycles 100]
                          [--rounds 1] [--routes standard,low,pw-loopback]

At each quantum the monitor (standard and low-latency route) and pw-loopback run in turn, --rounds
times over, so that a change in the machine's load falls on all of them alike; every run prints
one line; --routes picks which of the three run. An empty --quanta skips the side-by-side runs, --cycles 0 the replug cycles.
"""
import argparse
import os
import statistics
import struct
import subprocess
import sys
import tempfile
import time

SCRIPT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "pw-session.sh")
INTERFACE = "vx-test-interface"
SPEAKERS = "vx-test-speakers"
RATE = 48000


def session(*args, capture=False):
    result = subprocess.run(["bash", SCRIPT, *args], check=True, text=True,
                            stdout=subprocess.PIPE if capture else None)
    return result.stdout


def cpu_seconds(pid):
    # Time on a CPU of every thread, in nanoseconds (the first field of each task's schedstat):
    # exact, where utime and stime count 10 ms ticks, which at 0.3 % of a core over 15 s is
    # five ticks. The route's threads live as long as it does, so none is lost by exiting.
    total = 0
    for task in os.listdir(f"/proc/{pid}/task"):
        try:
            with open(f"/proc/{pid}/task/{task}/schedstat") as stat:
                total += int(stat.read().split()[0])
        except FileNotFoundError:
            pass
    return total / 1e9


def context_switches(pid):
    # Every thread's voluntary and involuntary switches: each is one wake-up of that thread.
    total = 0
    for task in os.listdir(f"/proc/{pid}/task"):
        try:
            with open(f"/proc/{pid}/task/{task}/status") as status:
                for line in status:
                    if line.startswith(("voluntary_ctxt_switches", "nonvoluntary_ctxt_switches")):
                        total += int(line.split()[1])
        except FileNotFoundError:
            pass
    return total


def resident_kb(pid):
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            if line.startswith("VmRSS"):
                return int(line.split()[1])
    return 0


def open_fds(pid):
    return len(os.listdir(f"/proc/{pid}/fd"))


def write_wave(path, channels):
    frames = len(channels[0])
    data = bytearray()
    for n in range(frames):
        for channel in channels:
            data += struct.pack("<f", channel[n])
    header = b"RIFF" + struct.pack("<I", 36 + len(data)) + b"WAVEfmt " + struct.pack(
        "<IHHIIHH", 16, 3, len(channels), RATE, RATE * 4 * len(channels), 4 * len(channels),
        32) + b"data" + struct.pack("<I", len(data))
    with open(path, "wb") as out:
        out.write(header + data)


def read_wave(path, count):
    with open(path, "rb") as wave:
        raw = wave.read()
    start = raw.find(b"data") + 8
    samples = struct.unpack(f"<{(len(raw) - start) // 4}f", raw[start:start + (len(raw) - start) // 4 * 4])
    return [samples[c::count] for c in range(count)]


def latency_frames(workdir):
    """Feeds a burst into channels 3 and 4 and taps the interface and the speakers on one
    timeline; answers the lag of the speakers' left channel behind channel 3, in frames."""
    import math
    signal = os.path.join(workdir, "burst.wav")
    tap = os.path.join(workdir, "tap.wav")
    frames = RATE // 2
    tone = [0.3 * math.sin(2 * math.pi * 311 * n / RATE) + 0.2 * math.sin(2 * math.pi * 887 * n / RATE)
            for n in range(frames)]
    write_wave(signal, [tone, tone])
    tapper = subprocess.Popen(["bash", SCRIPT, "tap", tap, "2", f"{INTERFACE}:capture_AUX2",
                               f"{SPEAKERS}:monitor_FL"])
    time.sleep(0.7)
    session("feed", signal, "2", "3")
    tapper.wait()
    source, played = read_wave(tap, 2)
    first_in = next(n for n, s in enumerate(source) if abs(s) > 1e-4)
    first_out = next(n for n, s in enumerate(played) if abs(s) > 0.01)
    window = 2048
    probe = first_in + 4800
    best = None
    for lag in range(first_out - first_in - 64, first_out - first_in + 65):
        score = sum(source[probe + n] * played[probe + lag + n] for n in range(window))
        if best is None or score > best[1]:
            best = (lag, score)
    return best[0]


def run_for(command, seconds):
    process = subprocess.Popen(command, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                               text=True)
    time.sleep(2.0)
    cpu0, switches0, t0 = cpu_seconds(process.pid), context_switches(process.pid), time.monotonic()
    time.sleep(seconds)
    cpu1, switches1, t1 = cpu_seconds(process.pid), context_switches(process.pid), time.monotonic()
    return process, 100.0 * (cpu1 - cpu0) / (t1 - t0), (switches1 - switches0) / (t1 - t0)


def stop(process):
    """Ends the process; answers the monitor's closing line (its counters), or nothing."""
    process.terminate()
    lines = process.communicate()[0].splitlines()
    return lines[-1].split(" ", 1)[1] if lines and " end " in lines[-1] else ""


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("monitor")
    parser.add_argument("--seconds", type=float, default=60)
    parser.add_argument("--quanta", default="256,1024")
    parser.add_argument("--cycles", type=int, default=100)
    parser.add_argument("--rounds", type=int, default=1)
    parser.add_argument("--routes", default="standard,low,pw-loopback")
    options = parser.parse_args()

    workdir = tempfile.mkdtemp(prefix="vx-pw-measure-")
    os.environ["VX_PW_SESSION"] = os.path.join(workdir, "session")
    session("start")
    for line in session("env", capture=True).splitlines():
        name, value = line.removeprefix("export ").split("=", 1)
        os.environ[name] = value
    session("make-devices")
    monitor = [options.monitor, "--device", INTERFACE, "--pair", "2-3"]
    loopback = ["pw-loopback", "-C", INTERFACE, "-P", SPEAKERS,
                "--capture-props=audio.position=[AUX2 AUX3]"]
    try:
        for quantum in [int(q) for q in options.quanta.split(",") if q]:
            subprocess.run(["pw-metadata", "-n", "settings", "0", "clock.force-quantum",
                            str(quantum)], check=True, stdout=subprocess.DEVNULL)
            chosen = options.routes.split(",")
            runs = [run for route, run in
                    (("standard", ("monitor", monitor)),
                     ("low", ("monitor low", monitor + ["--latency", "low"])),
                     ("pw-loopback", ("pw-loopback", loopback))) if route in chosen]
            totals = {}
            for round_ in range(options.rounds):
                for name, command in runs:
                    process, cpu, wakeups = run_for(command, options.seconds)
                    totals[name] = totals.get(name, 0.0) + cpu
                    latency = latency_frames(workdir)
                    counters = stop(process)
                    print(f"quantum {quantum} round {round_ + 1} {name}: cpu {cpu:.2f} % of a core, "
                          f"{wakeups:.0f} wake-ups/s, latency {latency} frames "
                          f"({1000.0 * latency / RATE:.1f} ms) {counters}", flush=True)
            # One round's ratio moves with the peer's few milliseconds of CPU; the sums over
            # the rounds are the steadier comparison.
            if totals.get("pw-loopback", 0.0) > 0.0:
                print(f"quantum {quantum} over {options.rounds} rounds: " + ", ".join(
                    f"{name} {total / totals['pw-loopback']:.2f}x pw-loopback"
                    for name, total in totals.items() if name != "pw-loopback"), flush=True)
        subprocess.run(["pw-metadata", "-n", "settings", "0", "clock.force-quantum", "0"],
                       check=True, stdout=subprocess.DEVNULL)
        if options.cycles <= 0:
            return 0

        process = subprocess.Popen(monitor, stdout=subprocess.PIPE, text=True)
        os.set_blocking(process.stdout.fileno(), True)

        def wait_for_phase(phase):
            for line in process.stdout:
                stamp, _, name = line.split()[:3]
                if name == phase:
                    return float(stamp)
            raise RuntimeError("the monitor ended")

        wait_for_phase("running")
        resumes = []
        footprint = []
        for cycle in range(options.cycles):
            session("unplug", INTERFACE)
            wait_for_phase("waitingForInput")
            replugged = time.monotonic()
            session("replug", INTERFACE)
            resumes.append(wait_for_phase("running") - replugged)
            if cycle + 1 in (1, options.cycles // 2, options.cycles):
                footprint.append(f"{resident_kb(process.pid)} kB / {open_fds(process.pid)} fds "
                                 f"after {cycle + 1}")
        stop(process)
        resumes.sort()
        print(f"{options.cycles} replug cycles, {len(resumes)} resumes: median "
              f"{1000 * statistics.median(resumes):.0f} ms, p95 "
              f"{1000 * resumes[int(0.95 * (len(resumes) - 1))]:.0f} ms (from the replug command); "
              f"resident and fds: {', '.join(footprint)}", flush=True)
    finally:
        session("stop")


if __name__ == "__main__":
    sys.exit(main())
