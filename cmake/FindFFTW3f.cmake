# FFTW's single-precision library, static, with its header: what the engine links into the module
# and what the benchmarks measure against. A build that must not use it (or a check of how the
# project builds on a machine without it) passes -DCMAKE_DISABLE_FIND_PACKAGE_FFTW3f=ON.
#
# Sets FFTW3f_FOUND, QUARMONT_FFTW3F_STATIC (the library) and QUARMONT_FFTW3_INCLUDE_DIR.

find_library(QUARMONT_FFTW3F_STATIC NAMES libfftw3f.a)
find_path(QUARMONT_FFTW3_INCLUDE_DIR fftw3.h)

include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(FFTW3f REQUIRED_VARS QUARMONT_FFTW3F_STATIC QUARMONT_FFTW3_INCLUDE_DIR)
mark_as_advanced(QUARMONT_FFTW3F_STATIC QUARMONT_FFTW3_INCLUDE_DIR)
