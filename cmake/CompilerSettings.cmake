# One interface target carries the warnings and sanitizer flags, so every
# target of ours opts in by linking it and third-party code is left alone.
add_library(lorvena_settings INTERFACE)
target_compile_options(lorvena_settings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wold-style-cast
  -Wcast-align -Woverloaded-virtual -Wnull-dereference -Wformat=2)

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
