# The core's layers, lowest first. Each is a static library that may use
# the layers before it in this list and nothing after it:
#
#   platform  the OS layer: addresses, messages, ini file, ICMP, traces
#   net       TCP client, HTTP request and reply, URLs, Base64
#   discovery the search: wire records, sockets per address, receivers, table
#   upgrade   package files, uploads, the device's progress, the reboot watch
#   sdk       the built-in device libraries behind their C interfaces
#   config    changes of a device's settings: requests, credential check,
#             verification on the wire
#   control   the window's logic, toolkit-free, over all of the above
#
# The rule is kept by the compiler: a layer's sources find headers only
# through its own include folder (build/layers/NAME), which holds links to
# its own source folder and to those of the layers below it. An include of
# a higher layer's header fails with "No such file or directory".
set(LORVENA_LAYERS platform net discovery upgrade sdk config control)

# lorvena_layer(NAME SOURCES...): the library lorvena_NAME of src/NAME.
function(lorvena_layer name)
  set(view ${PROJECT_BINARY_DIR}/layers/${name})
  file(REMOVE_RECURSE ${view})
  file(MAKE_DIRECTORY ${view})
  set(below "")
  foreach(layer IN LISTS LORVENA_LAYERS)
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/src/${layer} ${view}/${layer} SYMBOLIC)
    if(layer STREQUAL name)
      break()
    endif()
    list(APPEND below lorvena_${layer})
  endforeach()
  add_library(lorvena_${name} STATIC ${ARGN})
  target_include_directories(lorvena_${name} PUBLIC ${view})
  target_link_libraries(lorvena_${name} PUBLIC ${below} PRIVATE lorvena_settings)
endfunction()
