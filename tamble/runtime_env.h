#pragma once
// How the runtime's environment variables are read. A null value means the
// variable is absent.
namespace tamble {

// KESTRANE_THREADS: atoi of the value, 0 when absent.
int parse_thread_request(const char* value);
// NQ_ISA: a level's name exactly ("scalar" 0, "avx2" 2, "avx512" 3); anything
// else the highest level.
int parse_isa_request(const char* value);
// NQ_SPIN: atoi of the value, 100000 when absent; 0 or less becomes 512.
int parse_spin_budget(const char* value);

}  // namespace tamble
