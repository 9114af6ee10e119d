# Tests of the decoder and the compositor: code tables, palettes, the loader's block
# walk and pixel compositing, on GIFs built byte by byte in the tests. Built
# for Windows too, where the rasters are DIB sections.
add_library(morvix_test_support STATIC decoder_support.cpp)
target_compile_options(morvix_test_support PRIVATE ${MORVIX_WARNINGS})
target_link_libraries(morvix_test_support PUBLIC morvix_gif_writer morvix_core morvix_gif_platform)

add_executable(decoder_test decoder_test.cpp lzw_test.cpp loader_test.cpp)
target_compile_options(decoder_test PRIVATE ${MORVIX_WARNINGS})
target_link_libraries(decoder_test PRIVATE morvix_test_support GTest::gtest_main)
gtest_discover_tests(decoder_test DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60)

add_executable(compose_test compose_test.cpp)
target_compile_options(compose_test PRIVATE ${MORVIX_WARNINGS})
target_link_libraries(compose_test PRIVATE morvix_test_support GTest::gtest_main)
gtest_discover_tests(compose_test DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60)

# Native only: differential tests against giflib (Debian's libgif-dev), on
# GIFs from the test writer and from ImageMagick (skipped without convert),
# the parts of the differential fuzz target that decide what it compares,
# and the shared corpus through morvix-frames.
if(NOT WIN32)
  find_package(GIF REQUIRED)
  add_executable(giflib_test
    compose_conformance_test.cpp extension_shapes_test.cpp giflib_crosscheck_test.cpp giflib_reference.cpp
    differential_check.cpp differential_test.cpp giflib_records.cpp reference_difference.cpp
    ${CMAKE_SOURCE_DIR}/fuzz/player_walk.cpp)
  target_compile_options(giflib_test PRIVATE ${MORVIX_WARNINGS})
  target_link_libraries(giflib_test PRIVATE morvix_test_support GIF::GIF GTest::gtest_main)
  gtest_discover_tests(giflib_test DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 600)

  add_executable(corpus_check corpus_check.cpp)
  target_compile_options(corpus_check PRIVATE ${MORVIX_WARNINGS})
  add_dependencies(corpus_check morvix-frames)
  add_test(NAME corpus COMMAND corpus_check $<TARGET_FILE:morvix-frames> ${MORVIX_SHARED_DIR}/corpus)
  set_tests_properties(corpus PROPERTIES TIMEOUT 1800 SKIP_RETURN_CODE 77)
endif()
