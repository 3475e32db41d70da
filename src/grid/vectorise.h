// Builds a hot loop several times, for the vector units of different x86
// processors, and lets the loader pick the widest one the machine has. The
// arithmetic is the same in every version (floating-point contraction stays
// off), so the results do not depend on the processor.
//
// Not in builds with the address or thread sanitizer: the loader runs the
// chooser before the sanitizer's runtime is ready for instrumented code.
#pragma once

//
// A build configured with KESTREL_VECTOR_WIDTH=avx2 leaves the AVX-512
// versions out, so that a machine that has AVX-512 can be measured as one
// that has only AVX2; VectorWidthInUse() says which version runs.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(__SANITIZE_ADDRESS__) && \
    !defined(__SANITIZE_THREAD__)
#if defined(KESTREL_VECTOR_AVX2)
#define KESTREL_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define KESTREL_VECTOR_CLONES __attribute__((target_clones("avx512f", "avx2", "default")))
#endif
#define KESTREL_HAS_VECTOR_CLONES 1
#else
#define KESTREL_VECTOR_CLONES
#endif

namespace kestrel {

// The vector version the kernels run with on this machine: "AVX-512",
// "AVX2" or "baseline" (the compiler's default for the target).
inline const char* VectorWidthInUse() {
#if defined(KESTREL_HAS_VECTOR_CLONES)
#if !defined(KESTREL_VECTOR_AVX2)
  if (__builtin_cpu_supports("avx512f")) return "AVX-512";
#endif
  if (__builtin_cpu_supports("avx2")) return "AVX2";
#endif
  return "baseline";
}

}  // namespace kestrel

// Put before a loop whose arrays never overlap, so that the compiler need not
// check for overlap before vectorising it.
#if defined(__clang__)
#define KESTREL_INDEPENDENT_ITERATIONS _Pragma("clang loop vectorize(assume_safety)")
#elif defined(__GNUC__)
#define KESTREL_INDEPENDENT_ITERATIONS _Pragma("GCC ivdep")
#else
#define KESTREL_INDEPENDENT_ITERATIONS
#endif
