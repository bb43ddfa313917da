# Every dependency comes from Debian's packages (scripts/bootstrap installs them).
find_package(Threads REQUIRED)
find_package(PkgConfig REQUIRED)
find_package(nlohmann_json 3.11 REQUIRED)
find_package(fmt 9 REQUIRED)
find_package(Qt6 6.4 REQUIRED COMPONENTS Core Gui Widgets DBus)
pkg_check_modules(HIDAPI REQUIRED IMPORTED_TARGET hidapi-hidraw)
# Asking the X server about tray and compositor selections without committing Qt to a tray kind.
pkg_check_modules(XCB REQUIRED IMPORTED_TARGET xcb)

find_path(ASIO_INCLUDE_DIR asio.hpp REQUIRED)
add_library(flitbar_asio INTERFACE)
target_include_directories(flitbar_asio SYSTEM INTERFACE ${ASIO_INCLUDE_DIR})
target_compile_definitions(flitbar_asio INTERFACE ASIO_STANDALONE ASIO_NO_DEPRECATED)
target_link_libraries(flitbar_asio INTERFACE Threads::Threads)

if(FLITBAR_BUILD_TESTS)
  find_package(GTest REQUIRED)
  include(GoogleTest)
endif()
if(FLITBAR_BUILD_BENCHMARKS)
  find_package(benchmark REQUIRED)
endif()
