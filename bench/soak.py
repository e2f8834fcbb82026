#!/usr/bin/env python3
"""Soak run: each program for minutes against its simulator with faults mixed in.

  bench/soak.py [tessera|corvid|both] [--minutes 5] [--every 20] [--fault-for 3]

The simulator (tbx-sim / switchpack-sim, over a pseudo-terminal) runs clean for
--every seconds, then one fault for --fault-for seconds, cycling through every fault
it knows (noise, cut and overlong answers, bad checksums, late answers, a flood, the
device pulled and plugged back; for the switch pack also NAK storms and answers to
the previous command). Reported, so that a leak or a spin shows as a number:
  - CPU of the program per minute (% of one core),
  - resident memory at start (after 10 s), at the end, and its peak,
  - main polls per second while clean and during each kind of fault,
  - recovery after each fault: from its end until the window shows the device
    responding again (0 when it never stopped).
The program writes its screen log (CABINET_SCREEN_LOG) for the recovery times; that
costs it a little CPU of its own. Needs build/bin/{tessera,tbx-sim,corvid,switchpack-sim}.
"""
import argparse
import os
import signal
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BIN = os.path.join(ROOT, "build", "bin")
CLK_TCK = os.sysconf("SC_CLK_TCK")
PAGE_KIB = os.sysconf("SC_PAGE_SIZE") // 1024

PROGRAMS = {
    "tessera": {
        "sim": "tbx-sim",
        "port": 7,
        "args": ["/comm=7"],
        "sim_args": ["--address", "9"],
        "faults": "garbage,truncate,oversize,checksum,late,flood,unplug",
        "link": ("lblComm", "TBX Responding"),
    },
    "corvid": {
        "sim": "switchpack-sim",
        "port": 9,
        "args": [],
        "sim_args": [],
        "faults": "garbage,truncate,oversize,checksum,late,foreign,nak,flood,unplug",
        "link": ("lblRespnding", "Device Responding"),
    },
}


def stamp(text):
    at = text.find("t=")
    return float(text[at + 2:].split()[0]) if at >= 0 else 0.0


def traffic(path):
    """[(kind, bytes or note, t)] of the simulator's log."""
    out = []
    with open(path, errors="replace") as f:
        for line in f:
            if not line or line[0] not in "<>!":
                continue
            body = line[1:].split("t=")[0].strip()
            out.append((line[0], body if line[0] == "!" else bytes.fromhex(body), stamp(line)))
    return out


def screen(path):
    out = []
    with open(path, errors="replace") as f:
        for line in f:
            line = line.rstrip("\n")
            if not line.startswith("t=") or " " not in line:
                continue
            t, rest = line.split(" ", 1)
            name, _, shown = rest.partition("=")
            out.append((float(t[2:]), name, shown))
    return out


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / CLK_TCK


def rss_kib(pid):
    with open(f"/proc/{pid}/statm") as f:
        return int(f.read().split()[1]) * PAGE_KIB


def is_main_poll(program, frame):
    if program == "tessera":
        return frame[:1] in (b"\x34", b"\x35")
    return len(frame) > 3 and frame[0] == 0x7E and frame[3] in (0x01, 0x02)


