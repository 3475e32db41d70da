// Builds a hot loop several times, for the vector units of different x86
// processors, and lets the loader pick the widest one the machine has. The
// arithmetic is the same in every version (floating-point contraction stays
// off), so the results do not depend on the processor.
//
// Not in builds with the address or thread sanitizer: the loader runs the
// chooser before the sanitizer's runtime is ready for instrumented code.
#pragma once

#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(__SANITIZE_ADDRESS__) && \
    !defined(__SANITIZE_THREAD__)
#define KESTREL_VECTOR_CLONES __attribute__((target_clones("avx512f", "avx2", "default")))
#else
#define KESTREL_VECTOR_CLONES
#endif

// Put before a loop whose arrays never overlap, so that the compiler need not
// check for overlap before vectorising it.
#if defined(__clang__)
#define KESTREL_INDEPENDENT_ITERATIONS _Pragma("clang loop vectorize(assume_safety)")
#elif defined(__GNUC__)
#define KESTREL_INDEPENDENT_ITERATIONS _Pragma("GCC ivdep")
#else
#define KESTREL_INDEPENDENT_ITERATIONS
#endif
