#!/usr/bin/env python3
"""Writes the small music and effect files the media tests play.

    scripts/make-sound-fixtures.py OUTPUT_DIR
    scripts/make-sound-fixtures.py --worst-case OUTPUT_DIR

The second form writes the effects bench/media_bench.cpp times and that are
too large to commit: four hours of silence as Ogg Vorbis, one MIDI note held
for four hours, and a WAV at the 128 MB game file limit.

WAV and MIDI are built byte by byte with the standard library; OGG, FLAC and
MP3 are encoded from such a WAV with oggenc, flac and lame. Everything is
mono at a low rate, and the long effects are silence or one held note, so
that the whole set stays a few dozen KB.
"""
import math
import struct
import subprocess
import sys
import tempfile
from pathlib import Path

RATE = 11025


def tone(seconds: float, freq: float, bits: int) -> bytes:
    """A sine with a short fade at both ends, so that cuts do not click."""
    count = round(seconds * RATE)
    fade = RATE // 100
    out = bytearray()
    for i in range(count):
        gain = min(1.0, i / fade, (count - 1 - i) / fade)
        value = 0.5 * gain * math.sin(2 * math.pi * freq * i / RATE)
        if bits == 8:
            out.append(128 + round(value * 127))
        else:
            out += struct.pack("<h", round(value * 32767))
    return bytes(out)


def wav_file(seconds: float, freq: float, bits: int = 16) -> bytes:
    data = tone(seconds, freq, bits)
    block = bits // 8
    fmt = struct.pack("<HHIIHH", 1, 1, RATE, RATE * block, block, bits)
    body = b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt + b"data" + struct.pack("<I", len(data)) + data
    return b"RIFF" + struct.pack("<I", len(body)) + body


def variable_length(value: int) -> bytes:
    out = [value & 0x7F]
    value >>= 7
    while value:
        out.append(0x80 | (value & 0x7F))
        value >>= 7
    return bytes(reversed(out))


def midi_file() -> bytes:
    """Format 0, 480 ticks a beat at 120 beats a minute: four notes of 0.25 s
    and a last one of 0.2 s on a piano, 1.2 s in all."""
    events = bytearray()
    events += b"\x00\xff\x51\x03" + (500000).to_bytes(3, "big")  # tempo: 0.5 s a beat
    events += b"\x00\xc0\x00"  # program: acoustic grand piano
    for note, ticks in ((60, 240), (64, 240), (67, 240), (72, 240), (67, 192)):
        events += b"\x00" + bytes((0x90, note, 96))
        events += variable_length(ticks) + bytes((0x80, note, 0))
    events += b"\x00\xff\x2f\x00"  # end of track
    header = b"MThd" + struct.pack(">IHHH", 6, 0, 1, 480)
    return header + b"MTrk" + struct.pack(">I", len(events)) + bytes(events)


def silent_wav(seconds: int, rate: int) -> bytes:
    """Digital silence, which the encoders squeeze to a few bytes a second."""
    data = bytes(2 * seconds * rate)
    fmt = struct.pack("<HHIIHH", 1, 1, rate, rate * 2, 2, 16)
    body = b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt + b"data" + struct.pack("<I", len(data)) + data
    return b"RIFF" + struct.pack("<I", len(body)) + body


def held_note_midi(seconds: int) -> bytes:
    """One note held for `seconds`: a file of a few dozen bytes that plays
    for hours."""
    events = bytearray(b"\x00\xc0\x00" + b"\x00\x90\x45\x60")  # piano, A4 on
    events += variable_length(seconds * 960) + b"\x80\x45\x00"  # 480 ticks a 0.5 s beat
    events += b"\x00\xff\x2f\x00"
    header = b"MThd" + struct.pack(">IHHH", 6, 0, 1, 480)
    return header + b"MTrk" + struct.pack(">I", len(events)) + bytes(events)


def long_module() -> bytes:
    """A four-channel module playing its one empty pattern ten times at the
    default speed: 77 s from 2 KB, in a format only a tracker decoder reads."""
    header = b"long module".ljust(20, b"\0")
    # One sample of 16 silent bytes: a module without any is refused.
    header += b"silence".ljust(22, b"\0") + struct.pack(">HBBHH", 8, 0, 64, 0, 1)
    header += (b"".ljust(22, b"\0") + struct.pack(">HBBHH", 0, 0, 64, 0, 1)) * 30
    header += bytes((10, 127)) + bytes(128) + b"M.K."
    return header + bytes(64 * 4 * 4) + bytes(16)


