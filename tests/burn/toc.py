#!/usr/bin/env python3
"""Checks the TOC files trelvask writes against cdrdao itself.

Writes random projects of WAV files of noise whose lengths fill no whole
sectors, with splits and pregaps, runs trelvask --toc --tracks on each, and
asks cdrdao: toc-size must accept the TOC and count the listing's total;
show-toc must print no ERROR, every start and length the listing gives, and
END* (a padded end) only for the last track and a track before a pregap; and
the audio show-data prints must be the files' audio one after the other,
with the pregaps' silence, padded with silence only at those ends.

    toc.py TRELVASK [PROJECTS [EMULATOR...]]
"""
import os
import random
import re
import struct
import subprocess
import sys
import tempfile

SECTOR = 588  # sample frames


def write_wav(path, audio):
    fields = struct.pack('<HHIIHH', 1, 2, 44100, 176400, 4, 16)
    with open(path, 'wb') as out:
        out.write(b'RIFF' + struct.pack('<I', 36 + len(audio)) + b'WAVEfmt ' + struct.pack('<I', 16) + fields)
        out.write(b'data' + struct.pack('<I', len(audio)) + audio)


def cd_time(frames):
    return '%02d:%02d:%02d' % (frames // 4500, frames // 75 % 60, frames % 75)


def project(rng, folder):
    """Writes the files of noise and returns the list's lines: files, splits
    at least 4 seconds from either end and each other, and pregaps."""
    lines = []
    for number in range(rng.randint(1, 3)):
        name = 'take %d.wav' % number
        frames = rng.randint(5 * 44100, 14 * 44100)
        write_wav(os.path.join(folder, name), rng.randbytes(frames * 4))
        lines.append(name)
        if rng.random() < 0.3:
            lines.append('P ' + cd_time(rng.randint(1, 150)))
        if frames >= 9 * 44100 and rng.random() < 0.6:
            lines.append('S ' + cd_time(rng.randint(4 * 75 + 2, frames // SECTOR - 4 * 75 - 2)))
            if rng.random() < 0.4:
                lines.append('P ' + cd_time(rng.randint(1, 150)))
    return lines


def parse_runs(lines, folder):
    """(pregap sectors, audio bytes) for each run of the disc, from the list:
    a run starts at the disc's start and at every pregap."""
    runs = []
    audio_of = {}
    current = None
    cut = 0
    for at, line in enumerate(lines):
        pregap_next = at + 1 < len(lines) and lines[at + 1].startswith('P ')
        pregap = 0
        if pregap_next:
            m, s, f = map(int, lines[at + 1][2:].split(':'))
            pregap = (m * 60 + s) * 75 + f
        if line.startswith('P '):
            continue
        if line.startswith('S '):
            m, s, f = map(int, line[2:].split(':'))
            split = ((m * 60 + s) * 75 + f) * SECTOR * 4
            data = audio_of[current]
            if pregap:
                runs[-1][1] += data[cut:split]
                runs.append([pregap, b''])
                cut = split
            continue
        if current is not None:
            runs[-1][1] += audio_of[current][cut:]
        current = line
        with open(os.path.join(folder, line), 'rb') as wav:
            audio_of[line] = wav.read()[44:]
        cut = 0
        if not runs or pregap:
            runs.append([pregap, b''])
    runs[-1][1] += audio_of[current][cut:]
    return runs


def disc_audio(runs):
    """The audio of a gapless disc: each run after its pregap's silence,
    padded with silence to whole sectors."""
    audio = b''
    for pregap, run in runs:
        audio += bytes(pregap * SECTOR * 4) + run
        audio += bytes(-len(audio) % (SECTOR * 4))
    return audio


def shown_audio(output):
    """The sample frames cdrdao show-data prints, as raw little-endian bytes."""
    values = re.findall(rb'(?m)^ *\d+: *(-?\d+) +(-?\d+)$', output)
    return b''.join(struct.pack('<hh', int(left), int(right)) for left, right in values)


def check(trelvask, rng):
    with tempfile.TemporaryDirectory() as folder:
        lines = project(rng, folder)
        with open(os.path.join(folder, 'tlist.txt'), 'w') as listing:
            listing.write('\n'.join(lines) + '\n')
        run = subprocess.run(trelvask + ['--toc', '--tracks'], cwd=folder, capture_output=True, text=True)
        if run.returncode != 0 or run.stderr:
            return 'trelvask exited %d: %s' % (run.returncode, run.stderr), lines
        size = subprocess.run(['cdrdao', 'toc-size', 'output.toc'], cwd=folder, capture_output=True, text=True)
        total = re.search(r'(?m)^Disc .* ([\d,]+) sectors', run.stdout)
        if size.returncode != 0 or not total or size.stdout.split()[-1] != total.group(1).replace(',', ''):
            return 'toc-size: %s against %s' % (size.stdout.strip()[-80:], total and total.group(1)), lines
        shown = subprocess.run(['cdrdao', 'show-toc', 'output.toc'], cwd=folder, capture_output=True, text=True)
        if 'ERROR' in shown.stdout + shown.stderr:
            return 'show-toc: ' + (shown.stdout + shown.stderr)[-300:], lines
        listed = [(int(s[:2]) * 4500 + int(s[3:5]) * 75 + int(s[6:]), int(l[:2]) * 4500 + int(l[3:5]) * 75 + int(l[6:]))
                  for s, l in re.findall(r'(?m)^ +\d+  (\S+)  (\S+)  ', run.stdout)]
        tracks = re.findall(r'(PREGAP +\S+\( *\d+\)\s+)?START +\S+\( *(\d+)\)\s+END(\*?) +\S+\( *(\d+)\)',
                            shown.stdout)
        if [(int(start), int(end) - int(start)) for _, start, _, end in tracks] != listed:
            return 'show-toc and the listing differ:\n%s\n%s' % (shown.stdout, run.stdout), lines
        for at, (_, _, padded, _) in enumerate(tracks):
            if padded and at + 1 < len(tracks) and not tracks[at + 1][0]:
                return 'track %d is padded before a seam' % (at + 1), lines
        data = subprocess.run(['cdrdao', 'show-data', 'output.toc'], cwd=folder, capture_output=True)
        if shown_audio(data.stdout) != disc_audio(parse_runs(lines, folder)):
            return 'the audio cdrdao burns is not the files\' audio one after the other', lines
    return '', lines


def main():
    trelvask = sys.argv[3:] + [os.path.realpath(sys.argv[1])]
    projects = int(sys.argv[2]) if len(sys.argv) > 2 else 12
    rng = random.Random(38)
    failures = 0
    for _ in range(projects):
        problem, lines = check(trelvask, rng)
        if problem:
            failures += 1
            print('%s\n  list: %r' % (problem, lines))
    print('%d projects, %d failed' % (projects, failures))
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
