#!/usr/bin/env python3
"""Converts short sources of every kind with --convert and checks what comes out.

A table of sources made by ffmpeg (FLAC of 16 and 24 bits at 44100, 48000 and
96000 Hz, mono, Ogg Vorbis, Opus, MP3, AIFF and a WAV of floating point):
each converted file is CD audio of the length predicted from the source's
length as libsndfile reads it; a 16-bit source at 44100 Hz keeps every sample
(as flac -d and sox give them); a resampled one is within 1 LSB rms of
sox's very high quality resampler with dither; the tags are carried; and
cdrdao takes the sheet, cue or TOC, at the length the listing gives. Then the
rows of never losing a file: a run interrupted, a write that fails, a file
in the folder that trelvask did not make, a changed source, a rerun that
converts and loads nothing, and two sources of one name.

    convert.py TRELVASK [EMULATOR...]
"""
import array
import ctypes
import math
import os
import re
import signal
import subprocess
import sys
import tempfile
import time
import wave

TAGS = ['-metadata', 'title=Night Song', '-metadata', 'artist=The Lanterns', '-metadata', 'album=Harbour',
        '-metadata', 'album_artist=Various']

# name, ffmpeg's options for it, and how it must come out: "exact" to the
# sample, "sox" like sox's resampler, or "any" (lossy sources).
SOURCES = [
    ('cd.flac', ['-ar', '44100', '-ac', '2'], 'exact'),
    ('hires.flac', ['-ar', '96000', '-ac', '2', '-sample_fmt', 's32'], 'sox'),
    ('mono48.flac', ['-ar', '48000', '-ac', '1'], 'sox'),
    ('vorbis.ogg', ['-ar', '48000', '-ac', '2', '-c:a', 'libvorbis'], 'any'),
    ('voice.opus', ['-ar', '48000', '-ac', '2', '-c:a', 'libopus'], 'any'),
    ('song.mp3', ['-ar', '44100', '-ac', '2'], 'any'),
    ('old.aiff', ['-ar', '44100', '-ac', '2', '-write_id3v2', '1'], 'exact'),
    ('float.wav', ['-ar', '44100', '-ac', '2', '-c:a', 'pcm_f32le'], 'any'),
]


class SfInfo(ctypes.Structure):
    _fields_ = [('frames', ctypes.c_int64), ('samplerate', ctypes.c_int), ('channels', ctypes.c_int),
                ('format', ctypes.c_int), ('sections', ctypes.c_int), ('seekable', ctypes.c_int)]


def library_frames(path):
    """A source's frames and rate as libsndfile reads them, through ctypes."""
    sndfile = ctypes.CDLL('libsndfile.so.1')
    sndfile.sf_open.restype = ctypes.c_void_p
    info = SfInfo()
    handle = sndfile.sf_open(path.encode(), 0x10, ctypes.byref(info))
    sndfile.sf_close(ctypes.c_void_p(handle))
    return info.frames, info.samplerate


def converted_frames(frames, rate):
    return frames // rate * 44100 + (2 * (frames % rate) * 44100 + rate) // (2 * rate)


def read_wav(path):
    """(channels, rate, bytes a sample; INFO texts; 16-bit samples) of a PCM WAV file."""
    with wave.open(path) as wav:
        fmt = (wav.getnchannels(), wav.getframerate(), wav.getsampwidth())
        samples = array.array('h', wav.readframes(wav.getnframes()))
    with open(path, 'rb') as whole:
        info = re.findall(rb'(I[A-Z]{3})(?:.{4})([^\0]*)\0', whole.read(4096).partition(b'INFO')[2], re.S)
    return fmt, {key.decode(): text.decode() for key, text in info}, samples


def rms_difference(ours, theirs):
    count = min(len(ours), len(theirs))
    return math.sqrt(sum((ours[at] - theirs[at]) ** 2 for at in range(0, count)) / max(count, 1))


def run(command, folder, env=None):
    return subprocess.run(command, cwd=folder, capture_output=True, text=True, errors='replace', env=env)


def make_sources(folder):
    for name, options, _ in SOURCES:
        subprocess.run(['ffmpeg', '-loglevel', 'error', '-f', 'lavfi', '-i',
                        'sine=frequency=997:duration=5:sample_rate=96000'] + options + TAGS + [name],
                       cwd=folder, check=True)
    with open(os.path.join(folder, 'tlist.txt'), 'w') as listing:
        listing.write('\n'.join(name for name, _, _ in SOURCES) + '\n')


def reference(folder, name, how):
    """What the converted file's samples must be like: flac -d's or sox's."""
    out = os.path.join(folder, 'reference.wav')
    if how == 'exact' and name.endswith('.flac'):
        subprocess.run(['flac', '-d', '-s', '-f', '-o', out, name], cwd=folder, check=True)
    elif how == 'exact':
        subprocess.run(['sox', name, '-b', '16', out], cwd=folder, check=True)
    else:
        subprocess.run(['sox', name, '-b', '16', '-c', '2', out, 'rate', '-v', '44100', 'dither'], cwd=folder,
                       check=True)
    return read_wav(out)[2]


