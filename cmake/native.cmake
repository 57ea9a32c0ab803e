# Native build: the portable core and its GoogleTest tests, under AddressSanitizer
# and UndefinedBehaviorSanitizer.
set(HOLMVARD_SANITIZERS -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
add_compile_options(${HOLMVARD_SANITIZERS})
add_link_options(${HOLMVARD_SANITIZERS})

add_subdirectory(${GOOGLETEST_SOURCE_DIR} googletest EXCLUDE_FROM_ALL)

add_library(holmvard_core STATIC ${HOLMVARD_CORE_SOURCES})
target_include_directories(holmvard_core PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_compile_options(holmvard_core PRIVATE ${HOLMVARD_WARNINGS})

add_library(holmvard_emulator STATIC ${HOLMVARD_EMULATOR_SOURCES})
target_link_libraries(holmvard_emulator PUBLIC holmvard_core)
target_compile_options(holmvard_emulator PRIVATE ${HOLMVARD_WARNINGS})

add_executable(holmvard_native_tests ${HOLMVARD_NATIVE_TESTS})
target_link_libraries(holmvard_native_tests PRIVATE holmvard_emulator GTest::gtest_main)
target_compile_options(holmvard_native_tests PRIVATE ${HOLMVARD_WARNINGS})
# The metrics test has its text read back by a real Prometheus parser script.
target_compile_definitions(holmvard_native_tests PRIVATE HOLMVARD_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
gtest_discover_tests(holmvard_native_tests DISCOVERY_MODE PRE_TEST TEST_PREFIX "native.")
# The alert rules docs/fleet.md shows, loaded by promtool as Prometheus would load them.
add_test(NAME docs.fleet-alert-rules-load
         COMMAND bash ${CMAKE_SOURCE_DIR}/tests/native/check_alert_rules.sh ${CMAKE_SOURCE_DIR}/docs/fleet.md)
