# Replays the committed seeds and every committed crasher through each fuzz target's entry
# point under the normal build (ctest label `fuzz`), so a fixed finding stays fixed without
# clang or libFuzzer.
include(${CMAKE_CURRENT_LIST_DIR}/FuzzTargets.cmake)
set(fuzz_dir ${CMAKE_CURRENT_LIST_DIR})
set(replay_folders ${fuzz_dir}/seeds)
if(EXISTS ${fuzz_dir}/regressions)
  list(APPEND replay_folders ${fuzz_dir}/regressions)
endif()
# The differential check needs libxml2 (scripts/bootstrap fuzz); without it its replay and its
# tests report themselves skipped instead of vanishing.
find_package(LibXml2 QUIET)
foreach(name IN LISTS EARMARK_FUZZ_TARGETS)
  if(name STREQUAL "differential" AND NOT TARGET LibXml2::LibXml2)
    add_test(NAME fuzz_replay_${name} COMMAND ${CMAKE_COMMAND} -E echo
             "skipped: libxml2 is not installed (scripts/bootstrap fuzz installs it)")
    set_tests_properties(fuzz_replay_${name} PROPERTIES LABELS fuzz SKIP_REGULAR_EXPRESSION "skipped:")
    continue()
  endif()
  set(libraries ${EARMARK_FUZZ_${name}})
  list(POP_FRONT libraries source)
  add_executable(replay_${name} ${fuzz_dir}/${source} ${fuzz_dir}/replay_main.cpp)
  target_link_libraries(replay_${name} PRIVATE ${libraries})
  target_compile_definitions(replay_${name} PRIVATE ${EARMARK_FUZZ_${name}_DEFS})
  earmark_warnings(replay_${name})
  add_test(NAME fuzz_replay_${name} COMMAND replay_${name} ${replay_folders})
  set_tests_properties(fuzz_replay_${name} PROPERTIES LABELS fuzz TIMEOUT 300)
endforeach()

# The differential check's own judgement (skip rules, known differences) on small documents.
if(TARGET LibXml2::LibXml2)
  add_executable(test_differential ${fuzz_dir}/test_differential.cpp)
  target_link_libraries(test_differential PRIVATE xmldom LibXml2::LibXml2 GTest::gtest GTest::gtest_main)
  earmark_warnings(test_differential)
  gtest_discover_tests(test_differential DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60 PROPERTIES LABELS unit)
else()
  add_test(NAME test_differential COMMAND ${CMAKE_COMMAND} -E echo
           "skipped: libxml2 is not installed (scripts/bootstrap fuzz installs it)")
  set_tests_properties(test_differential PROPERTIES LABELS unit SKIP_REGULAR_EXPRESSION "skipped:")
endif()
