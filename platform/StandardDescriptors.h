#pragma once

// Opens /dev/null onto each of standard input, output and error that is
// closed, so that no file the program opens later takes their numbers and
// receives its messages. Call first thing in main.
void OpenClosedStandardDescriptors();
