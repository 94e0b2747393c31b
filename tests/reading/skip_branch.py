#!/usr/bin/env python3
"""Skip of read text stops at the first line after a branch not taken before.

  skip_branch.py HEADLESS

A game with a shared start and two branches: the first run takes branch A,
the second, in skip mode, skips the shared start, answers no menu, and stops
at branch B's first message; once stopped it stays off, even on lines seen.
"""
import json
import os
import subprocess
import sys
import tempfile

headless = sys.argv[1]
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL:", what)


GAME = """@STE
@TXT 0
始まりの一行目
@END
@TXT 0
始まりの二行目
@END
@TAG menu
@CMD  分かれ道
Aへ行く,A
Bへ行く,B
@END
@JMP menu
@SUB A
@TXT 0
Aの一行目
@END
@TXT 0
Aの二行目
@END
@RTN
@SUB B
@TXT 0
Bの一行目
@END
@RTN
"""


def run(game, scratch, name, inputs, seen):
    input_file = os.path.join(scratch, name + ".txt")
    with open(input_file, "w", encoding="utf-8") as f:
        f.write("\n".join(inputs) + "\n")
    result = subprocess.run([headless, "--input", input_file, "--save-file", os.path.join(scratch, "save.ini"),
                             "--skip-read", seen, game], capture_output=True, text=True)
    check(result.returncode == 0, f"{name}: exit status {result.returncode}: {result.stderr}")
    return [json.loads(line) for line in result.stdout.splitlines()], result.stderr


def messages_and_advances(events):
    return [(e["ev"], e.get("text", e.get("by"))) for e in events if e["ev"] in ("message", "advance", "menu")]


with tempfile.TemporaryDirectory() as scratch:
    game = os.path.join(scratch, "game")
    os.mkdir(game)
    with open(os.path.join(game, "Sinario00.txt"), "wb") as f:
        f.write(GAME.replace("\n", "\r\n").encode("cp932"))
    seen = os.path.join(scratch, "seen-lines")

    first, _ = run(game, scratch, "branch-a", ["start", "click", "click", 'choose "Aへ行く"', "click", "click"], seen)
    check(not any(e["ev"] == "advance" for e in first), "first run: nothing seen, nothing skipped")
    check(os.path.isfile(seen), "first run: the seen lines were written")

    second, stderr = run(game, scratch, "branch-b", ['start', 'choose "Bへ行く"', "click", 'choose "Aへ行く"'], seen)
    check(stderr == "", f"second run: no warning: {stderr}")
    expected = [
        ("message", "\n始まりの一行目\n"), ("advance", "skip"),
        ("message", "\n始まりの二行目\n"), ("advance", "skip"),
        ("menu", None),
        # Branch B was never read: skip stops here and the input answers it.
        ("message", "\nBの一行目\n"),
        ("menu", None),
        # Seen in the first run, but skip is off now.
        ("message", "\nAの一行目\n"),
    ]
    got = [(ev, None if ev == "menu" else text) for ev, text in messages_and_advances(second)]
    check(got == expected, f"second run: {got}")
    check(second[-1]["ev"] == "end" and second[-1]["waiting"] == "click", "second run ends waiting at A's message")

    # A damaged file is ignored with one warning; the run plays on.
    with open(seen, "wb") as f:
        f.write(b"\x00\xffnot a seen-lines file")
    third, stderr = run(game, scratch, "damaged", ["start", "click"], seen)
    check(stderr.count("warning") == 1, f"damaged file: one warning, got {stderr!r}")
    check(not any(e["ev"] == "advance" for e in third), "damaged file: nothing counts as seen")
    with open(seen, "rb") as f:
        check(f.read().startswith(b"torvane seen-lines"), "damaged file: replaced by a sound one")

sys.exit(1 if failures else 0)
