# RIFF file I/O (its own program, beside the other system tests).
add_executable(riff_tests ${CMAKE_CURRENT_LIST_DIR}/RiffTest.cpp)
target_link_libraries(riff_tests PRIVATE lipsmith_system GTest::gtest_main)
gtest_discover_tests(riff_tests DISCOVERY_TIMEOUT 60)