def check_sources(trelvask, folder):
    """Problems with the converted sources, or an empty list."""
    problems = []
    result = run(trelvask + ['--convert', 'cd', '--cd-text', '--tracks'], folder)
    if result.returncode != 0:
        return ['trelvask exited %d: %s' % (result.returncode, result.stderr)]
    for name, _, how in SOURCES:
        converted = os.path.join(folder, 'cd', name.rsplit('.', 1)[0] + ('-cd.wav' if name.endswith('.wav') else '.wav'))
        fmt, info, samples = read_wav(converted)
        frames, rate = library_frames(os.path.join(folder, name))
        if fmt != (2, 44100, 2) or len(samples) // 2 != converted_frames(frames, rate):
            problems.append('%s: %s, %d frames, not CD audio of %d' % (name, fmt, len(samples) // 2,
                                                                       converted_frames(frames, rate)))
        if (info.get('INAM'), info.get('IART'), info.get('IPRD')) != ('Night Song', 'The Lanterns', 'Harbour'):
            problems.append('%s: its tags are not carried: %s' % (name, info))
        if how != 'any':
            difference = rms_difference(samples, reference(folder, name, how))
            if difference > (0 if how == 'exact' else 1):
                problems.append('%s: %.2f LSB rms from its reference' % (name, difference))
    for sheet, options in (('output.cue', []), ('output.toc', ['--toc'])):
        listed = run(trelvask + ['--convert', 'cd', '--tracks'] + options, folder).stdout
        size = run(['cdrdao', 'toc-size', sheet], folder)
        total = re.search(r'(?m)^Disc .* ([\d,]+) sectors', listed)
        if size.returncode != 0 or not total or size.stdout.split()[-1] != total.group(1).replace(',', ''):
            problems.append('%s: cdrdao toc-size says %s' % (sheet, (size.stdout + size.stderr).strip()[-200:]))
    return problems


def files_in(folder):
    return sorted(os.listdir(folder)) if os.path.isdir(folder) else []


def check_never_lose(trelvask, folder):
    """The rows of never losing a file, each on the sources converted above."""
    problems = []
    state = lambda: [(name, os.stat(os.path.join(folder, 'cd', name)).st_ino,
                      os.stat(os.path.join(folder, 'cd', name)).st_mtime_ns) for name in files_in(os.path.join(folder, 'cd'))]
    before = state()
    # A rerun converts nothing, and loads no library to read a source.
    rerun = run(trelvask + ['--convert', 'cd'], folder, dict(os.environ, LD_DEBUG='files'))
    if state() != before or 'libsndfile' in rerun.stderr:
        problems.append('a rerun converted again, or loaded libsndfile')
    # A changed source is converted again, into the same name.
    os.utime(os.path.join(folder, 'cd.flac'))
    run(trelvask + ['--convert', 'cd'], folder)
    changed = [row for row in state() if row not in before]
    if [row[0] for row in changed] != ['cd.wav']:
        problems.append('changing cd.flac converted %s again' % [row[0] for row in changed])
    # A file there that trelvask did not make is kept, and the run ends with 3.
    with open(os.path.join(folder, 'cd', 'song.wav'), 'wb') as foreign:
        foreign.write(b'RIFF my own recording')
    foreign = run(trelvask + ['--convert', 'cd'], folder)
    if foreign.returncode != 3 or open(os.path.join(folder, 'cd', 'song.wav'), 'rb').read() != b'RIFF my own recording':
        problems.append('a file trelvask did not make: exit %d, %s' % (foreign.returncode, foreign.stderr))
    return problems


def check_interruptions(trelvask, folder):
    """A run killed, or whose writes fail, leaves no file and no temporary."""
    problems = []
    subprocess.run(['ffmpeg', '-loglevel', 'error', '-f', 'lavfi', '-i', 'sine=frequency=440:duration=240:'
                    'sample_rate=96000', '-ac', '2', '-sample_fmt', 's32', 'long.flac'], cwd=folder, check=True)
    with open(os.path.join(folder, 'long.txt'), 'w') as listing:
        listing.write('long.flac\n')
    os.rename(os.path.join(folder, 'tlist.txt'), os.path.join(folder, 'album.txt'))
    for how in ('killed', 'over ulimit -f'):
        if how == 'killed':
            running = subprocess.Popen(trelvask + ['--convert', 'out', 'long.txt'], cwd=folder,
                                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            time.sleep(0.3)
            running.send_signal(signal.SIGTERM)
            status = running.wait()
        else:
            status = run(['bash', '-c', 'trap "" XFSZ; ulimit -f 1000; exec "$@"', 'limited'] + trelvask +
                         ['--convert', 'out', 'long.txt'], folder).returncode
        if status not in (-signal.SIGTERM, 3) or files_in(os.path.join(folder, 'out')):
            problems.append('%s: exit %d, and the folder holds %s' % (how, status, files_in(os.path.join(folder, 'out'))))
    # Two sources of one name get names of their own, the same on every run.
    for disc in ('disc1', 'disc2'):
        os.mkdir(os.path.join(folder, disc))
        os.link(os.path.join(folder, 'cd.flac'), os.path.join(folder, disc, 'cd.flac'))
    with open(os.path.join(folder, 'two.txt'), 'w') as listing:
        listing.write('disc1/cd.flac\ndisc2/cd.flac\n')
    names = [files_in(os.path.join(folder, 'two')) for _ in range(2)
             if run(trelvask + ['--convert', 'two', 'two.txt'], folder).returncode == 0]
    if len(names) != 2 or len(names[0]) != 2 or names[0] != names[1]:
        problems.append('two sources of one name became %s' % names)
    return problems


def main():
    trelvask = sys.argv[2:] + [os.path.realpath(sys.argv[1])]
    with tempfile.TemporaryDirectory() as folder:
        make_sources(folder)
        problems = check_sources(trelvask, folder)
        problems += check_never_lose(trelvask, folder)
        problems += check_interruptions(trelvask, folder)
    for problem in problems:
        print(problem)
    print('%d sources converted, %d problems' % (len(SOURCES), len(problems)))
    return 1 if problems else 0


if __name__ == '__main__':
    sys.exit(main())
