# Fuzz build (clang): one libFuzzer target per parser of the portable core,
# under AddressSanitizer and UndefinedBehaviorSanitizer. CTest runs each for a
# fixed number of inputs from its committed seed corpus; scripts/fuzz.sh runs
# them for as long as asked.
set(HOLMVARD_FUZZ_SANITIZERS -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
set(HOLMVARD_FUZZ_RUNS 200000 CACHE STRING "Inputs each fuzz target runs under CTest")

add_library(holmvard_fuzz_core STATIC ${HOLMVARD_CORE_SOURCES} ${HOLMVARD_EMULATOR_SOURCES})
target_include_directories(holmvard_fuzz_core PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_compile_options(holmvard_fuzz_core PRIVATE ${HOLMVARD_WARNINGS} ${HOLMVARD_FUZZ_SANITIZERS} -fsanitize=fuzzer-no-link)

foreach(target identify smart_reply smtp_reply log_pieces stored_value description mail_address history_line)
    add_executable(fuzz_${target} fuzz/${target}_fuzz.cpp)
    target_link_libraries(fuzz_${target} PRIVATE holmvard_fuzz_core)
    target_compile_options(fuzz_${target} PRIVATE ${HOLMVARD_WARNINGS} ${HOLMVARD_FUZZ_SANITIZERS} -fsanitize=fuzzer)
    target_link_options(fuzz_${target} PRIVATE ${HOLMVARD_FUZZ_SANITIZERS} -fsanitize=fuzzer)
    # New inputs go to the build tree; the committed seeds are only read.
    set(work ${CMAKE_BINARY_DIR}/corpus/${target})
    file(MAKE_DIRECTORY ${work})
    add_test(NAME fuzz.${target}
             COMMAND fuzz_${target} -runs=${HOLMVARD_FUZZ_RUNS} -seed=1 -max_len=4096 ${work}
                     ${CMAKE_SOURCE_DIR}/fuzz/corpus/${target})
endforeach()
