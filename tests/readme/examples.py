#!/usr/bin/env python3
"""Runs every example of the README, so that none of them can go stale.

An example is a ```console block. It runs in a new folder of its own, after
the shell commands of the HTML comment "<!-- setup ... -->" just before it
(with the helpers of tests/e2e/helpers.sh and $examples, the bundled
example's folder). A line that starts with "$ " is a command, run by bash
with trelvask on PATH; the lines after it, up to the next command, are what
it prints, standard output and standard error together as a terminal shows
them, and must be exactly that.

    examples.py README TRELVASK [EMULATOR...]
"""
import os
import re
import shlex
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.realpath(__file__))
HELPERS = os.path.join(HERE, '..', 'e2e', 'helpers.sh')
EXAMPLES = os.path.realpath(os.path.join(HERE, '..', '..', 'examples'))


def examples(readme):
    """(line number, setup, [(command, expected output)]) for each console block."""
    found = []
    pattern = re.compile(r'(?:<!-- setup\n(.*?)-->\n)?```console\n(.*?)```\n', re.S)
    for match in pattern.finditer(readme):
        steps = []
        for line in match.group(2).splitlines():
            if line.startswith('$ '):
                steps.append([line[2:], ''])
            elif steps:
                steps[-1][1] += line + '\n'
        found.append((readme.count('\n', 0, match.start(2)) + 1, match.group(1) or '', steps))
    return found


def run_example(setup, steps, bin_dir):
    """The first difference between the example and what the commands print, or ''."""
    with tempfile.TemporaryDirectory() as folder:
        env = dict(os.environ, PATH=bin_dir + ':' + os.environ['PATH'], examples=EXAMPLES, LC_ALL='C.UTF-8')
        prepared = subprocess.run(['bash', '-c', 'source "$0" && ' + setup, HELPERS], cwd=folder, env=env,
                                  capture_output=True, text=True)
        if prepared.returncode != 0:
            return 'the setup failed: ' + prepared.stderr
        for command, expected in steps:
            result = subprocess.run(['bash', '-c', command], cwd=folder, env=env, stdout=subprocess.PIPE,
                                    stderr=subprocess.STDOUT, text=True, errors='replace')
            got = result.stdout.replace(os.path.realpath(folder), 'WORK')
            if got != expected:
                return '$ %s\nexpected:\n%sgot:\n%s' % (command, expected, got)
    return ''


def main():
    readme = open(sys.argv[1], encoding='utf-8').read()
    trelvask = os.path.realpath(sys.argv[2])
    emulator = sys.argv[3:]
    with tempfile.TemporaryDirectory() as bin_dir:
        wrapper = os.path.join(bin_dir, 'trelvask')
        with open(wrapper, 'w') as out:
            out.write('#!/bin/sh\nexec %s "$@"\n' % ' '.join(shlex.quote(word) for word in emulator + [trelvask]))
        os.chmod(wrapper, 0o755)
        failures = 0
        found = examples(readme)
        for line, setup, steps in found:
            problem = run_example(setup, steps, bin_dir)
            if problem:
                failures += 1
                print('README.md:%d: %s' % (line, problem))
    print('%d examples, %d failed' % (len(found), failures))
    return 1 if failures or not found else 0


if __name__ == '__main__':
    sys.exit(main())
