#pragma once
// The process's one entry behind each platform's own: the batch face when any
// argument after the program name is --nogui, else the desktop face. Returns
// the exit code.
int run_program(int argc, char** argv);
