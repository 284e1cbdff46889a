# Native build: the core with its unit tests under sanitizers, and benchmarks.
set(SKIMROW_SANITIZE "address,undefined" CACHE STRING "sanitizers for the native build (empty for none)")
option(SKIMROW_BENCH "build the benchmarks" OFF)

set(SKIMROW_SAN_FLAGS)
if(SKIMROW_SANITIZE)
    set(SKIMROW_SAN_FLAGS -fsanitize=${SKIMROW_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
endif()

# Fuzz targets (clang's libFuzzer): the portable sources linked directly,
# with AddressSanitizer and UBSan. A tree of its own; see scripts/fuzz.sh.
option(SKIMROW_FUZZ "build the fuzz targets instead of the tests (clang)" OFF)
if(SKIMROW_FUZZ)
    set(SKIMROW_FUZZ_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer -g)
    target_sources(skimrow_core PRIVATE feed/runtime_time_zone.cpp)
    target_compile_options(skimrow_core PRIVATE ${SKIMROW_FUZZ_FLAGS} -fsanitize=fuzzer-no-link)
    file(GLOB SKIMROW_FUZZ_TARGETS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/fuzz/fuzz_*.cpp)
    foreach(src IN LISTS SKIMROW_FUZZ_TARGETS)
        get_filename_component(name ${src} NAME_WE)
        add_executable(${name} ${src})
        target_compile_options(${name} PRIVATE ${SKIMROW_COMMON_FLAGS} ${SKIMROW_FUZZ_FLAGS} -fsanitize=fuzzer)
        target_link_options(${name} PRIVATE ${SKIMROW_FUZZ_FLAGS} -fsanitize=fuzzer)
        target_link_libraries(${name} PRIVATE skimrow_core)
    endforeach()
    return()
endif()

target_sources(skimrow_core PRIVATE feed/runtime_time_zone.cpp)
target_compile_options(skimrow_core PRIVATE ${SKIMROW_SAN_FLAGS})
target_link_options(skimrow_core PUBLIC ${SKIMROW_SAN_FLAGS})
find_package(Threads REQUIRED)
target_link_libraries(skimrow_core PUBLIC Threads::Threads)

find_package(GTest REQUIRED)
include(GoogleTest)
file(GLOB SKIMROW_NATIVE_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/native/*.cpp)
add_executable(core_tests ${SKIMROW_NATIVE_TESTS})
target_compile_options(core_tests PRIVATE ${SKIMROW_COMMON_FLAGS} ${SKIMROW_SAN_FLAGS})
target_link_libraries(core_tests PRIVATE skimrow_core GTest::gtest GTest::gtest_main)
target_compile_definitions(core_tests PRIVATE SKIMROW_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
gtest_discover_tests(core_tests DISCOVERY_MODE PRE_TEST PROPERTIES ENVIRONMENT "TZ=UTC")

if(SKIMROW_BENCH)
    find_package(benchmark REQUIRED)
    file(GLOB SKIMROW_BENCH_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/bench/*_bench.cpp)
    if(SKIMROW_BENCH_SOURCES)
        add_executable(core_bench ${SKIMROW_BENCH_SOURCES})
        target_link_libraries(core_bench PRIVATE skimrow_core benchmark::benchmark)
    endif()
endif()

# The resampling tables computed on the x87, as the 32-bit DLL does.
if(CMAKE_SYSTEM_PROCESSOR MATCHES "x86_64|AMD64")
    add_executable(x87_table_tests tests/x87/table_precision_test.cpp render/filter_table.cpp)
    target_include_directories(x87_table_tests PRIVATE ${CMAKE_SOURCE_DIR})
    target_compile_options(x87_table_tests PRIVATE ${SKIMROW_COMMON_FLAGS} -mfpmath=387)
    target_link_libraries(x87_table_tests PRIVATE GTest::gtest GTest::gtest_main)
    gtest_discover_tests(x87_table_tests DISCOVERY_MODE PRE_TEST)
endif()

# Rooms depend one way and portable files include no Windows header.
add_test(NAME house_rules COMMAND ${CMAKE_COMMAND} -DROOT=${CMAKE_SOURCE_DIR} -P ${CMAKE_SOURCE_DIR}/tests/check_rooms.cmake)