def soak(program, minutes, every, fault_for):
    p = PROGRAMS[program]
    seconds = minutes * 60
    with tempfile.TemporaryDirectory() as tmp:
        env = dict(os.environ, CABINET_COM_DIR=os.path.join(tmp, "com"),
                   XDG_CONFIG_HOME=os.path.join(tmp, "config"), QT_QPA_PLATFORM="offscreen",
                   CABINET_SCREEN_LOG=os.path.join(tmp, "screen.log"))
        if program == "corvid":
            d = os.path.join(tmp, "config", "cabinet-tools")
            os.makedirs(d)
            with open(os.path.join(d, "Corvid.conf"), "w") as f:
                f.write(f"[port]\nportnum={p['port']}\n")
        log = os.path.join(tmp, "traffic.log")
        sim = subprocess.Popen(
            [os.path.join(BIN, p["sim"]), "--port", str(p["port"]), "--log", log] + p["sim_args"] +
            ["--fault", p["faults"], "--fault-after", str(every * 1000), "--fault-for",
             str(fault_for * 1000), "--fault-every", str((every + fault_for) * 1000)],
            env=env, stdout=subprocess.PIPE)
        sim.stdout.readline()
        prog = subprocess.Popen([os.path.join(BIN, program)] + p["args"], env=env,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        started = time.time()
        time.sleep(10)
        rss_start = rss_kib(prog.pid)
        peak = rss_start
        cpu_per_minute = []
        c0, w0 = cpu_seconds(prog.pid), time.time()
        while time.time() - started < seconds:
            time.sleep(min(5, max(0.1, seconds - (time.time() - started))))
            if prog.poll() is not None:
                break
            peak = max(peak, rss_kib(prog.pid))
            if time.time() - w0 >= 60:
                c1, w1 = cpu_seconds(prog.pid), time.time()
                cpu_per_minute.append(100.0 * (c1 - c0) / (w1 - w0))
                c0, w0 = c1, w1
        alive = prog.poll() is None
        rss_end = rss_kib(prog.pid) if alive else -1
        if alive:
            prog.send_signal(signal.SIGTERM)
            prog.wait(timeout=10)
        sim.send_signal(signal.SIGTERM)
        sim.wait(timeout=10)
        lines = traffic(log)
        shown = screen(env["CABINET_SCREEN_LOG"])

    # Phases from the simulator's notes.
    phases = []  # (kind, on, off)
    on = {}
    for kind, body, t in lines:
        if kind == "!" and body.startswith("fault "):
            _, name, state = body.split()
            if state == "on":
                on[name] = t
            elif name in on:
                phases.append((name, on.pop(name), t))
    polls = [t for kind, body, t in lines if kind == ">" and is_main_poll(program, body)]
    first, last = (polls[0], polls[-1]) if polls else (0, 0)

    def rate(a, b):
        return sum(1 for t in polls if a <= t < b) / (b - a) if b > a else float("nan")

    by_kind = {}
    for name, a, b in phases:
        by_kind.setdefault(name, []).append(rate(a, b))
    clean = []
    edges = [first] + [x for _, a, b in phases for x in (a, b)] + [last]
    for a, b in zip(edges[0::2], edges[1::2]):
        if b - a > 2:
            clean.append(rate(a + 1, b))  # a second after a fault for recovery

    link_name, good = p["link"]
    link = [(t, s.replace(" [disabled]", "")) for t, n, s in shown if n == link_name]
    recovery = {}
    for name, a, b in phases:
        nxt = min([x for _, x, _ in phases if x > b] + [last])
        state_at_end = [s for t, s in link if t <= b]
        changes = [t for t, s in link if b < t < nxt and s == good]
        if state_at_end and state_at_end[-1] == good and not any(
                s != good for t, s in link if b < t < nxt):
            recovery.setdefault(name, []).append(0.0)
        elif changes:
            recovery.setdefault(name, []).append(changes[0] - b)
        else:
            recovery.setdefault(name, []).append(float("inf"))

    print(f"{program}: {seconds / 60:.0f} min against {p['sim']}, a fault every "
          f"{every + fault_for} s for {fault_for} s ({p['faults']})")
    print(f"  still running at the end   {'yes' if alive else 'NO'}")
    print("  CPU per minute             " + " ".join(f"{c:.2f}" for c in cpu_per_minute) +
          " (% of one core)")
    print(f"  resident memory            start {rss_start / 1024:.1f} MiB, end "
          f"{rss_end / 1024:.1f} MiB, peak {peak / 1024:.1f} MiB")
    print(f"  main polls per second      clean {statistics.median(clean):.2f} (median of "
          f"{len(clean)} gaps)" if clean else "  main polls per second      clean n/a")
    for name in p["faults"].split(","):
        if name in by_kind:
            r = recovery.get(name, [])
            print(f"    {name:10s} during {statistics.median(by_kind[name]):6.2f}/s   recovery "
                  + ", ".join(f"{x:.2f}" for x in r) + " s")
    allr = [x for r in recovery.values() for x in r]
    if allr:
        print(f"  recovery                   max {max(allr):.2f} s over {len(allr)} faults")
    sys.stdout.flush()


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawTextHelpFormatter)
    parser.add_argument("program", nargs="?", default="both", choices=["tessera", "corvid", "both"])
    parser.add_argument("--minutes", type=float, default=5)
    parser.add_argument("--every", type=int, default=20, help="clean seconds between faults")
    parser.add_argument("--fault-for", type=int, default=3)
    a = parser.parse_args()
    for program in (["tessera", "corvid"] if a.program == "both" else [a.program]):
        soak(program, a.minutes, a.every, a.fault_for)


if __name__ == "__main__":
    main()
