# Cross build: holmvard.exe, holmvard-emulated.exe and the Windows tests, which
# CTest runs under Wine through the cross-compiling emulator.
enable_language(RC)

add_compile_definitions(__USE_MINGW_ANSI_STDIO=1 _WIN32_WINNT=0x0601 WINVER=0x0601 NOMINMAX)
# Only system DLLs may be imported.
add_link_options(-static -static-libgcc -static-libstdc++ -Wl,--file-alignment,4096)

set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
add_subdirectory(${GOOGLETEST_SOURCE_DIR} googletest EXCLUDE_FROM_ALL)

find_package(Python3 REQUIRED COMPONENTS Interpreter)

add_library(holmvard_core STATIC ${HOLMVARD_CORE_SOURCES})
target_include_directories(holmvard_core PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_compile_options(holmvard_core PRIVATE ${HOLMVARD_WARNINGS})

# The Win32 shell, less WinMain and the device layer, which each executable picks.
add_library(holmvard_shell STATIC
    src/base/code_page.cpp
    src/base/system_library.cpp
    src/state/app_state.cpp
    src/state/settings_store.cpp
    src/ui/alert_dialogs.cpp
    src/ui/alert_placement.cpp
    src/ui/context_help.cpp
    src/ui/page_protocol.cpp
    src/ui/tray_icon.cpp
    src/ui/window_dpi.cpp
    src/history/drive_history.cpp
    src/history/history_window.cpp
    src/log/error_log.cpp
    src/log/event_log.cpp
    src/log/logging_page.cpp
    src/mail/alert_mail.cpp
    src/mail/alerts_page.cpp
    src/mail/mail_password.cpp
    src/mail/outbox.cpp
    src/mail/smtp_client.cpp
    src/mail/socket_io.cpp
    src/mail/tls_channel.cpp
    src/mail/winsock_library.cpp
    src/drives/drive_access.cpp
    src/drives/drive_worker.cpp
    src/drives/device_control.cpp
    src/drives/drives_page.cpp
    src/drives/health_page.cpp
    src/drives/offline_test_dialog.cpp
    src/drives/smart_alerts.cpp
    src/drives/smart_commands.cpp
    src/drives/storage_commands.cpp
    src/volumes/free_space_alerts.cpp
    src/volumes/volumes_page.cpp
    src/properties/about_page.cpp
    src/properties/property_sheet.cpp
    src/app/command_window.cpp
    src/app/drive_discovery.cpp
    src/app/drive_rescan.cpp
    src/app/message_loop.cpp
    src/app/metrics_file.cpp
    src/app/os_check.cpp
    src/app/splash.cpp
    src/app/volume_discovery.cpp
)
# Sockets, TLS, certificates and the print dialog are loaded at their first
# use (base/system_library), never imported: the start-up loads none of them.
target_link_libraries(holmvard_shell PUBLIC holmvard_core comctl32 shell32 user32 gdi32 advapi32)
target_compile_options(holmvard_shell PRIVATE ${HOLMVARD_WARNINGS})

# The emulated device layer and shell calls with their portable logic, for holmvard-emulated.exe and the tests.
# Object libraries: the shell calls into the device layer, so a static archive
# linked after it would leave those calls unresolved.
add_library(holmvard_emulator OBJECT ${HOLMVARD_EMULATOR_SOURCES} src/emulator/device_io_emulated.cpp
            src/emulator/tray_shell_emulated.cpp)
target_link_libraries(holmvard_emulator PUBLIC holmvard_shell)
target_compile_options(holmvard_emulator PRIVATE ${HOLMVARD_WARNINGS})

# Icons are drawn by a script from the project's own art.
set(HOLMVARD_ICON_DIR ${CMAKE_BINARY_DIR}/resources)
set(HOLMVARD_ICONS ${HOLMVARD_ICON_DIR}/holmvard.ico ${HOLMVARD_ICON_DIR}/holmvard_error.ico)
add_custom_command(
    OUTPUT ${HOLMVARD_ICONS}
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/scripts/make_icons.py ${HOLMVARD_ICON_DIR}
    DEPENDS ${CMAKE_SOURCE_DIR}/scripts/make_icons.py
    COMMENT "Drawing the tray icons")
# The splash picture likewise.
set(HOLMVARD_SPLASH ${HOLMVARD_ICON_DIR}/splash.bmp)
add_custom_command(
    OUTPUT ${HOLMVARD_SPLASH}
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/scripts/make_splash.py ${HOLMVARD_SPLASH}
    DEPENDS ${CMAKE_SOURCE_DIR}/scripts/make_splash.py ${CMAKE_SOURCE_DIR}/scripts/make_icons.py
    COMMENT "Drawing the splash picture")
# The Event Log's message table, from its message text.
find_program(HOLMVARD_WINDMC x86_64-w64-mingw32-windmc REQUIRED)
set(HOLMVARD_MESSAGES ${HOLMVARD_ICON_DIR}/event_messages.rc ${HOLMVARD_ICON_DIR}/MSG00409.bin)
add_custom_command(
    OUTPUT ${HOLMVARD_MESSAGES}
    COMMAND ${HOLMVARD_WINDMC} -h ${HOLMVARD_ICON_DIR} -r ${HOLMVARD_ICON_DIR} ${CMAKE_SOURCE_DIR}/src/resources/event_messages.mc
    DEPENDS ${CMAKE_SOURCE_DIR}/src/resources/event_messages.mc
    COMMENT "Compiling the Event Log's message table")
set(HOLMVARD_RC ${CMAKE_SOURCE_DIR}/src/resources/holmvard.rc)
set_source_files_properties(${HOLMVARD_RC} PROPERTIES
    OBJECT_DEPENDS "${HOLMVARD_ICONS};${HOLMVARD_SPLASH};${HOLMVARD_MESSAGES};${CMAKE_SOURCE_DIR}/src/resources/holmvard.manifest;${CMAKE_SOURCE_DIR}/src/resources/resource_ids.h;${CMAKE_SOURCE_DIR}/src/resources/help_topics.rc;${CMAKE_SOURCE_DIR}/src/resources/help_topic_ids.h")

function(holmvard_executable name device_layer)
    add_executable(${name} WIN32 src/app/win_main.cpp ${HOLMVARD_RC})
    target_include_directories(${name} PRIVATE ${HOLMVARD_ICON_DIR} ${CMAKE_SOURCE_DIR}/src/resources)
    target_link_libraries(${name} PRIVATE ${device_layer})
    target_compile_options(${name} PRIVATE $<$<COMPILE_LANGUAGE:CXX>:${HOLMVARD_WARNINGS}>)
endfunction()

add_library(holmvard_system_devices OBJECT src/drives/device_io_system.cpp src/volumes/volume_space_system.cpp
            src/ui/tray_shell_system.cpp)
target_link_libraries(holmvard_system_devices PUBLIC holmvard_shell)
target_compile_options(holmvard_system_devices PRIVATE ${HOLMVARD_WARNINGS})

holmvard_executable(holmvard holmvard_system_devices)
holmvard_executable(holmvard-emulated holmvard_emulator)

# A console tool beside the program: what each drive query answers on a real PC,
# in the emulator's description format.
add_executable(holmvard-drivecheck src/drives/drivecheck.cpp)
target_link_libraries(holmvard-drivecheck PRIVATE holmvard_system_devices)
target_compile_options(holmvard-drivecheck PRIVATE ${HOLMVARD_WARNINGS})
add_test(NAME drivecheck.prints-description-lines COMMAND holmvard-drivecheck)
set_property(TEST drivecheck.prints-description-lines PROPERTY PASS_REGULAR_EXPRESSION "# holmvard-drivecheck on Windows [0-9.]+\ndrive 0\n")

add_test(NAME icons.layout
         COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/scripts/make_icons.py --check ${HOLMVARD_ICONS})
set_property(TEST icons.layout PROPERTY CROSSCOMPILING_EMULATOR "")
add_test(NAME splash.layout COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/scripts/make_splash.py --check ${HOLMVARD_SPLASH})
set_property(TEST splash.layout PROPERTY CROSSCOMPILING_EMULATOR "")

add_test(NAME executables.import-only-system-dlls
         COMMAND ${CMAKE_SOURCE_DIR}/scripts/check-imports.sh $<TARGET_FILE:holmvard> $<TARGET_FILE:holmvard-emulated>)
set_property(TEST executables.import-only-system-dlls PROPERTY CROSSCOMPILING_EMULATOR "")
# The zip a Windows user installs from unpacks to the program, the drive check and the README.
add_test(NAME package.zip-unpacks-with-system-imports-only
         COMMAND ${CMAKE_SOURCE_DIR}/scripts/package.sh --check ${CMAKE_BINARY_DIR})
set_property(TEST package.zip-unpacks-with-system-imports-only PROPERTY CROSSCOMPILING_EMULATOR "")
# Setup installs, upgrades over the running program and uninstalls, silently,
# in a Wine prefix of its own.
add_test(NAME setup.install-upgrade-uninstall COMMAND ${CMAKE_SOURCE_DIR}/scripts/setup-test.sh ${CMAKE_BINARY_DIR})
set_property(TEST setup.install-upgrade-uninstall PROPERTY CROSSCOMPILING_EMULATOR "")
set_tests_properties(setup.install-upgrade-uninstall PROPERTIES TIMEOUT 300 RESOURCE_LOCK holmvard_instance)

# Windows tests of the shell, run under Wine against the emulated device layer.
add_executable(holmvard_windows_tests
    tests/windows/context_help_test.cpp
    tests/windows/dialog_text_fit_test.cpp
    tests/windows/dpi_change_test.cpp
    tests/windows/drive_worker_test.cpp
    tests/windows/emulated_device_io_test.cpp
    tests/windows/event_messages_test.cpp
    tests/windows/history_window_test.cpp
    tests/windows/smart_commands_test.cpp
    tests/windows/system_library_test.cpp
    tests/windows/tray_menu_test.cpp
    tests/windows/settings_store_test.cpp
    ${HOLMVARD_RC}
)
target_include_directories(holmvard_windows_tests PRIVATE ${HOLMVARD_ICON_DIR} ${CMAKE_SOURCE_DIR}/src/resources)
target_link_libraries(holmvard_windows_tests PRIVATE holmvard_emulator GTest::gtest_main)
target_compile_options(holmvard_windows_tests PRIVATE ${HOLMVARD_WARNINGS})
gtest_discover_tests(holmvard_windows_tests DISCOVERY_MODE PRE_TEST TEST_PREFIX "windows."
                     PROPERTIES RESOURCE_LOCK wine_emulated_files)

# End-to-end: a Windows driver starts the real executables under Wine and works
# their windows, registry and files.
add_executable(holmvard_e2e_tests
    tests/e2e/e2e_driver.cpp
    tests/e2e/request_log.cpp
    tests/e2e/startup_test.cpp
    tests/e2e/settings_test.cpp
    tests/e2e/smart_alert_test.cpp
    tests/e2e/tray_test.cpp
    tests/e2e/help_test.cpp
    tests/e2e/volume_discovery_test.cpp
    tests/e2e/free_space_test.cpp
    tests/e2e/mail_and_log_test.cpp
    tests/e2e/secure_mail_test.cpp
    tests/e2e/scripted_smtp.cpp
    tests/e2e/outbox_test.cpp
    tests/e2e/storage_drives_test.cpp
    tests/e2e/property_sheet_test.cpp
    tests/e2e/soak_test.cpp
    tests/e2e/fault_test.cpp
    tests/e2e/caution_test.cpp
    tests/e2e/temperature_test.cpp
    tests/e2e/health_page_test.cpp
    tests/e2e/fleet_test.cpp
    tests/e2e/hang_test.cpp
    tests/e2e/drive_bay_test.cpp
    src/ui/help_ids.cpp
)
target_include_directories(holmvard_e2e_tests PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(holmvard_e2e_tests PRIVATE GTest::gtest_main user32 advapi32 shell32 gdi32 ws2_32 crypt32)
target_compile_definitions(holmvard_e2e_tests PRIVATE
    HOLMVARD_E2E_BIN="${CMAKE_BINARY_DIR}" HOLMVARD_E2E_WORK="${CMAKE_BINARY_DIR}/e2e-work"
    HOLMVARD_E2E_ARTIFACTS="${CMAKE_BINARY_DIR}/artifacts"
    HOLMVARD_E2E_MAIL="${CMAKE_BINARY_DIR}/mail"
    HOLMVARD_E2E_MAIL_TLS="${CMAKE_BINARY_DIR}/mail-tls"
    HOLMVARD_E2E_TLS="${CMAKE_BINARY_DIR}/tls"
    HOLMVARD_E2E_PDF="${CMAKE_BINARY_DIR}/pdf")
target_compile_options(holmvard_e2e_tests PRIVATE ${HOLMVARD_WARNINGS})
add_dependencies(holmvard_e2e_tests holmvard holmvard-emulated)
gtest_discover_tests(holmvard_e2e_tests DISCOVERY_MODE PRE_TEST TEST_PREFIX "e2e."
                     PROPERTIES RESOURCE_LOCK holmvard_instance TIMEOUT 120)

# At 150 % scale (144 DPI), in a prefix of its own made so: the texts still fit,
# the splash grows, and the Drives page and an alert are saved as screenshots.
set(HOLMVARD_ENVIRONMENT_144DPI HOLMVARD_WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix-144dpi HOLMVARD_WINE_DPI=144)
add_test(NAME windows-144dpi.DialogTextFit COMMAND holmvard_windows_tests --gtest_filter=DialogTextFit.*)
set_tests_properties(windows-144dpi.DialogTextFit PROPERTIES ENVIRONMENT "${HOLMVARD_ENVIRONMENT_144DPI}"
                     RESOURCE_LOCK wine_emulated_files PASS_REGULAR_EXPRESSION "\\[  PASSED  \\] 1 test\\.")
foreach(test Splash.ShowsCentredAtTheDisplaysScaleAboveAllAndGoesAtAClickOrAfterFiveSeconds
             Properties.OkWritesOnlyChangesWithTheirCommandsAndCancelRestoresEverything
             Tray.ScreenshotsShowTheTrayIconAndTheAlertDialog)
    add_test(NAME e2e-144dpi.${test} COMMAND holmvard_e2e_tests --gtest_filter=${test})
    set_tests_properties(e2e-144dpi.${test} PROPERTIES ENVIRONMENT "${HOLMVARD_ENVIRONMENT_144DPI}"
                         RESOURCE_LOCK holmvard_instance TIMEOUT 120 PASS_REGULAR_EXPRESSION "\\[  PASSED  \\] 1 test\\.")
endforeach()

# Benchmarks (not tests): built with everything else so they cannot rot;
# scripts/bench.sh runs them.
add_executable(holmvard-bench bench/program_bench.cpp bench/instant_devices.cpp ${HOLMVARD_RC})
target_include_directories(holmvard-bench PRIVATE ${HOLMVARD_ICON_DIR} ${CMAKE_SOURCE_DIR}/src/resources)
target_link_libraries(holmvard-bench PRIVATE holmvard_shell)
target_sources(holmvard-bench PRIVATE ${HOLMVARD_EMULATOR_SOURCES} src/ui/tray_shell_system.cpp)
target_compile_options(holmvard-bench PRIVATE $<$<COMPILE_LANGUAGE:CXX>:${HOLMVARD_WARNINGS}>)
add_executable(minimal-tray WIN32 bench/minimal_tray.cpp bench/minimal_tray.rc)
target_include_directories(minimal-tray PRIVATE ${CMAKE_SOURCE_DIR}/src/resources)
target_link_libraries(minimal-tray PRIVATE comctl32 shell32)
target_compile_options(minimal-tray PRIVATE ${HOLMVARD_WARNINGS})
