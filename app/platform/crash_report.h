#pragma once

// On a fatal signal, prints "FATAL: unhandled exception 0x........" and a
// backtrace to standard error, then lets the signal end the process as usual.
void install_crash_report();

// Each thread needs its own stack for reporting a stack overflow; the thread
// that installed the report has one, others call this when they start.
void install_thread_crash_stack();
