#!/usr/bin/env python3
"""Checks captured saver audio against the installation's background hum.

  audio_check.py CAPTURE --hum HUM.wav [options] [--expect-hum] [--expect-event] [--expect-silence]

CAPTURE is a WAV file (16-bit PCM, 32-bit PCM, 32-bit float; plain or extensible format) or, with
--raw, headerless samples of the given format, rate and channel count. Prints the level of every
window (RMS in dB of full scale), how much of each opening window's power lies at the hum's
strongest frequencies, and the verdicts asked for. Exit status: 0 when every expectation holds,
1 when one does not, 2 for unusable input.

  --expect-hum      the hum sounds from the start: every window of the opening seconds is at the
                    hum file's own level (within --level-tolerance dB) and most of its power lies
                    at the hum's strongest frequencies.
  --expect-event    another sound (a detonation, a break-up) rises over the hum: in some window
                    the high band (the signal's second difference, rising 12 dB an octave and
                    scaled to read true at 1 kHz) is at least --event-db above the hum alone:
                    the hum file's high band at the captured hum's level, or the quietest
                    opening window when that is lower. The hum lies almost wholly below 250 Hz, so there it is
                    some 40 dB down, while the blasts and crackle of the effects reach far above.
                    With --event-share S, the sounds go on: of the windows from the first such
                    one to the end, a share of at least S stand --event-db above the hum alone
                    (a crowded battle whose nearest sounds are all heard, not a few at its start).
  --expect-silence  nothing is heard: every window is below --silence-db.

Standard library only.
"""

import argparse
import cmath
import math
import struct
import sys


class BadInput(Exception):
    pass


def decode(data, kind, channels):
    """Frames of `data` as lists of floats in [-1, 1], mixed down to one channel."""
    if kind == "s16":
        width, scale, code = 2, 32768.0, "h"
    elif kind == "s32":
        width, scale, code = 4, 2147483648.0, "i"
    elif kind == "f32":
        width, scale, code = 4, 1.0, "f"
    elif kind == "u8":
        frame = channels
        count = len(data) // frame
        return [sum(data[i * frame + c] - 128 for c in range(channels)) / (128.0 * channels)
                for i in range(count)]
    else:
        raise BadInput("unknown sample format " + kind)
    frame = width * channels
    count = len(data) // frame
    values = struct.unpack("<%d%s" % (count * channels, code), data[:count * frame])
    if channels == 1:
        return [v / scale for v in values]
    return [sum(values[i * channels:(i + 1) * channels]) / (scale * channels)
            for i in range(count)]


def read_wav(path):
    """(mono samples, rate) of a WAV file. A data chunk whose length is missing or runs past the
    end (a capture cut short) is taken to the end of the file."""
    with open(path, "rb") as f:
        blob = f.read()
    if len(blob) < 12 or blob[0:4] != b"RIFF" or blob[8:12] != b"WAVE":
        raise BadInput(path + ": not a RIFF WAVE file")
    at = 12
    fmt = None
    while at + 8 <= len(blob):
        ident = blob[at:at + 4]
        (length,) = struct.unpack("<I", blob[at + 4:at + 8])
        body = at + 8
        if ident == b"fmt ":
            if length < 16 or body + 16 > len(blob):
                raise BadInput(path + ": short fmt chunk")
            tag, channels, rate, _, _, bits = struct.unpack("<HHIIHH", blob[body:body + 16])
            if tag == 0xFFFE:
                if length < 40 or body + 26 > len(blob):
                    raise BadInput(path + ": short extensible fmt chunk")
                (tag,) = struct.unpack("<H", blob[body + 24:body + 26])
            fmt = (tag, channels, rate, bits)
        elif ident == b"data":
            if fmt is None:
                raise BadInput(path + ": data before fmt")
            end = len(blob) if length == 0 or body + length > len(blob) else body + length
            tag, channels, rate, bits = fmt
            if channels < 1 or rate < 1:
                raise BadInput(path + ": no channels or no rate")
            kinds = {(1, 8): "u8", (1, 16): "s16", (1, 32): "s32", (3, 32): "f32"}
            if (tag, bits) not in kinds:
                raise BadInput("%s: unsupported format tag %d with %d bits" % (path, tag, bits))
            return decode(blob[body:end], kinds[(tag, bits)], channels), rate
        at = body + length + (length & 1)
    raise BadInput(path + ": no data chunk")


