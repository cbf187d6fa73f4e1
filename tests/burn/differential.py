#!/usr/bin/env python3
"""Checks the sheets trelvask writes with the programs that burn and read them.

    differential.py cue|toc|cd-text TRELVASK [COUNT [EMULATOR...]]

cue: on random projects, whatever cdrdao show-toc or libcue's cueprint
rejects or warns about, trelvask warned about; clean projects warn nowhere.
toc: on random gapless projects, toc-size and show-toc take the TOC file as
the listing gives it, END* only where a pad is allowed, and show-data
prints the files' audio one after the other with the pregaps' silence.
cd-text: every title, from a table of what cdrdao's lexer reads otherwise
and from random texts, comes back through toc2cddb as the disc gets it,
from a cue sheet and from a TOC file; a WAV name with a backslash before a
digit is the file cdrdao opens.
"""
import os
import random
import re
import struct
import subprocess
import sys
import tempfile

SECTOR = 2352  # bytes of CD audio
SECOND = 75 * SECTOR


def write_wav(path, audio_bytes, rate=44100, channels=2, bits=16, code=1, layout='riff', declared=None, tags=b'',
              audio=None):
    """audio_bytes of silence, sparse, or the bytes of audio (riff only).
    layout: riff; data-first, the data chunk before fmt; rf64, sizes in ds64.
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
        if audio is None:
            out.truncate(out.tell() + audio_bytes)
        else:
            out.write(audio)
        out.seek(0, 2)
        out.write(tags)


def cd_time(frames):
    return '%02d:%02d:%02d' % (frames // 4500, frames // 75 % 60, frames % 75)


def frames(text):
    minutes, seconds, cd_frames = map(int, text.split(':'))
    return (minutes * 60 + seconds) * 75 + cd_frames


def run(command, folder, binary=False):
    result = subprocess.run(command, cwd=folder, capture_output=True, **({} if binary else {'text': True,
                                                                                           'errors': 'replace'}))
    return result.returncode, result.stdout, result.stderr


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


def check_cue(trelvask, projects):
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


# TOC files

def toc_project(rng, folder):
    """Writes the files of noise; returns the list's lines (files, splits at
    least 4 seconds from either end and each other, and pregaps) and the
    audio of the gapless disc: the files' audio one after the other, each
    pregap's silence after the track before it is padded to whole sectors,
    and the last track padded."""
    lines, audio = [], bytearray()

    def pregap():
        gap = rng.randint(1, 150)
        lines.append('P ' + cd_time(gap))
        audio.extend(bytes(-len(audio) % SECTOR + gap * SECTOR))

    for number in range(rng.randint(1, 3)):
        samples = rng.randint(5 * 44100, 14 * 44100)
        data = rng.randbytes(samples * 4)
        lines.append('take %d.wav' % number)
        write_wav(os.path.join(folder, lines[-1]), len(data), audio=data)
        if rng.random() < 0.3:
            pregap()
        cut = 0
        if samples >= 9 * 44100 and rng.random() < 0.6:
            split = rng.randint(4 * 75 + 2, samples // 588 - 4 * 75 - 2)
            lines.append('S ' + cd_time(split))
            if rng.random() < 0.4:
                cut = split * SECTOR
                audio.extend(data[:cut])
                pregap()
        audio.extend(data[cut:])
    return lines, bytes(audio + bytes(-len(audio) % SECTOR))


def shown_audio(output):
    """The sample frames cdrdao show-data prints, as raw little-endian bytes."""
    values = re.findall(rb'(?m)^ *\d+: *(-?\d+) +(-?\d+)$', output)
    return b''.join(struct.pack('<hh', int(left), int(right)) for left, right in values)


def check_toc_project(trelvask, rng):
    with tempfile.TemporaryDirectory() as folder:
        lines, audio = toc_project(rng, folder)
        with open(os.path.join(folder, 'tlist.txt'), 'w') as listing:
            listing.write('\n'.join(lines) + '\n')
        status, report, warnings = run(trelvask + ['--toc', '--tracks'], folder)
        if status != 0 or warnings:
            return 'trelvask exited %d: %s' % (status, warnings), lines
        size = run(['cdrdao', 'toc-size', 'output.toc'], folder)
        shown = run(['cdrdao', 'show-toc', 'output.toc'], folder)
        if size[0] != 0 or 'ERROR' in shown[1] + shown[2]:
            return 'cdrdao refuses it: ' + (size[2] + shown[1] + shown[2])[-300:], lines
        listed = listing_disagrees(report, shown[1], int(size[1].split()[-1]))
        if listed:
            return 'the listing and cdrdao differ: ' + listed, lines
        tracks = re.findall(r'(PREGAP +\S+\( *\d+\)\s+)?START +\S+\( *\d+\)\s+END(\*?)', shown[1])
        for at, (_, padded) in enumerate(tracks):
            if padded and at + 1 < len(tracks) and not tracks[at + 1][0]:
                return 'track %d is padded before a seam' % (at + 1), lines
        data = run(['cdrdao', 'show-data', 'output.toc'], folder, binary=True)
        if shown_audio(data[1]) != audio:
            return 'the audio cdrdao burns is not the files\' audio one after the other', lines
    return '', lines


def check_toc(trelvask, projects):
    rng = random.Random(38)
    failures = 0
    for _ in range(projects):
        problem, lines = check_toc_project(trelvask, rng)
        if problem:
            failures += 1
            print('%s\n  list: %r' % (problem, lines))
    print('%d projects, %d failed' % (projects, failures))
    return 1 if failures else 0


# CD-TEXT

# A title as the list gives it, and as the disc must hold it (Latin-1) from
# a cue sheet and from a TOC file, which keeps a double quote and counts a
# backslash as one byte.
TITLES = [
    ('AC\\1', b'AC\\1', b'AC\\1'),
    ('Track \\12', b'Track \\12', b'Track \\12'),
    ('x\\899y', b'x\\899y', b'x\\899y'),
    ('Last \\0', b'Last \\0', b'Last \\0'),
    ('x\\189y', b'x\\189y', b'x\\189y'),
    ('\\134 twice \\\\', b'\\134 twice \\\\', b'\\134 twice \\\\'),
    ('ends \\', b'ends \\', b'ends \\'),
    ('Caf\u00e9 \\7', b'Caf\xe9 \\7', b'Caf\xe9 \\7'),
    ('Say "Hi" \\1', b"Say 'Hi' \\1", b'Say "Hi" \\1'),
    ('\\' * 20, b'\\' * 20, b'\\' * 20),                      # 80 bytes as written in a cue sheet
    ('x' * 76 + ' \\y', b'x' * 76, b'x' * 76 + b' \\y'),       # cut, and no blank left at the end
]
ALPHABET = 'ab \\0189"\u00e9'


def expected(title):
    """What the disc holds for a random title from a cue sheet and from a TOC
    file: it fits, so only the quote changes, and only in the cue sheet."""
    return title.replace('"', "'").strip().encode('latin-1'), title.strip().encode('latin-1')


def random_title(rng):
    while True:
        title = ''.join(rng.choice(ALPHABET) for _ in range(rng.randint(1, 24))).strip()
        if title and len(title) + 3 * title.count('\\') <= 80:
            return title


def check_disc(trelvask, titles, wav_name, toc):
    """Problems with one disc of these (title, disc bytes from a cue sheet,
    from a TOC file) triples, written as a TOC file or a cue sheet; empty
    when none."""
    sheet = 'output.toc' if toc else 'output.cue'
    with tempfile.TemporaryDirectory() as folder:
        write_wav(os.path.join(folder, wav_name), (len(titles) + 1) * 5 * SECOND)
        lines = [wav_name] + ['S 00:%02d:00 %s' % (5 * (at + 1), title) if at < 11 else
                              'S %02d:%02d:00 %s' % (5 * (at + 1) // 60, 5 * (at + 1) % 60, title)
                              for at, (title, _, _) in enumerate(titles)]
        with open(os.path.join(folder, 'tlist.txt'), 'w', encoding='utf-8') as listing:
            listing.write('\n'.join(lines) + '\n')
        status, _, warnings = run(trelvask + ['--cd-text'] + (['--toc'] if toc else []), folder)
        if status not in (0, 4):
            return 'trelvask exited %d: %s' % (status, warnings)
        shown = run(['cdrdao', 'show-toc', sheet], folder)
        if shown[0] != 0 or 'ERROR' in shown[1] + shown[2]:
            return 'cdrdao show-toc refuses it: %s' % (shown[1] + shown[2])[-300:]
        ends = re.findall(r'END +\S+\( *(\d+)\)', shown[1])
        if not ends or int(ends[-1]) != (len(titles) + 1) * 5 * 75:
            return 'cdrdao opened another file than %s: %s' % (wav_name, ends[-1:])
        cddb = run(['toc2cddb', sheet], folder, binary=True)[1]
        got = dict(re.findall(rb'(?m)^TTITLE(\d+)=(.*)$', cddb))
        for at, (title, from_cue, from_toc) in enumerate(titles):
            disc = from_toc if toc else from_cue
            if got.get(str(at + 1).encode()) != disc:
                return 'title %r reads as %r, not %r' % (title, got.get(str(at + 1).encode()), disc)
    return ''


def check_cd_text(trelvask, discs):
    rng = random.Random(35)
    cases = [(TITLES, 'a.wav'), ([('Night', b'Night', b'Night')], 'x\\1y.wav'),
             ([('Dawn', b'Dawn', b'Dawn')], 'Disc \\2\\.wav'), ([('Dusk', b'Dusk', b'Dusk')], 'say "a".wav')]
    for _ in range(discs):
        titles = [random_title(rng) for _ in range(20)]
        cases.append(([(title,) + expected(title) for title in titles], 'a.wav'))
    failures = 0
    for titles, wav_name in cases:
        for toc in (False, True):
            if '"' in wav_name and not toc:
                continue  # a cue sheet cannot name it, as its warning says
            problem = check_disc(trelvask, titles, wav_name, toc)
            if problem:
                failures += 1
                print(('TOC file: ' if toc else 'cue sheet: ') + problem)
    print('%d discs, each as a cue sheet and as a TOC file, %d failed' % (len(cases), failures))
    return 1 if failures else 0


CHECKS = {'cue': (check_cue, 200), 'toc': (check_toc, 12), 'cd-text': (check_cd_text, 20)}


def main():
    check, count = CHECKS[sys.argv[1]]
    trelvask = sys.argv[4:] + [os.path.realpath(sys.argv[2])]
    return check(trelvask, int(sys.argv[3]) if len(sys.argv) > 3 else count)


if __name__ == '__main__':
    sys.exit(main())
