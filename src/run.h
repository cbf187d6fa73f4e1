// The command line and the order of one run.
#pragma once

// Runs the tool once and returns its exit status:
// 0 done, 1 usage text or unreadable list, 2 a WAV problem, 3 cue file not
// written, 4 warnings with --strict, 5 standard output failed.
int run(int argc, char* argv[]);
