#pragma once
// The desktop face: start-up, the frame loop, shutdown. Returns the exit code:
// 0 normal end, 1 no window or graphics context, 2 a scripted run whose image
// could not be opened, 3 a scripted run that waited in vain for a result.
int run_desktop(int argc, char** argv);

// The command line's image: the arguments after the program name as one path,
// without one pair of enclosing double quotes.
#include <string>
std::string command_line_image(int argc, char** argv);
