#!/usr/bin/env python3
"""The reading modes leave the game as it was.

  modes_walkthrough.py HEADLESS DEMO_DIR

The demo's walkthrough is played normally, then again under --fast, --auto
and --skip-read with its clicks left out: with the modes' own "advance"
events dropped and the normal run's click inputs dropped, the events are the
same, one for one. Under --fast N each time is the normal one divided by N,
to the tick. Skip is played twice: the first run, with every click, reads
the lines and presses nothing; the second presses them all.
"""
import json
import os
import subprocess
import sys
import tempfile
import time

headless, demo = sys.argv[1], sys.argv[2]
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL:", what)


def run(scratch, name, inputs, *options):
    input_file = os.path.join(scratch, name + ".txt")
    with open(input_file, "w", encoding="utf-8") as f:
        f.write("\n".join(inputs) + "\n")
    transcript = os.path.join(scratch, name + ".jsonl")
    started = time.perf_counter()
    result = subprocess.run([headless, "--input", input_file, "--transcript", transcript,
                             "--save-file", os.path.join(scratch, name + ".ini"), *options, demo],
                            capture_output=True, text=True)
    wall = time.perf_counter() - started
    check(result.returncode == 0, f"{name}: exit status {result.returncode}: {result.stderr}")
    with open(transcript, encoding="utf-8") as f:
        return [json.loads(line) for line in f], wall


def without(events, drop):
    return [e for e in events if not drop(e)]


def untimed(events):
    return [{k: v for k, v in e.items() if k != "t"} for e in events]


def is_click(e):
    return e["ev"] == "input" and e["input"] == "click"


def is_advance(e):
    return e["ev"] == "advance"


def same_sequence(name, normal, moded, by):
    advances = [e for e in moded if is_advance(e)]
    clicks = [e for e in normal if is_click(e)]
    check(len(advances) == len(clicks), f"{name}: {len(advances)} advances for {len(clicks)} clicks")
    check(all(e["by"] == by for e in advances), f"{name}: advances not all by {by}")
    expected = untimed(without(normal, is_click))
    got = untimed(without(moded, is_advance))
    check(got == expected, f"{name}: the events differ from the normal run's")
    if got != expected:
        for i, (a, b) in enumerate(zip(expected, got)):
            if a != b:
                print(f"  first difference at event {i}:\n    normal {a}\n    {name}   {b}")
                break
        print(f"  lengths {len(expected)} and {len(got)}")


with open(os.path.join(demo, "walkthrough.txt"), encoding="utf-8") as f:
    walkthrough = [line.rstrip("\n") for line in f if line.strip() and not line.startswith("#")]
no_clicks = [line for line in walkthrough if line.strip() != "click"]
check(len(no_clicks) < len(walkthrough), "the walkthrough has clicks to leave out")

with tempfile.TemporaryDirectory() as scratch:
    normal, _ = run(scratch, "normal", walkthrough)
    check(normal[-1]["ev"] == "end" and normal[-1]["reason"] == "exit", "the normal run plays to the end")

    for speed in (8, 3):
        fast, wall = run(scratch, f"fast{speed}", no_clicks, "--fast", str(speed))
        same_sequence(f"fast{speed}", normal, fast, "fast")
        game_events = without(fast, is_advance)
        normal_events = without(normal, is_click)
        if len(game_events) == len(normal_events):
            off = [(n, f) for n, f in zip(normal_events, game_events) if f["t"] != n["t"] // speed]
            check(not off, f"fast{speed}: times are not the normal ones / {speed}: first {off[:1]}")
        check(fast[-1]["t"] < normal[-1]["t"], f"fast{speed}: the run is shorter")
        if speed == 8:
            print(f"walkthrough under --fast 8: {wall * 1000:.1f} ms wall, "
                  f"{normal[-1]['t']} ms of play in {fast[-1]['t']} ms of the transcript's clock")

    auto, _ = run(scratch, "auto", no_clicks, "--auto", "700")
    same_sequence("auto", normal, auto, "auto")
    # Each message stands at least the base delay before its advance.
    shown = None
    for e in auto:
        if e["ev"] == "message":
            shown = e["t"]
        elif is_advance(e):
            check(shown is not None and e["t"] >= shown + 700, f"auto: advance at {e['t']} after {shown}")
    check(auto[-1]["t"] > normal[-1]["t"], "auto: the run takes longer than instant clicks")

    seen = os.path.join(scratch, "seen-lines")
    first, _ = run(scratch, "skip-first", walkthrough, "--skip-read", seen)
    check(not any(is_advance(e) for e in first), "skip: nothing was seen on the first run, so nothing skips")
    check(untimed(first) == untimed(normal), "skip: the first run's events are the normal ones")
    check(os.path.isfile(seen), "skip: the seen lines were written")
    second, _ = run(scratch, "skip-second", no_clicks, "--skip-read", seen)
    same_sequence("skip", normal, second, "skip")

sys.exit(1 if failures else 0)
