#!/usr/bin/env python3
"""Checks the CD-TEXT and the names of cue sheets and TOC files as cdrdao
reads them.

Each disc is one WAV file split into tracks whose titles follow the split
times; trelvask writes the sheet with --cd-text, as a cue sheet and as a TOC
file, cdrdao show-toc must take it without an error, and toc2cddb, which
reads it with cdrdao's own parser, must give every title back as the disc
gets it. The titles are a
table of the texts that cdrdao's lexer reads otherwise (a backslash before a
digit, at the end, doubled) and random texts made of such characters.
A WAV file whose name holds a backslash before a digit must be the file
cdrdao opens.

    cd_text.py TRELVASK [DISCS [EMULATOR...]]
"""
import os
import random
import re
import struct
import subprocess
import sys
import tempfile

SECOND = 75 * 2352  # bytes of CD audio

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


def write_wav(path, audio_bytes):
    fields = struct.pack('<HHIIHH', 1, 2, 44100, 176400, 4, 16)
    with open(path, 'wb') as out:
        out.write(b'RIFF' + struct.pack('<I', 36 + audio_bytes) + b'WAVEfmt ' + struct.pack('<I', 16) + fields)
        out.write(b'data' + struct.pack('<I', audio_bytes))
        out.truncate(out.tell() + audio_bytes)


def expected(title):
    """What the disc holds for a random title from a cue sheet and from a TOC
    file: it fits, so only the quote changes, and only in the cue sheet."""
    return title.replace('"', "'").strip().encode('latin-1'), title.strip().encode('latin-1')


def random_title(rng):
    while True:
        title = ''.join(rng.choice(ALPHABET) for _ in range(rng.randint(1, 24))).strip()
        if title and len(title) + 3 * title.count('\\') <= 80:
            return title


def run(command, folder):
    return subprocess.run(command, cwd=folder, capture_output=True)


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
        status = run(trelvask + ['--cd-text'] + (['--toc'] if toc else []), folder)
        if status.returncode not in (0, 4):
            return 'trelvask exited %d: %s' % (status.returncode, status.stderr.decode(errors='replace'))
        shown = run(['cdrdao', 'show-toc', sheet], folder)
        output = shown.stdout + shown.stderr
        if shown.returncode != 0 or b'ERROR' in output:
            return 'cdrdao show-toc refuses it: %s' % output.decode(errors='replace')[-300:]
        ends = re.findall(rb'END +\S+\( *(\d+)\)', shown.stdout)
        if not ends or int(ends[-1]) != (len(titles) + 1) * 5 * 75:
            return 'cdrdao opened another file than %s: %s' % (wav_name, ends[-1:])
        cddb = run(['toc2cddb', sheet], folder).stdout
        got = dict(re.findall(rb'(?m)^TTITLE(\d+)=(.*)$', cddb))
        for at, (title, from_cue, from_toc) in enumerate(titles):
            disc = from_toc if toc else from_cue
            if got.get(str(at + 1).encode()) != disc:
                return 'title %r reads as %r, not %r' % (title, got.get(str(at + 1).encode()), disc)
    return ''


def main():
    trelvask = sys.argv[3:] + [os.path.realpath(sys.argv[1])]
    discs = int(sys.argv[2]) if len(sys.argv) > 2 else 20
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


if __name__ == '__main__':
    sys.exit(main())