def encode(command: str, source: bytes, out: Path) -> None:
    """Runs `command`, with {in} and {out} filled in, in a scratch folder."""
    with tempfile.TemporaryDirectory() as scratch:
        wav = Path(scratch) / "in.wav"
        encoded = Path(scratch) / "out"
        wav.write_bytes(source)
        args = [part.format(src=wav, dst=encoded) for part in command.split()]
        subprocess.run(args, check=True)
        out.write_bytes(encoded.read_bytes())


def worst_cases(out: Path) -> None:
    rate = 8000
    frames = 4 * 3600 * rate
    with tempfile.TemporaryDirectory() as scratch:
        wav = Path(scratch) / "silence.wav"
        fmt = struct.pack("<HHIIHH", 1, 1, rate, rate * 2, 2, 16)
        with wav.open("wb") as f:
            f.write(b"RIFF" + struct.pack("<I", 36 + 2 * frames) + b"WAVE" + b"fmt " + struct.pack("<I", 16) + fmt)
            f.write(b"data" + struct.pack("<I", 2 * frames))
            minute = bytes(2 * 60 * rate)
            for _ in range(4 * 60):
                f.write(minute)
        subprocess.run(["oggenc", "--quiet", "--serial", "1", "-q", "-1", "-o", str(out / "4h.ogg"), str(wav)],
                       check=True)
    (out / "4h.mid").write_bytes(held_note_midi(4 * 3600))
    # 8-bit mono at 8 kHz: the largest rate conversion for the bytes.
    size = (128 << 20) - 44
    fmt = struct.pack("<HHIIHH", 1, 1, rate, rate, 1, 8)
    with (out / "128mb.wav").open("wb") as f:
        f.write(b"RIFF" + struct.pack("<I", 36 + size) + b"WAVE" + b"fmt " + struct.pack("<I", 16) + fmt)
        f.write(b"data" + struct.pack("<I", size))
        block = wav_file(1.0, 440.0, bits=8)[44:]
        for _ in range(size // len(block)):
            f.write(block)
        f.write(block[: size % len(block)])


def main() -> int:
    if len(sys.argv) == 3 and sys.argv[1] == "--worst-case":
        out = Path(sys.argv[2])
        out.mkdir(parents=True, exist_ok=True)
        worst_cases(out)
        return 0
    if len(sys.argv) != 2:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    out = Path(sys.argv[1])
    out.mkdir(parents=True, exist_ok=True)
    files = {
        "tune.mid": midi_file(),
        "tune.wav": wav_file(0.8, 440.0),
        "short.wav": wav_file(0.3, 660.0, bits=8),  # plays out quickly
        "chime.wav": wav_file(1.2, 880.0, bits=8),  # an effect long enough to cut off
        "click.wav": wav_file(0.1, 1320.0, bits=8),
        "garbage.mid": b"This is not music, only text under a music file's name.\n" * 2,
    }
    for name, data in files.items():
        (out / name).write_bytes(data)
    # A fixed serial number, so that every run writes the same bytes.
    encode("oggenc --quiet --serial 1 -q 0 -o {dst} {src}", wav_file(1.5, 523.25), out / "tune.ogg")
    encode("flac --silent --force --best -o {dst} {src}", wav_file(1.0, 392.0), out / "tune.flac")
    encode("lame --quiet -m m -b 32 --noreplaygain {src} {dst}", wav_file(1.0, 349.23), out / "tune.mp3")
    # Effects longer than the player's cut of 60 seconds.
    (out / "long.mid").write_bytes(held_note_midi(4 * 3600))
    (out / "long.mod").write_bytes(long_module())
    encode("oggenc --quiet --serial 1 -q -1 -o {dst} {src}", silent_wav(90, 8000), out / "long.ogg")
    encode("flac --silent --force --best -o {dst} {src}", silent_wav(90, 8000), out / "long.flac")
    # Ogg Vorbis under a WAV name: the content, not the name, picks the decoder.
    (out / "disguised.wav").write_bytes((out / "tune.ogg").read_bytes())
    return 0


if __name__ == "__main__":
    sys.exit(main())
