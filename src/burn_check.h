// Checking the disc that the cue sheet describes against what a CD and a
// burner accept, from what the run has already read: nothing is read here.
#pragma once

#include "disc.h"
#include "finding.h"

// Adds what would spoil the disc to findings.
void checkDisc(const Disc& disc, Findings& findings);
