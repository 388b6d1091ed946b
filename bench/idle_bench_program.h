// The real program's processor time and wake-ups while nothing happens.
#pragma once

// Starts Xvfb, clients and the program, measures two idle stretches of `seconds` each and
// prints the figures; returns non-zero when the scene could not be set up.
int MeasureRealProgramIdle(int seconds);
