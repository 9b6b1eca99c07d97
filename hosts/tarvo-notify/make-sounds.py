#!/usr/bin/env python3
"""Writes the notification program's sound resources: short sine tones as 16-bit mono PCM,
in Core Audio Format (.caf) and RIFF WAVE (.wav). Run it again after changing a tone; the
files it writes are committed, so the build needs no Python."""
import math
import os
import struct

RATE = 8000


def samples(freq, seconds, fade=0.02):
    n = int(RATE * seconds)
    out = []
    for i in range(n):
        t = i / RATE
        env = min(1.0, t / fade, (seconds - t) / fade)
        out.append(int(12000 * env * math.sin(2 * math.pi * freq * t)))
    return out


def caf(pcm):
    # 'caff' v1; 'desc': linear PCM, big-endian signed 16-bit mono; 'data': edit count + frames.
    data = b"".join(struct.pack(">h", s) for s in pcm)
    desc = struct.pack(">dIIIIII", float(RATE), int.from_bytes(b"lpcm", "big"), 0, 2, 1, 1, 16)
    out = b"caff" + struct.pack(">HH", 1, 0)
    out += b"desc" + struct.pack(">q", len(desc)) + desc
    out += b"data" + struct.pack(">q", 4 + len(data)) + struct.pack(">I", 0) + data
    return out


def wav(pcm):
    data = b"".join(struct.pack("<h", s) for s in pcm)
    fmt = struct.pack("<HHIIHH", 1, 1, RATE, RATE * 2, 2, 16)
    body = b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt + b"data" + struct.pack("<I", len(data)) + data
    return b"RIFF" + struct.pack("<I", len(body)) + body


def main():
    folder = os.path.join(os.path.dirname(os.path.abspath(__file__)), "Sounds")
    os.makedirs(folder, exist_ok=True)
    files = {
        "chime.caf": caf(samples(880, 0.12) + samples(1320, 0.12)),
        "alert.old.caf": caf(samples(440, 0.2)),
        "ping.wav": wav(samples(1760, 0.08)),
    }
    for name, data in files.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
