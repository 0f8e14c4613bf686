# One interface target carries the warnings and sanitizer flags, so every
# target of ours opts in by linking it and third-party code is left alone.
add_library(lorvena_settings INTERFACE)
target_compile_options(lorvena_settings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wold-style-cast
  -Wcast-align -Woverloaded-virtual -Wnull-dereference -Wformat=2)

# The hardening Debian builds its own packages with: the Release programs
# are what gets installed on laptops (fortify needs the optimiser, so only
# there).
target_compile_options(lorvena_settings INTERFACE
  $<$<CONFIG:Release>:-D_FORTIFY_SOURCE=2 -fstack-protector-strong>)
target_link_options(lorvena_settings INTERFACE $<$<CONFIG:Release>:-Wl,-z,relro -Wl,-z,now>)

if(LORVENA_SANITIZE STREQUAL "address")
  set(_sanitize_flags -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
elseif(LORVENA_SANITIZE STREQUAL "thread")
  set(_sanitize_flags -fsanitize=thread -fno-omit-frame-pointer)
elseif(NOT LORVENA_SANITIZE STREQUAL "")
  message(FATAL_ERROR "LORVENA_SANITIZE must be empty, 'address' or 'thread'")
endif()
if(_sanitize_flags)
  target_compile_options(lorvena_settings INTERFACE ${_sanitize_flags})
  target_link_options(lorvena_settings INTERFACE ${_sanitize_flags})
endif()

# Fuzz mode: the whole project gets coverage instrumentation for libFuzzer
# and ASan+UBSan, so a finding anywhere below a fuzz target aborts the run.
# Only the fuzz targets themselves link libFuzzer (-fsanitize=fuzzer, set in
# fuzz/); the other programs of this build keep their own main.
if(LORVENA_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "LORVENA_FUZZ needs clang (-DCMAKE_CXX_COMPILER=clang++)")
  endif()
  if(NOT LORVENA_SANITIZE STREQUAL "")
    message(FATAL_ERROR "LORVENA_FUZZ brings its own sanitizers; leave LORVENA_SANITIZE empty")
  endif()
  target_compile_options(lorvena_settings INTERFACE
    -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  target_link_options(lorvena_settings INTERFACE -fsanitize=address,undefined)
endif()

# The Qt targets opt in to Qt's stricter text rules: no silent conversion
# between QString and 8-bit text (whose encoding would be guessed), no
# QUrl from a bare string (which would be guessed too), and QStringBuilder
# for concatenations. Every conversion is then spelled out: UTF-8 for the
# program's texts, Latin-1 only where a text is plain ASCII.
add_library(lorvena_qt_strict INTERFACE)
target_compile_definitions(lorvena_qt_strict INTERFACE
  QT_NO_CAST_FROM_ASCII QT_NO_CAST_TO_ASCII QT_NO_URL_CAST_FROM_STRING QT_NO_CAST_FROM_BYTEARRAY
  QT_USE_QSTRINGBUILDER)
