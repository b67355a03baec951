#pragma once
// Windows only: errno for the calling thread's last Win32 failure, so callers
// report the system's reason through the same messages as on Linux.
void set_errno_from_last_error();
