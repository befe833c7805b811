// Symbol visibility of the three shared libraries. Everything is hidden by default; the public
// classes and functions carry the macro of the library that defines them.
#ifndef TARNWICK_PLATFORM_EXPORT_H_
#define TARNWICK_PLATFORM_EXPORT_H_

#if defined(_WIN32)
#  define TARNWICK_DETAIL_EXPORT __declspec(dllexport)
#  define TARNWICK_DETAIL_IMPORT __declspec(dllimport)
#else
#  define TARNWICK_DETAIL_EXPORT __attribute__((visibility("default")))
#  define TARNWICK_DETAIL_IMPORT __attribute__((visibility("default")))
#endif

#if defined(TARNWICK_PLATFORM_BUILDING)
#  define TARNWICK_PLATFORM_EXPORT TARNWICK_DETAIL_EXPORT
#else
#  define TARNWICK_PLATFORM_EXPORT TARNWICK_DETAIL_IMPORT
#endif

#if defined(TARNWICK_COMMON_BUILDING)
#  define TARNWICK_COMMON_EXPORT TARNWICK_DETAIL_EXPORT
#else
#  define TARNWICK_COMMON_EXPORT TARNWICK_DETAIL_IMPORT
#endif

#if defined(TARNWICK_BUILDING)
#  define TARNWICK_EXPORT TARNWICK_DETAIL_EXPORT
#else
#  define TARNWICK_EXPORT TARNWICK_DETAIL_IMPORT
#endif

#endif  // TARNWICK_PLATFORM_EXPORT_H_
