// KT4R_WIDE_LOOP marks a per-sample loop of element-wise arithmetic that is built twice, for CPUs with
// AVX2 and for any x86-64 CPU, the loader picking the build this CPU runs. AVX2 alone brings no fused
// multiply-add, and element-wise operations give the same bits at any vector width, so both builds
// compute the same samples; the wider one only takes eight at a time. Builds without that loader
// support (Windows, clang) keep the one build, and so do the sanitizer builds: the loader runs the
// picker before a sanitizer's runtime is up, and the thread sanitizer's instrumented start-up then
// crashes.
#pragma once

#if defined(__GNUC__) && !defined(__clang__) && defined(__ELF__) && defined(__x86_64__) && \
    !defined(__SANITIZE_THREAD__) && !defined(__SANITIZE_ADDRESS__)
#define KT4R_WIDE_LOOP __attribute__((target_clones("avx2", "default")))
#else
#define KT4R_WIDE_LOOP
#endif
