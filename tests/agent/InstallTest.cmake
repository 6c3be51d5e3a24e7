# Installs the build into a fresh prefix and checks that the installed agent finds its icon,
# that a copy of the agent without the icon runs without an image, and that nvx-unlock and its
# polkit action are installed. Run by CTest with -DBUILD_DIR=... -DWORK_DIR=...
file(REMOVE_RECURSE ${WORK_DIR})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${WORK_DIR}/prefix
                RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${rc}")
endif()

foreach(file bin/nvx-menubar bin/nvx-unlock share/nvx-menubar/orvel.png
             share/nvx-menubar/orvel-symbolic.svg)
  if(NOT EXISTS ${WORK_DIR}/prefix/${file})
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()
file(GLOB policies ${WORK_DIR}/prefix/share/polkit-1/actions/*.policy)
if(NOT policies)
  message(FATAL_ERROR "no polkit action installed")
endif()

set(input ${WORK_DIR}/input.jsonl)
file(WRITE ${input} "{\"menu\":{\"title\":\"\",\"tooltip\":\"t\",\"items\":[]}}\n")

function(expect_header program expected)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env --unset=DBUS_SESSION_BUS_ADDRESS
                          --unset=XDG_RUNTIME_DIR NVX_DUMP_MENU=1 ${program}
                  INPUT_FILE ${input} ERROR_VARIABLE dump RESULT_VARIABLE rc TIMEOUT 20)
  if(NOT rc EQUAL 0 OR NOT dump STREQUAL "${expected}\n")
    message(FATAL_ERROR "${program}: status ${rc}, dump '${dump}', expected '${expected}'")
  endif()
endfunction()

expect_header(${WORK_DIR}/prefix/bin/nvx-menubar "bar: [orvel]")
file(COPY ${WORK_DIR}/prefix/bin/nvx-menubar DESTINATION ${WORK_DIR}/alone)
expect_header(${WORK_DIR}/alone/nvx-menubar "bar: [no image]")
file(REMOVE_RECURSE ${WORK_DIR})
