#pragma once
// Binds standard output and error to where the batch face's text belongs: on
// Windows the console the command was typed in (the program is a window
// program and has none of its own), in binary mode so the text is the same
// bytes as on Linux; elsewhere the streams already are right.
void attach_console_streams();
