# Tests of the decoder and the compositor: code tables, palettes, the loader's block
# walk and pixel compositing, on GIFs built byte by byte in the tests. Built
# for Windows too, where the rasters are DIB sections.
add_library(morvix_gif_writer STATIC gif_writer.cpp decoder_support.cpp)
target_include_directories(morvix_gif_writer PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_options(morvix_gif_writer PRIVATE ${MORVIX_WARNINGS})
target_link_libraries(morvix_gif_writer PUBLIC morvix_core morvix_gif_platform)

add_executable(decoder_test decoder_test.cpp lzw_test.cpp loader_test.cpp)
target_compile_options(decoder_test PRIVATE ${MORVIX_WARNINGS})
target_link_libraries(decoder_test PRIVATE morvix_gif_writer GTest::gtest_main)
gtest_discover_tests(decoder_test DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60)
