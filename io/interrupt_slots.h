#pragma once
// The table of temporary files an interrupt removes: fixed slots that a signal
// or console handler can read without allocating or locking.
#include <string>

// A slot holding a copy of `path`, or -1 when it is too long or every slot is taken.
int claim_interrupt_slot(const std::string& path);
void release_interrupt_slot(int slot);

// Calls remove(path) for every file registered now; safe inside a handler.
void remove_registered_files(void (*remove)(const char* path));
