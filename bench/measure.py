#!/usr/bin/env python3
"""End-to-end measurements of a program polling its simulator over a pseudo-terminal.

  bench/measure.py tessera [--seconds 20] [--runs 3] [--address A] [--responding-only]
  bench/measure.py corvid  [--seconds 20] [--runs 3]

Reports medians over the runs of: requests per second of the main poll, CPU of the
program's process (responding device and silent device), mean tick time with a silent
device, and the time from process start to the first request on the wire.
Needs build/bin/{tessera,tbx-sim,corvid,switchpack-sim} (./scripts/run builds them).
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
PORT = 7
CLK_TCK = os.sysconf("SC_CLK_TCK")


def read_log(path):
    """[(from_host, bytes, t)] per line of the simulator's traffic log."""
    out = []
    if not os.path.exists(path):
        return out
    with open(path) as f:
        for line in f:
            if not line or line[0] not in "<>":
                continue
            body, _, stamp = line[1:].partition("t=")
            out.append((line[0] == ">", bytes.fromhex(body), float(stamp)))
    return out


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / CLK_TCK


def is_main_poll(program, frame):
    if program == "tessera":
        return frame[:1] in (b"\x34", b"\x35")
    return len(frame) > 3 and frame[0] == 0x7E and frame[3] in (0x01, 0x02)


def corvid_settings(config_home):
    # Corvid opens its stored port at start; store the simulator's port number.
    d = os.path.join(config_home, "cabinet-tools")
    os.makedirs(d, exist_ok=True)
    with open(os.path.join(d, "Corvid.conf"), "w") as f:
        f.write(f"[port]\nportnum={PORT}\n")


def run_once(program, seconds, silent, address=None):
    sim = "tbx-sim" if program == "tessera" else "switchpack-sim"
    with tempfile.TemporaryDirectory() as tmp:
        env = dict(os.environ, CABINET_COM_DIR=os.path.join(tmp, "com"),
                   XDG_CONFIG_HOME=os.path.join(tmp, "config"), QT_QPA_PLATFORM="offscreen")
        log = os.path.join(tmp, "traffic.log")
        if program == "corvid":
            corvid_settings(env["XDG_CONFIG_HOME"])
        sim_args = [os.path.join(BIN, sim), "--port", str(PORT), "--log", log]
        if silent:
            sim_args.append("--silent")
        if address is not None:
            sim_args += ["--address", str(address)]
        simp = subprocess.Popen(sim_args, env=env, stdout=subprocess.PIPE)
        simp.stdout.readline()  # "COMn -> /dev/pts/N" once the link exists
        args = [os.path.join(BIN, program)]
        if program == "tessera":
            args.append(f"/comm={PORT}")
        start = time.time()
        prog = subprocess.Popen(args, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        time.sleep(2.0)  # settle before measuring
        c0, w0 = cpu_seconds(prog.pid), time.time()
        time.sleep(seconds)
        c1, w1 = cpu_seconds(prog.pid), time.time()
        prog.send_signal(signal.SIGTERM)
        prog.wait(timeout=10)
        simp.send_signal(signal.SIGTERM)
        simp.wait(timeout=10)
        entries = read_log(log)
        requests = [t for host, frame, t in entries if host]
        polls = [t for host, frame, t in entries if host and is_main_poll(program, frame)
                 and w0 <= t <= w1]
        # A full tick (input, status, identify) runs from its input request to the
        # next tick's input request, less the 100 ms timer interval.
        full_ticks = []
        if program == "tessera":
            inputs = [t for host, f, t in entries if host and is_main_poll(program, f)]
            for host, f, t in entries:
                if host and f[:1] == b"\x71":
                    before = [x for x in inputs if x <= t]
                    after = [x for x in inputs if x > t]
                    if before and after:
                        full_ticks.append(after[0] - before[-1] - 0.1)
        return {
            "full_tick_s": statistics.median(full_ticks) if full_ticks else float("nan"),
            "polls_per_s": len(polls) / (w1 - w0),
            "cpu_pct": 100.0 * (c1 - c0) / (w1 - w0),
            "tick_s": (w1 - w0) / len(polls) if polls else float("nan"),
            "first_request_ms": 1000.0 * (requests[0] - start) if requests else float("nan"),
        }


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawTextHelpFormatter)
    parser.add_argument("program", choices=["tessera", "corvid"])
    parser.add_argument("--seconds", type=float, default=20.0)
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--address", type=int, help="unit address of tbx-sim (0-15)")
    parser.add_argument("--responding-only", action="store_true")
    a = parser.parse_args()
    for silent in (False,) if a.responding_only else (False, True):
        runs = [run_once(a.program, a.seconds, silent, a.address) for _ in range(a.runs)]
        label = "silent device" if silent else "responding device"
        if a.address is not None:
            label += f" at address {a.address}"
        med = {k: statistics.median(r[k] for r in runs) for k in runs[0]}
        print(f"{a.program}, {label}, median of {a.runs} runs of {a.seconds:.0f} s:")
        print(f"  main polls per second   {med['polls_per_s']:8.2f}")
        print(f"  mean poll period        {1000 * med['tick_s']:8.1f} ms")
        print(f"  CPU of the process      {med['cpu_pct']:8.2f} % of one core")
        if a.program == "tessera" and silent:
            print(f"  input+status+identify   {1000 * med['full_tick_s']:8.1f} ms per tick")
        if not silent:
            print(f"  start to first request  {med['first_request_ms']:8.1f} ms")
        sys.stdout.flush()


if __name__ == "__main__":
    main()
