#!/usr/bin/env python3
"""Adds the tests' fixtures and the demo game to the fuzz seed corpus.

    ./fuzz/make-corpus.py

Scenario files, pictures and save points of the end-to-end cases, the
picture fixtures and the demo go under fuzz/corpus/, each once: a file whose
bytes a seed already holds is left out, and so is one longer than the fuzz
scripts let an input of its target be (fuzz/common.sh). The save point's
seeds are the INI seeds in the input form of fuzz_save_point (what stands
under the name, the fault, the file, 0xFF 0xFE, the value), with the names
the demo saves.
Running it again changes nothing.
"""
import hashlib
import pathlib
import re

repo = pathlib.Path(__file__).resolve().parent.parent
corpus = repo / "fuzz" / "corpus"
demo = repo / "games" / "demo"
cases = repo / "tests" / "scenarios"

PICTURES = {".bmp", ".ico", ".wmf", ".emf"}
NOT_SCENARIOS = {"input.txt", "walkthrough.txt"}
# -max_len of each target's corpus, as the fuzz scripts give it.
_common = (repo / "fuzz" / "common.sh").read_text()
_limits = re.search(r"declare -A max_len_of=\(([^)]*)\)", _common).group(1)
_corpora = re.search(r"declare -A corpus_of=\(([^)]*)\)", _common).group(1)
MAX_LEN = {kind: int(dict(re.findall(r"\[(\w+)\]=(\d+)", _limits))[target])
           for target, kind in re.findall(r"\[(\w+)\]=(\w+)", _corpora)}


def add(kind, name, data):
    folder = corpus / kind
    folder.mkdir(parents=True, exist_ok=True)
    if len(data) > MAX_LEN[kind]:
        return
    held = {hashlib.sha256(p.read_bytes()).digest() for p in folder.iterdir() if p.is_file()}
    if hashlib.sha256(data).digest() in held:
        return
    (folder / name).write_bytes(data)


def scenarios_and_pictures():
    for path in sorted(demo.iterdir()):
        if path.suffix.lower() == ".txt" and path.name not in NOT_SCENARIOS:
            add("scenario", "demo-" + path.name, path.read_bytes())
        elif path.suffix.lower() in PICTURES:
            add("pictures", "demo-" + path.name, path.read_bytes())
    for path in sorted((repo / "tests" / "pictures" / "fixtures").iterdir()):
        if path.suffix.lower() in PICTURES:
            add("pictures", "fixture-" + path.name, path.read_bytes())
    for case in sorted(p for p in cases.iterdir() if p.is_dir()):
        for path in sorted(p for p in case.rglob("*") if p.is_file()):
            name = "case-" + case.name + "-" + path.name
            if path.suffix.lower() == ".txt" and path.name not in NOT_SCENARIOS:
                add("scenario", name, path.read_bytes())
            elif path.suffix.lower() in PICTURES:
                add("pictures", name, path.read_bytes())
            elif path.suffix.lower() == ".ini":
                add("ini", name, path.read_bytes())


def save_points():
    values = sorted({m.group(1) for path in demo.glob("*.txt")
                     for m in re.finditer(rb"^@SAV.(.*?)\r?$", path.read_bytes(), re.M)})
    values = values or [b"Sinario01.txt"]
    for path in sorted((corpus / "ini").iterdir()):
        ini = path.read_bytes()
        for under in range(4):  # a file, nothing, a link, a folder
            for fault in range(4):  # none, disk fills, rename fails, small writes
                if under != 0 and fault != 0:
                    continue
                value = values[(under + fault) % len(values)]
                add("save_point", f"{path.stem}-{under}{fault}.bin", bytes([under, fault]) + ini + b"\xff\xfe" + value)


scenarios_and_pictures()
save_points()
