#pragma once
// The window program's own --help and --version, answered before Qt starts,
// so that they work without a display (the manual page is made from them).

// When argv asks for help (-h, --help) or the version (--version), prints it
// on stdout and returns true; the program then ends with status 0.
bool AnswerInfoOptions(int argc, char** argv);
