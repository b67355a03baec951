#pragma once
// Temporary files that must not outlive an interrupted process: while one is
// registered, any catchable signal that would end the process (HUP, INT, QUIT,
// TERM, PIPE, ALRM, USR1, ...) removes it before the process ends as the
// signal's default action would end it.
#include <string>

// Returns a slot to hand back to `forget_on_interrupt`, or -1 when the path
// cannot be watched (too long, or every slot taken).
int remove_on_interrupt(const std::string& path);
void forget_on_interrupt(int slot);
