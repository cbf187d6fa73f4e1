#!/usr/bin/env python3
"""Checks the burn check against real readers of cue sheets.

Writes random projects (sparse WAV files, a list with S and P lines), runs
trelvask on each, then cdrdao show-toc and libcue's cueprint on the cue sheet
it wrote. Whatever either reader rejects or warns about, trelvask must have
warned about; a project made clean must give no warning from anyone.

    differential.py TRELVASK [PROJECTS [EMULATOR...]]

A cross-built trelvask runs under the EMULATOR command given after PROJECTS.
"""
import os
import random
import re
import struct
import subprocess
import sys
import tempfile

SECTOR = 2352
SECOND = 75 * SECTOR  # bytes of CD audio


def write_wav(path, audio_bytes, rate=44100, channels=2, bits=16, code=1, layout='riff', declared=None, tags=b''):
    """layout: riff; data-first, the data chunk before fmt; rf64, sizes in ds64.
    declared: the data size the header gives, as a pipe writer leaves it.
    tags: a chunk written after the audio, as GStreamer does through a pipe."""
    align = channels * bits // 8
    fields = struct.pack('<HHIIHH', code, channels, rate, rate * align, align, bits)
    if code == 0xFFFE:  # extensible: valid bits, channel mask, PCM subformat
        fields += struct.pack('<HHI', 22, bits, 3) + bytes.fromhex('0100000000001000800000aa00389b71')
    fmt = b'fmt ' + struct.pack('<I', len(fields)) + fields
    size = audio_bytes if declared is None else declared
    with open(path, 'wb') as out:
        if layout == 'rf64':
            ds64 = b'ds64' + struct.pack('<IQQQI', 28, 0, audio_bytes, audio_bytes // align, 0)
            out.write(b'RF64' + struct.pack('<I', 0xFFFFFFFF) + b'WAVE' + ds64 + fmt)
            out.write(b'data' + struct.pack('<I', 0xFFFFFFFF))
        elif layout == 'data-first':
            out.write(b'RIFF' + struct.pack('<I', 4 + len(fmt) + 8 + audio_bytes) + b'WAVE')
            out.write(b'data' + struct.pack('<I', size))
            out.truncate(out.tell() + audio_bytes)
            out.seek(0, 2)
            out.write(fmt)
            return
        else:
            out.write(b'RIFF' + struct.pack('<I', 4 + len(fmt) + 8 + audio_bytes) + b'WAVE' + fmt)
            out.write(b'data' + struct.pack('<I', size))
        out.truncate(out.tell() + audio_bytes)
        out.seek(0, 2)
        out.write(tags)


def cd_time(frames):
    return '%02d:%02d:%02d' % (frames // 4500, frames // 75 % 60, frames % 75)


# GStreamer's wavenc appends its tags after the audio: a title and an artist.
GSTREAMER_TAGS = b'LIST' + struct.pack('<I', 32) + b'INFOINAM' + struct.pack('<I', 6) + b'Night\0IART' + \
    struct.pack('<I', 6) + b'Band\0\0'

# How writers through a pipe leave the data size: ffmpeg, lame, sox, GStreamer.
PLACEHOLDERS = [0xFFFFFFFF, 0x7FFFFFFF, 0x7FFFF000, 0x7FFF0000]


def project(rng, folder, clean):
    """Writes WAV files and returns the list's lines."""
    lines = []
    for number in range(rng.randint(1, 3)):
        name = 'track %d.wav' % number
        seconds = rng.randint(8, 40)
        flaw = None if clean or rng.random() < 0.5 else rng.choice(
            ['rate', 'mono', 'bits', 'float', 'extensible', 'short', 'sector', 'wave-name', 'long-name',
             'data-first', 'rf64', 'zero-size', 'pipe-tags'])
        if flaw == 'wave-name':
            name = 'take %d.wave' % number
        elif flaw == 'long-name':
            name = 'n' * rng.randint(148, 200) + '.wav'
        lines.append(name)
        if flaw == 'pipe-tags':
            # GStreamer's tags after audio that ends short of a sector: a burner
            # reads both, into one more sector than the audio alone.
            write_wav(os.path.join(folder, name), seconds * SECOND - 20, declared=0x7FFF0000, tags=GSTREAMER_TAGS)
            continue
        if flaw in (None, 'wave-name', 'long-name', 'data-first', 'rf64', 'zero-size'):
            # Streaming writers put the format first.
            streamed = flaw not in ('data-first', 'rf64') and rng.random() < 0.3
            declared = {'zero-size': 0}.get(flaw, rng.choice(PLACEHOLDERS) if streamed else None)
            write_wav(os.path.join(folder, name), seconds * SECOND, declared=declared,
                      layout={'data-first': 'data-first', 'rf64': 'rf64'}.get(flaw, 'riff'))
        else:
            write_wav(os.path.join(folder, name),
                      (1 if flaw == 'short' else seconds) * SECOND + (4 if flaw == 'sector' else 0),
                      rate=48000 if flaw == 'rate' else 44100, channels=1 if flaw == 'mono' else 2,
                      bits=24 if flaw == 'bits' else 32 if flaw == 'float' else 16,
                      code={'float': 3, 'extensible': 0xFFFE}.get(flaw, 1))
        if rng.random() < 0.3:
            lines.append('P ' + cd_time(rng.randint(1 if clean else 0, 300)))
        start = 0
        while rng.random() < 0.5:
            start += rng.randint(4 * 75, 12 * 75) if clean else rng.randint(-300, 1500)
            if clean and start > (seconds - 4) * 75:
                break
            lines.append('S ' + (cd_time(max(start, 0)) if clean or rng.random() < 0.8 else
                                 rng.choice(['1:2', '00:63:00', '00:03:75', 'ab:cd:ef', '000:01:00'])))
            if not clean and rng.random() < 0.2:
                lines.append('P ' + cd_time(rng.randint(0, 150)))
    if not clean and rng.random() < 0.05:  # a hundred tracks and more
        lines += ['S %02d:%02d:00' % (s // 60, s % 60) for s in range(4, 404, 4)]
    return lines


def disc_frames(report, lines):
    """The disc's length by the report, with the pregaps: what cdrdao gives as the last END."""
    frames = 0
    for line in report.splitlines():
        match = re.match(r'^\d+\t.*\t\t(\d+):(\d+):(\d+)$', line)
        if match:
            minutes, seconds, cd_frames = map(int, match.groups())
            frames += (minutes * 60 + seconds) * 75 + cd_frames
    for line in lines:
        if line.startswith('P '):
            minutes, seconds, cd_frames = map(int, line[2:].split(':'))
            frames += (minutes * 60 + seconds) * 75 + cd_frames
    return frames


def frames(text):
    minutes, seconds, cd_frames = map(int, text.split(':'))
    return (minutes * 60 + seconds) * 75 + cd_frames


def listing_disagrees(report, cdrdao_output, toc_size):
    """Where the listing of --tracks and cdrdao differ on a track's start or
    length, or on the disc's length; empty when they agree."""
    rows = re.findall(r'(?m)^ +(\d+)  (\S+)  (\S+)  ', report)
    starts = [int(f) for f in re.findall(r'START +\S+\( *(\d+)\)', cdrdao_output)]
    ends = [int(f) for f in re.findall(r'END\*? +\S+\( *(\d+)\)', cdrdao_output)]
    if len(rows) != len(starts) or len(ends) != len(starts):
        return 'the listing has %d tracks, cdrdao %d' % (len(rows), len(starts))
    for (number, start, length), cd_start, cd_end in zip(rows, starts, ends):
        if '-' not in start + length and (frames(start), frames(length)) != (cd_start, cd_end - cd_start):
            return 'track %s: %s %s against START %d END %d' % (number, start, length, cd_start, cd_end)
    sectors = re.search(r'(?m)^Disc .* ([\d,]+) sectors', report)
    if not sectors or int(sectors.group(1).replace(',', '')) != toc_size:
        return 'the disc: %s against toc-size %d' % (sectors and sectors.group(1), toc_size)
    return ''


def run(command, folder):
    result = subprocess.run(command, cwd=folder, capture_output=True, text=True, errors='replace')
    return result.returncode, result.stdout, result.stderr


def main():
    trelvask = sys.argv[3:] + [os.path.realpath(sys.argv[1])]
    projects = int(sys.argv[2]) if len(sys.argv) > 2 else 200
    rng = random.Random(2026)
    failures = checked = complaints = listed_tracks = 0
    for index in range(projects):
        clean = index % 4 == 0
        with tempfile.TemporaryDirectory() as folder:
            lines = project(rng, folder, clean)
            with open(os.path.join(folder, 'tlist.txt'), 'w') as listing:
                listing.write('\n'.join(lines) + '\n')
            status, report, warnings = run(trelvask + ['--tracks'], folder)
            cdrdao = run(['cdrdao', 'show-toc', 'output.cue'], folder)
            # A file written through a pipe is measured to its end by both.
            cdrdao_warnings = [line for line in (cdrdao[1] + cdrdao[2]).splitlines()
                               if 'WARNING' in line and 'using actual length' not in line]
            cdrdao_says = cdrdao[0] != 0 or bool(cdrdao_warnings)
            ends = re.findall(r'END\*? +\S+\( *(\d+)\)', cdrdao[1])
            cueprint_says = bool(run(['cueprint', 'output.cue'], folder)[2].strip())
            toc_size = run(['cdrdao', 'toc-size', 'output.cue'], folder)
            # A sheet with a faulty split, an empty track or a file read as raw
            # samples is warned about; cdrdao lays it out as it can.
            faulty = re.search(r'split|CD time|no time|lasts 0:0:0 |does not end in .wav', warnings)
            accepted = cdrdao[0] == 0 and toc_size[0] == 0 and not faulty
            listed = listing_disagrees(report, cdrdao[1], int(toc_size[1].split()[-1])) if accepted else ''
            listed_tracks += accepted
            problem = None
            if status != 0:
                problem = 'trelvask exited %d' % status
            elif (cdrdao_says or cueprint_says) and not warnings:
                problem = 'a reader complains, trelvask does not'
            elif clean and (warnings or cdrdao_says or cueprint_says):
                problem = 'a clean project gives warnings'
            elif clean and (not ends or int(ends[-1]) != disc_frames(report, lines)):
                problem = 'the report and cdrdao differ on the length: %s' % (ends[-1:] or 'no END')
            elif listed:
                problem = 'the listing and cdrdao show-toc differ: ' + listed
            checked += 1
            complaints += cdrdao_says or cueprint_says
            if problem:
                failures += 1
                print('%s:\n  list: %r\n  trelvask: %s\n  cdrdao: %s' % (
                    problem, lines, warnings.strip(), (cdrdao[1] + cdrdao[2]).strip()[-400:]))
    print('the readers complained about %d of %d projects' % (complaints, checked))
    print('the listing was compared with show-toc and toc-size on %d projects' % listed_tracks)
    print('%d passed, %d failed' % (checked - failures, failures))
    # Nothing is shown unless the readers both complain and stay quiet.
    return 1 if failures or not 0 < complaints < checked else 0


if __name__ == '__main__':
    sys.exit(main())
