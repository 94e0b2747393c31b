#pragma once

// Marks a fuzz target's own reference code: the checks that judge the code
// under test, and the plain file handling around them. Coverage of a reference only steers the fuzzer toward inputs
// that exercise the checker, and its comparisons were a fifth of the
// scenario target's time; the sanitizers still watch it.
#define TORVANE_ORACLE __attribute__((no_sanitize("coverage")))