def fft(values):
    """Iterative radix-2 transform of a list whose length is a power of two."""
    n = len(values)
    a = [complex(v) for v in values]
    j = 0
    for i in range(1, n):
        bit = n >> 1
        while j & bit:
            j ^= bit
            bit >>= 1
        j |= bit
        if i < j:
            a[i], a[j] = a[j], a[i]
    size = 2
    while size <= n:
        step = cmath.exp(-2j * math.pi / size)
        half = size // 2
        for start in range(0, n, size):
            w = 1.0
            for k in range(half):
                t = w * a[start + k + half]
                a[start + k + half] = a[start + k] - t
                a[start + k] += t
                w *= step
        size *= 2
    return a


def strongest_frequencies(samples, rate, count=3, low=20.0, high=2000.0, spacing=8.0):
    """The `count` frequencies (Hz) of the largest spectral peaks, at least `spacing` apart."""
    n = 1
    while n * 2 <= len(samples) and n < 65536:
        n *= 2
    if n < 1024:
        raise BadInput("the hum file is too short to analyse")
    block = [samples[i] * (0.5 - 0.5 * math.cos(2 * math.pi * i / n)) for i in range(n)]
    power = [abs(v) ** 2 for v in fft(block)[:n // 2]]
    resolution = rate / n
    peaks = [i for i in range(1, len(power) - 1)
             if low <= i * resolution <= high and power[i] >= power[i - 1] and power[i] > power[i + 1]]
    peaks.sort(key=lambda i: power[i], reverse=True)
    chosen = []
    for i in peaks:
        f = i * resolution
        if all(abs(f - g) >= spacing for g in chosen):
            chosen.append(f)
        if len(chosen) == count:
            break
    return sorted(chosen)


def goertzel_power(samples, rate, frequency):
    """Mean-square power of `samples` at `frequency` (a sine of amplitude A gives A*A/2)."""
    coefficient = 2 * math.cos(2 * math.pi * frequency / rate)
    s1 = s2 = 0.0
    for x in samples:
        s1, s2 = x + coefficient * s1 - s2, s1
    magnitude = s1 * s1 + s2 * s2 - coefficient * s1 * s2
    return 2 * magnitude / (len(samples) ** 2)


def mean_square(samples):
    return sum(x * x for x in samples) / len(samples) if samples else 0.0


def decibels(power):
    return 10 * math.log10(power) if power > 1e-20 else -200.0


def hum_power(samples, rate, frequencies):
    """Mean-square power within about a hertz of the hum's strongest frequencies. The window is
    first thinned to about 8 kHz by averaging (the hum's partials lie far below that), which
    keeps the filters quick on long captures."""
    factor = max(1, rate // 8000)
    if factor > 1:
        count = len(samples) // factor
        samples = [sum(samples[i * factor:(i + 1) * factor]) / factor for i in range(count)]
        rate = rate / factor
    if not samples:
        return 0.0
    step = rate / len(samples)  # bin spacing of this window
    return sum(goertzel_power(samples, rate, f + k * step)
               for f in frequencies for k in (-1, 0, 1))


def high_band_power(samples, rate):
    """Mean-square power of the second difference, scaled by its gain at 1 kHz."""
    if len(samples) < 3:
        return 0.0
    gain = (2 * math.sin(math.pi * 1000.0 / rate)) ** 4
    total = 0.0
    for i in range(2, len(samples)):
        d = samples[i] - 2 * samples[i - 1] + samples[i - 2]
        total += d * d
    return total / (len(samples) - 2) / gain


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("capture")
    parser.add_argument("--hum", help="the installation's BackgroundHumFinal.wav")
    parser.add_argument("--raw", choices=["s16", "s32", "f32"],
                        help="the capture is headerless little-endian samples of this format")
    parser.add_argument("--rate", type=int, default=48000)
    parser.add_argument("--channels", type=int, default=2)
    parser.add_argument("--window", type=float, default=0.5, help="seconds per level window")
    parser.add_argument("--skip", type=float, default=0.0,
                        help="seconds at the start the device takes to begin (not judged)")
    parser.add_argument("--opening", type=float, default=3.0,
                        help="seconds after --skip in which the hum must sound throughout")
    parser.add_argument("--level-tolerance", type=float, default=8.0)
    parser.add_argument("--min-share", type=float, default=0.5)
    parser.add_argument("--event-db", type=float, default=10.0)
    parser.add_argument("--event-share", type=float, default=0.0)
    parser.add_argument("--silence-db", type=float, default=-70.0)
    parser.add_argument("--expect-hum", action="store_true")
    parser.add_argument("--expect-event", action="store_true")
    parser.add_argument("--expect-silence", action="store_true")
    parser.add_argument("--quiet", action="store_true", help="verdicts only, no window levels")
    args = parser.parse_args(argv)

    try:
        if args.raw:
            if args.rate < 1 or args.channels < 1:
                raise BadInput("--rate and --channels must be positive")
            with open(args.capture, "rb") as f:
                samples = decode(f.read(), args.raw, args.channels)
            rate = args.rate
        else:
            samples, rate = read_wav(args.capture)
        if (args.expect_hum or args.expect_event) and not args.hum:
            raise BadInput("--expect-hum and --expect-event need --hum")
        hum, hum_rate = read_wav(args.hum) if args.hum else (None, None)
    except (OSError, BadInput, struct.error) as error:
        print("audio_check: %s" % error, file=sys.stderr)
        return 2

    size = max(int(args.window * rate), 1)
    windows = [samples[i:i + size] for i in range(0, len(samples) - size + 1, size)]
    levels = [decibels(mean_square(w)) for w in windows]
    print("capture: %.2f s at %d Hz, %d windows of %.2f s" %
          (len(samples) / rate, rate, len(windows), size / rate))

    first = int(round(args.skip / args.window))
    opening = list(range(first, min(first + int(round(args.opening / args.window)), len(windows))))
    shares = {}
    highs = [decibels(high_band_power(w, rate)) for w in windows]
    if hum is not None:
        hum_level = decibels(mean_square(hum))
        frequencies = strongest_frequencies(hum, hum_rate)
        print("hum file: %.1f dBFS, strongest at %s Hz, high band %.1f dB" %
              (hum_level, ", ".join("%.1f" % f for f in frequencies),
               decibels(high_band_power(hum, hum_rate))))
        for i in opening:
            total = mean_square(windows[i])
            tonal = min(hum_power(windows[i], rate, frequencies), total)
            shares[i] = tonal / total if total > 0 else 0.0
    if not args.quiet:
        for i, level in enumerate(levels):
            extra = "  hum share %.2f" % shares[i] if i in shares else ""
            print("  %7.2f s  %7.1f dBFS  high band %7.1f dB%s" %
                  (i * size / rate, level, highs[i], extra))

    ok = True
    if args.expect_hum:
        heard = bool(opening) and len(opening) * args.window >= args.opening - 1e-9
        for i in opening:
            if abs(levels[i] - hum_level) > args.level_tolerance or shares[i] < args.min_share:
                heard = False
        print("hum from the start: %s (opening %.1f-%.1f s; levels %s dBFS against the file's "
              "%.1f; hum shares %s)" %
              ("yes" if heard else "NO", args.skip, args.skip + args.opening,
               " ".join("%.1f" % levels[i] for i in opening), hum_level,
               " ".join("%.2f" % shares[i] for i in opening)))
        ok = ok and heard
    if args.expect_event:
        base = min((highs[i] for i in opening), default=-200.0)
        if hum is not None and opening:
            # The hum alone as captured: the file's own high band, moved by the difference
            # between the captured and the file's level. A quick battle fills the opening
            # windows with its noise, so their quietest is no measure of the hum alone.
            captured = sorted(levels[i] for i in opening)[len(opening) // 2]
            base = min(base, decibels(high_band_power(hum, hum_rate)) + captured - hum_level)
        later = range(first, len(windows))
        loudest = max(later, key=lambda i: highs[i], default=None)
        found = bool(opening) and loudest is not None and highs[loudest] >= base + args.event_db
        print("louder event: %s (high band up to %.1f dB at %.2f s, level %.1f dBFS; "
              "%.1f dB with the hum alone)" %
              ("yes" if found else "NO",
               highs[loudest] if loudest is not None else -200.0,
               loudest * size / rate if loudest is not None else 0.0,
               levels[loudest] if loudest is not None else -200.0, base))
        if found and args.event_share > 0:
            start = next(i for i in later if highs[i] >= base + args.event_db)
            after = range(start, len(windows))
            share = sum(1 for i in after if highs[i] >= base + args.event_db) / len(after)
            lasting = share >= args.event_share
            print("events go on: %s (%.2f of the %d windows from %.2f s, %.2f wanted)" %
                  ("yes" if lasting else "NO", share, len(after), start * size / rate,
                   args.event_share))
            found = lasting
        ok = ok and found
    if args.expect_silence:
        loudest = max(levels, default=-200.0)
        quiet = loudest < args.silence_db
        print("silence: %s (loudest window %.1f dBFS)" % ("yes" if quiet else "NO", loudest))
        ok = ok and quiet
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
