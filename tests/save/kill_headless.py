#!/usr/bin/env python3
"""A game that saves in a tight loop, killed with SIGKILL at random moments.

    tests/save/kill_headless.py [TORVANE_HEADLESS] [ROUNDS]
    (default build/src/torvane-headless, 200 rounds)

The whole player runs: torvane-headless plays a game whose script saves two
names of different lengths over and over, and is killed at a random moment
between half its start-up time and 70 ms after its first save. After every
kill the save point must hold the old or one of the new contents
exactly, with its other sections, and at most the one temporary file of the
killed save may be left beside it. Exits non-zero on the first fault. The
unit test SavePointFaults.KilledWhileSavingTheFileIsAlwaysWhole does the
same within the test suite, on the save point alone.
"""
import os
import pathlib
import random
import shutil
import signal
import subprocess
import sys
import tempfile
import time

repo = pathlib.Path(__file__).resolve().parents[2]
headless = sys.argv[1] if len(sys.argv) > 1 else str(repo / "build" / "src" / "torvane-headless")
rounds = int(sys.argv[2]) if len(sys.argv) > 2 else 200

work = pathlib.Path(tempfile.mkdtemp(prefix="torvane-kill-"))
try:
    game = work / "game"
    game.mkdir()
    long_name = "Sinario" + "B" * 3000 + ".txt"
    (game / "Sinario00.txt").write_bytes(
        f"@TAG loop\r\n@SAV A.txt\r\n@SAV {long_name}\r\n@JMP loop\r\n".encode())
    other = "; kept\r\n[Options]\r\n" + "".join(f"Key{i}=value {i}\r\n" for i in range(1000))
    whole = {other + "[Game]\r\nNext=" + name + "\r\n" for name in ("Start.txt", "A.txt", long_name)}
    (game / "Kesmar.ini").write_bytes((other + "[Game]\r\nNext=Start.txt\r\n").encode())
    (work / "input.txt").write_text("start\n")

    def play():
        return subprocess.Popen([headless, "--input", str(work / "input.txt"), "--transcript", os.devnull,
                                 str(game)])

    # How long the player takes to its first save: a sanitizer build starts
    # many times slower, and kills before it would test nothing.
    first = (game / "Kesmar.ini").read_bytes()
    player = play()
    began = time.monotonic()
    while (game / "Kesmar.ini").read_bytes() == first and time.monotonic() - began < 30:
        time.sleep(0.002)
    start_up = time.monotonic() - began
    player.send_signal(signal.SIGKILL)
    player.wait()
    (game / "Kesmar.ini").write_bytes(first)
    for leftover in set(os.listdir(game)) - {"Kesmar.ini", "Sinario00.txt"}:
        (game / leftover).unlink()

    saved = 0
    for round_number in range(rounds):
        player = play()
        time.sleep(random.uniform(start_up * 0.5, start_up + 0.07))
        player.send_signal(signal.SIGKILL)
        player.wait()
        content = (game / "Kesmar.ini").read_bytes().decode()
        if content not in whole:
            sys.exit(f"round {round_number}: the save point is torn ({len(content)} bytes)")
        saved += not content.endswith("Next=Start.txt\r\n")
        left = sorted(set(os.listdir(game)) - {"Kesmar.ini", "Sinario00.txt"})
        if len(left) > 1:
            sys.exit(f"round {round_number}: temporary files pile up: {left}")
    if saved == 0:
        sys.exit("the game never saved before it was killed")
    print(f"{rounds} kills: the save point was whole every time")
finally:
    shutil.rmtree(work)
