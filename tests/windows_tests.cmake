# The Windows build's tests, run under Wine: which unit tests are cross-built, the cases
# that belong to the other backend, and the runs of the real program.

# Window-free tests, then the ones that drive the Win32 backend itself in a real window.
set(WINDOWS_TESTS
  test_math test_images test_ground test_shot test_scores test_utils
  test_xm_play test_xm_load test_xm_mix
  test_xm_output test_data_images test_data_music test_data_sounds
  test_shell test_close test_gl test_textures test_fonts test_world_render test_menu test_hud)

# Cases about the other backend's own machinery (Terminus's strikes), and about how heavy
# the face standing in for "Impact" is, which Wine leaves to fontconfig.
set(WINDOWS_EXCLUDED_test_fonts
  "FontSize.FixedsysStretchesItsNearestStrikeByWholeFactors:FontSize.ImpactIsWideAndHeavy")
# A full disk is made with /dev/full, which Windows does not have.
set(WINDOWS_EXCLUDED_test_scores "ScoreFile.FullDiskKeepsTheOldFileAndLeavesNoTemporary")

# DirectSound 3D as heard: a program plays placed tones, a recording of the null sink is measured.
add_executable(sound3d_probe tools/sound3d_probe.cpp)
target_link_libraries(sound3d_probe PRIVATE halvrost_testsupport)
add_test(NAME e2e_wine_sound3d
  COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/e2e_sound3d.sh $<TARGET_FILE:sound3d_probe>
          ${HALVROST_HOST_BUILD}/tests/wav_levels ${CMAKE_CURRENT_BINARY_DIR})

# The real program under Wine, driven as a player would, alone on the display: the full play with
# its sound recorded, then no sound device with a read-only score file, then no data folder.
foreach(variant play silent nodata)
  add_test(NAME e2e_wine_${variant}
    COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/e2e_play.sh $<TARGET_FILE:halvrost> ${HALVROST_HOST_BUILD}/tests/ppm_count
            ${CMAKE_BINARY_DIR}/data ${CMAKE_CURRENT_BINARY_DIR} ${variant} ${HALVROST_HOST_BUILD}/tests/wav_levels)
  set_tests_properties(e2e_wine_${variant} PROPERTIES
    ENVIRONMENT "E2E_LAUNCH=wine;E2E_SESSION=1" RUN_SERIAL ON TIMEOUT 180)
endforeach()
set_tests_properties(e2e_wine_sound3d PROPERTIES RUN_SERIAL ON TIMEOUT 120)
# The window as X sees it: the icon from the MAINICON resource, and a window manager's close.
add_test(NAME e2e_wine_window
  COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/e2e_window.sh $<TARGET_FILE:halvrost> ${HALVROST_HOST_BUILD}/tests/x_close_window
          ${CMAKE_CURRENT_BINARY_DIR} 3000 halvrost.exe)
set_tests_properties(e2e_wine_window PROPERTIES ENVIRONMENT "E2E_LAUNCH=wine;E2E_SESSION=1" RUN_SERIAL ON TIMEOUT 120)
