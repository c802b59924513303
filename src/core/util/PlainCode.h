#pragma once

// Code that is bookkeeping or table look-ups and nothing else: a fuzzer
// learns nothing from its compares, and tracing each one cost most of its
// time. Kept out of line so that the code it is called from keeps its own.
#if defined(__clang__)
#define CORVANE_PLAIN_CODE __attribute__((no_sanitize("coverage"), noinline))
#else
#define CORVANE_PLAIN_CODE
#endif
