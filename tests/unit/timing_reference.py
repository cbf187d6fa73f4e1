#!/usr/bin/env python3
"""Reference for the playing-time arithmetic, written apart from the C++ code.

Single precision is emulated by rounding through a 4-byte float with struct;
an operation on two singles done in double and then rounded to single gives
the correctly rounded single result for +, -, * and /, so each single step
here equals the machine's. Regenerate the table beside it with:

    python3 tests/unit/timing_reference.py > tests/unit/timing_cases.txt
"""
import math
import random
import struct


def single(x):
    return struct.unpack("f", struct.pack("f", x))[0]


def track_time(frames, rate):
    rate_s = single(rate)
    minutes = math.floor(frames / (rate_s * 60.0))
    rest = int(frames - minutes * 60.0 * rate_s)
    seconds, rest2 = divmod(rest, rate)  # whole seconds in exact integers
    cd_frames = int(single(single(rest2) / rate_s) * 75.0)
    return minutes, seconds, cd_frames


def track_time_all_single(frames, rate):
    """The same steps with minutes through single precision and the seconds
    in single precision too."""
    rate_s = single(rate)
    minutes = math.floor(frames / (rate_s * 60.0))
    rest = int(frames - single(minutes) * 60.0 * rate_s)
    seconds = math.floor(single(single(rest) / rate_s))
    rest2 = int(single(single(rest) - single(single(seconds) * rate_s)))
    return minutes, seconds, int(single(single(rest2) / rate_s) * 75.0)


def total_time(total):
    minutes = math.floor(total / 60.0)
    return minutes, int(single(total - single(minutes * 60)))


# Ways to get a step's precision wrong. The table carries cases on which each
# of them gives another answer, so that such a change fails the tests.
def fraction_in_double(frames, rate):
    minutes, seconds, _ = track_time(frames, rate)
    rest2 = frames - minutes * 60 * rate - seconds * rate
    return minutes, seconds, int(rest2 / rate * 75.0)


def minutes_in_single(frames, rate):
    rate_s = single(rate)
    minutes = math.floor(single(single(frames) / single(rate_s * 60.0)))
    return (minutes, *track_time(frames - minutes * 60 * rate, rate)[1:])


def rest_in_single(frames, rate):
    rate_s = single(rate)
    minutes = math.floor(frames / (rate_s * 60.0))
    rest = int(single(single(frames) - single(single(minutes) * single(60.0 * rate_s))))
    seconds, rest2 = divmod(rest, rate)
    return minutes, seconds, int(single(single(rest2) / rate_s) * 75.0)


def file_seconds(frames, rate):
    return single(single(frames) / single(rate))


def file_total(frames, rate):
    return total_time(file_seconds(frames, rate))


def file_total_rounded_once(frames, rate):
    return total_time(single(frames / rate))


def file_total_in_double(frames, rate):
    minutes = math.floor(frames / rate / 60.0)
    return minutes, int(frames / rate - minutes * 60)


MISTAKES = [
    (fraction_in_double, track_time),
    (minutes_in_single, track_time),
    (rest_in_single, track_time),
    (file_total_rounded_once, file_total),
    (file_total_in_double, file_total),
]


def cases():
    rng = random.Random(20261208)
    rates = [8000, 11025, 22050, 32000, 44100, 48000, 88200, 96000, 176400, 192000]
    for index in range(400):
        rate = rates[index % len(rates)] if index % 2 else rng.randint(8000, 192000)
        frames = rng.choice([rng.randint(0, 2**24), rng.randint(0, 2**32 - 1), rng.randint(0, 2**28)])
        yield rate, frames
    for mistake, right in MISTAKES:
        found = 0
        while found < 3:
            rate, frames = rng.randint(8000, 192000), rng.randint(0, 2**32 - 1)
            if mistake(frames, rate) != right(frames, rate):
                found += 1
                yield rate, frames


def pairs_summed_in_double():
    """Two files whose total differs when the running sum is kept in double."""
    rng = random.Random(75)
    found = 0
    while found < 3:
        files = [(rng.randint(8000, 192000), rng.randint(0, 2**32 - 1)) for _ in range(2)]
        in_single = single(single(0.0) + file_seconds(*reversed(files[0])))
        in_single = single(in_single + file_seconds(*reversed(files[1])))
        in_double = file_seconds(*reversed(files[0])) + file_seconds(*reversed(files[1]))
        if total_time(in_single) != total_time(in_double):
            found += 1
            yield files


def print_group(files):
    """One group of files (a list of at most 128) and the total of the group."""
    total = single(0.0)
    for rate, frames in files:
        time = track_time(frames, rate)
        # Up to 279,620 Hz whole seconds in integers change nothing.
        assert time == track_time_all_single(frames, rate), (rate, frames)
        total = single(total + file_seconds(frames, rate))
        print(rate, frames, *time, *file_total(frames, rate))
    print("total", *total_time(total))


def main():
    print("# Groups of files, each ended by the total of its group:")
    print("# rate frames minutes seconds cdFrames totalMinutes totalSeconds (of this file alone)")
    print("# total minutes seconds")
    files = list(cases())
    for start in range(0, len(files), 128):
        print_group(files[start:start + 128])
    for pair in pairs_summed_in_double():
        print_group(pair)


if __name__ == "__main__":
    main()
