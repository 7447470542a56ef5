#pragma once

// Checks a finished document against its own bytes, as a reader that trusts the file would
// use it: the cross-reference table that "startxref" points at gives, for every object k, the
// offset of a line "k 0 obj", and every stream holds exactly /Length bytes (a number, or a
// reference to an object holding the number) before "endstream". Shared by the whole-pipeline
// fuzz target and the reliability tests; part of the fixture library that both link.

#include <string>
#include <string_view>

namespace folionix::test {

// Empty when the document holds together; otherwise what is wrong, in a few words.
std::string DocumentProblem(std::string_view pdf);

} // namespace folionix::test
