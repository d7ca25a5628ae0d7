// A libFuzzer target: KESTRUNE_FUZZ_TARGET names one of tests/fuzz/fuzz_targets.hpp.
#include "tests/fuzz/fuzz_targets.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kestrune::fuzz::KESTRUNE_FUZZ_TARGET(data, size);
    return 0;
}
