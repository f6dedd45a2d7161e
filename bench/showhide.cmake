# Show/hide latency, start-up, memory and idle CPU of kavlor under Xvfb.
pkg_check_modules(SHOWHIDE_XRANDR REQUIRED IMPORTED_TARGET xrandr)
add_executable(bench_showhide bench_showhide.cpp ${CMAKE_SOURCE_DIR}/tests/support/showhide_util.cpp)
target_include_directories(bench_showhide PRIVATE ${CMAKE_SOURCE_DIR}/tests/support)
target_link_libraries(bench_showhide PRIVATE kv_harness PkgConfig::SHOWHIDE_XRANDR PkgConfig::XINERAMA)
