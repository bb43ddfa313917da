# Compiler settings shared by every target of the project.
add_library(flitbar_options INTERFACE)
target_compile_options(flitbar_options INTERFACE -Wall -Wextra -Wpedantic)
if(FLITBAR_WERROR)
  target_compile_options(flitbar_options INTERFACE -Werror)
endif()
if(FLITBAR_SANITIZE)
  target_compile_options(flitbar_options INTERFACE -fsanitize=${FLITBAR_SANITIZE} -fno-omit-frame-pointer
                                                   -fno-sanitize-recover=all)
  target_link_options(flitbar_options INTERFACE -fsanitize=${FLITBAR_SANITIZE})
  if(FLITBAR_SANITIZE MATCHES "thread")
    # Asio's handler fences are paired with mutexes that TSan does see; g++ warns about the fences.
    target_compile_options(flitbar_options INTERFACE -Wno-tsan)
  endif()
endif()

# Adds every source of a layer directory to a library. Layers list their files by glob so that
# adding a type is one file pair and no build-script edit; CONFIGURE_DEPENDS re-globs on build.
function(flitbar_layer_sources target dir)
  file(GLOB _sources CONFIGURE_DEPENDS "${dir}/*.cpp")
  list(FILTER _sources EXCLUDE REGEX "${ARGN}")
  target_sources(${target} PRIVATE ${_sources})
endfunction()
