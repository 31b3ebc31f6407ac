#pragma once
#include <string>
#include <vector>

namespace quorvel::test {

// Deterministic random bytes of every length 0-300 (8 of each), every byte value, large blocks.
std::vector<std::string> binarySamples();
// Text of CR LF and bare line ends, trailing white space, leading dots and "From ".
std::vector<std::string> textSamples();

}  // namespace quorvel::test
