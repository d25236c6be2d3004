// How the Windows build checks the C runtime's arguments against the wide
// command line the user typed.
#pragma once

#include <string>
#include <vector>

// The arguments to read, given the runtime's split of the ANSI command line
// and its split of the wide one. When the two agree in count, the ANSI
// arguments are read, each as typed when it reads back as its wide one.
// When they disagree, a character the code page lacks became a quotation
// mark or a space and moved the boundaries: the ANSI split cannot be told
// apart, so the wide split is read instead, each argument in the code page
// and as typed only if it converts back unchanged.
// (The wide arguments stay the runtime's strings: the program keeps no wide
// strings of its own, whose library code would double its size.)
std::vector<std::string> CompareArgumentSplits(const std::vector<std::string>& ansi,
                                               const std::vector<const wchar_t*>& wide,
                                               std::vector<bool>& asTyped);
