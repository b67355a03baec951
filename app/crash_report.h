#pragma once

// On a fatal signal, prints "FATAL: unhandled exception 0x........" and a
// backtrace to standard error, then lets the signal end the process as usual.
void install_crash_report();
