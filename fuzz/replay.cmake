# Replays the committed seeds and every committed crasher through each fuzz target's entry
# point under the normal build (ctest label `fuzz`), so a fixed finding stays fixed without
# clang or libFuzzer.
include(${CMAKE_CURRENT_LIST_DIR}/FuzzTargets.cmake)
set(fuzz_dir ${CMAKE_CURRENT_LIST_DIR})
set(replay_folders ${fuzz_dir}/seeds)
if(EXISTS ${fuzz_dir}/regressions)
  list(APPEND replay_folders ${fuzz_dir}/regressions)
endif()
foreach(name IN LISTS EARMARK_FUZZ_TARGETS)
  set(libraries ${EARMARK_FUZZ_${name}})
  list(POP_FRONT libraries source)
  add_executable(replay_${name} ${fuzz_dir}/${source} ${fuzz_dir}/replay_main.cpp)
  target_link_libraries(replay_${name} PRIVATE ${libraries})
  target_compile_definitions(replay_${name} PRIVATE ${EARMARK_FUZZ_${name}_DEFS})
  earmark_warnings(replay_${name})
  add_test(NAME fuzz_replay_${name} COMMAND replay_${name} ${replay_folders})
  set_tests_properties(fuzz_replay_${name} PROPERTIES LABELS fuzz TIMEOUT 300)
endforeach()
