// Boost.JSON built from source inside the fuzz target, with the fuzzer's coverage instrumentation.
#include <boost/json/src.hpp>
