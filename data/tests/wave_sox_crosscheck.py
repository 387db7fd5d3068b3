#!/usr/bin/python3
"""Checks WAVE files against the sox command, which nobody here wrote.

Files that CWave exports (16/24/32-bit PCM and float, mono and stereo) are
read by sox with the format they claim and the samples that went in; files
that sox makes from known integers and floats import into CWave with their
channels, length and values, also when the file's rate is half the wave's.

Usage: wave_sox_crosscheck.py <wave_tool.exe> <wine-run.sh>
"""
import os
import random
import struct
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "../../testing"))
from crosscheck import FAILURES, fail, windows_path  # noqa: E402

tool, wine_run = sys.argv[1], sys.argv[2]
work = tempfile.mkdtemp()


def run_tool(*args):
    done = subprocess.run([wine_run, tool, *args], capture_output=True, text=True)
    return done.returncode, done.stdout


def floats(path):
    with open(path, "rb") as f:
        data = f.read()
    return list(struct.unpack("<%df" % (len(data) // 4), data))


def soxi(path, flag):
    return subprocess.run(["soxi", flag, path], capture_output=True, text=True, check=True).stdout.strip()


def sox_samples(path):
    raw = subprocess.run(["sox", path, "-t", "f32", "-"], capture_output=True, check=True).stdout
    return list(struct.unpack("<%df" % (len(raw) // 4), raw))


# --- export: sox reads what CWave wrote -----------------------------------
SCALES = {16: 32767.0, 24: 8388607.0, 32: 2147483648.0}
for fmt in (16, 24, 32, 0x8020):
    for channels in (1, 2):
        name = "export %s %s" % ("float" if fmt == 0x8020 else "%d-bit" % fmt, "stereo" if channels == 2 else "mono")
        wav = os.path.join(work, "out_%x_%d.wav" % (fmt, channels))
        src = os.path.join(work, "out_%x_%d.f32" % (fmt, channels))
        frames = 10001  # crosses the 4096-frame chunks; odd, so 24-bit mono is padded
        code, _ = run_tool("export", str(fmt), str(channels), "48000", str(frames), windows_path(wav), windows_path(src))
        if code != 0:
            fail(name + ": the export failed")
            continue
        bits = 32 if fmt == 0x8020 else fmt
        encoding = "Floating Point PCM" if fmt == 0x8020 else "Signed Integer PCM"
        claims = (soxi(wav, "-c"), soxi(wav, "-r"), soxi(wav, "-b"), soxi(wav, "-e"), soxi(wav, "-s"))
        if claims != (str(channels), "48000", str(bits), encoding, str(frames)):
            fail("%s: sox reads the format as %s" % (name, claims))
            continue
        expected = floats(src)
        got = sox_samples(wav)
        if len(got) != len(expected):
            fail("%s: sox read %d samples, not %d" % (name, len(got), len(expected)))
            continue
        # Float goes through unchanged (sox holds it within +-1.0). sox reads
        # n-bit integers as value / 2^(n-1); the converter rounds the float
        # product of sample and scale, which at 24 bits is itself rounded
        # (within a step), and sox's float output keeps 24 bits of a 32-bit
        # value.
        step = {16: 1.0, 24: 1.0, 32: 256.0}.get(bits) if fmt != 0x8020 else None
        allowed = 0.0 if step is None else (0.5 if bits == 16 else 1.0)
        worst = 0.0
        for e, g in zip(expected, got):
            if step is None:
                worst = max(worst, abs(max(-1.0, min(1.0, e)) - g))
            else:
                want = max(-1.0, min(1.0, e)) * SCALES[bits]
                worst = max(worst, abs(g * 2.0 ** (bits - 1) - want) / step)
        if worst > allowed + 1e-6:
            fail("%s: samples differ by up to %g steps" % (name, worst))

# --- import: CWave reads what sox wrote -----------------------------------
rng = random.Random(20240607)
for encoding, bits in (("signed-integer", 16), ("signed-integer", 24), ("signed-integer", 32),
                       ("floating-point", 32)):
    for channels in (1, 2):
        name = "import %s %d-bit %s" % (encoding, bits, "stereo" if channels == 2 else "mono")
        frames = 9001
        if encoding == "floating-point":
            # sox clips floats to +-1.0 as it writes them.
            values = [rng.uniform(-1.0, 1.0) for _ in range(frames * channels)]
            values = list(struct.unpack("<%df" % len(values), struct.pack("<%df" % len(values), *values)))
            values[:4] = [1.0, -1.0, 0.0, 0.5]
            raw = struct.pack("<%df" % len(values), *values)
            expected = values
        else:
            top = 2 ** (bits - 1)
            values = [rng.randrange(-top, top) for _ in range(frames * channels)]
            values[:4] = [top - 1, -top, 0, -1]
            raw = b"".join(v.to_bytes(4, "little", signed=True)[: bits // 8] for v in values)
            expected = [v / SCALES[bits] for v in values]
        raw_path = os.path.join(work, "in.raw")
        wav = os.path.join(work, "in_%s_%d_%d.wav" % (encoding, bits, channels))
        with open(raw_path, "wb") as f:
            f.write(raw)
        subprocess.run(["sox", "-t", "raw", "-r", "44100", "-e", encoding, "-b", str(bits), "-c", str(channels),
                        raw_path, wav], check=True)
        out = os.path.join(work, "in.f32")
        code, printed = run_tool("import", windows_path(wav), "44100", windows_path(out))
        if code != 0:
            fail("%s: the import failed (%d): %s" % (name, code, printed.strip()))
            continue
        if printed.split() != [str(channels), str(frames)]:
            fail("%s: imported as channels and frames %s" % (name, printed.split()))
            continue
        got = floats(out)
        worst = max(abs(g - e) / max(1.0, abs(e)) for g, e in zip(got, expected))
        if len(got) != len(expected) or worst > 1e-6:
            fail("%s: samples differ by up to %g" % (name, worst))

# A 22050 Hz 16-bit file into a 44100 Hz wave: twice the frames, and every
# second frame is a frame of the file.
values = [rng.randrange(-32768, 32768) for _ in range(5000)]
raw_path = os.path.join(work, "half.raw")
wav = os.path.join(work, "half.wav")
with open(raw_path, "wb") as f:
    f.write(struct.pack("<%dh" % len(values), *values))
subprocess.run(["sox", "-t", "raw", "-r", "22050", "-e", "signed-integer", "-b", "16", "-c", "1", raw_path, wav],
               check=True)
code, printed = run_tool("import", windows_path(wav), "44100", windows_path(os.path.join(work, "half.f32")))
if code != 0 or printed.split() != ["1", "10000"]:
    fail("import at half the rate: %s %s" % (code, printed.split()))
else:
    got = floats(os.path.join(work, "half.f32"))
    if any(abs(got[2 * i] - v / 32767.0) > 1e-7 for i, v in enumerate(values)):
        fail("import at half the rate: the file's frames are not kept")

subprocess.run(["rm", "-rf", work])
if FAILURES:
    sys.exit(1)
print("all WAVE files agree with sox")
