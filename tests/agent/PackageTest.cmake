# Builds the Debian package from the build, unpacks it into a scratch root (dpkg-deb -x: the
# machine stays as it was) and runs it from there: the agent dumps the demo's menus as the
# build's own agent does, icon included, and ends at the end of its input; `nvx-unlock check`
# answers; the manual pages render without a warning; lintian reports no error or warning.
# Run by CTest with -DBUILD_DIR=... -DWORK_DIR=... -DCPACK=... -DDEMO=... -DAGENT=...
# -DVERSION=... -DLINTIAN=...
file(REMOVE_RECURSE ${WORK_DIR})

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err
                  TIMEOUT 60)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${ARGN}: status ${rc}\n${out}${err}")
  endif()
  set(out "${out}" PARENT_SCOPE)
  set(err "${err}" PARENT_SCOPE)
endfunction()

run(dpkg --print-architecture)
string(STRIP "${out}" arch)
set(deb ${WORK_DIR}/nvx-menubar_${VERSION}_${arch}.deb)
run(${CPACK} -G DEB -B ${WORK_DIR} --config ${BUILD_DIR}/CPackConfig.cmake)
run(dpkg-deb -x ${deb} ${WORK_DIR}/root)
set(root ${WORK_DIR}/root/usr)

# Where polkit reads actions, and where the agent looks for its icons from /usr/bin.
foreach(file share/polkit-1/actions/org.norvane.unlock.policy share/nvx-menubar/orvel.png
             share/nvx-menubar/orvel-symbolic.svg share/nvx-menubar/input.schema.json
             share/doc/nvx-menubar/copyright)
  if(NOT EXISTS ${root}/${file})
    message(FATAL_ERROR "not in the package: /usr/${file}")
  endif()
endforeach()
run(dpkg-deb -f ${deb} Depends)
if(NOT out MATCHES "libc6 \\(>= [0-9.]+\\)")
  message(FATAL_ERROR "Depends not computed from the programs: ${out}")
endif()

# Without a session bus the status item lives in memory: the packaged agent must dump the
# demo as the built one, beside its icons, does.
function(dump agent var)
  execute_process(COMMAND env -u DBUS_SESSION_BUS_ADDRESS -u XDG_RUNTIME_DIR NVX_DUMP_MENU=1
                          ${agent}
                  INPUT_FILE ${DEMO} OUTPUT_QUIET ERROR_VARIABLE dump RESULT_VARIABLE rc TIMEOUT 20)
  if(NOT rc EQUAL 0 OR NOT dump MATCHES "^bar: \\[orvel\\]\n")
    message(FATAL_ERROR "${agent}: status ${rc}, dump:\n${dump}")
  endif()
  set(${var} "${dump}" PARENT_SCOPE)
endfunction()
dump(${AGENT} built)
dump(${root}/bin/nvx-menubar packaged)
if(NOT packaged STREQUAL built)
  message(FATAL_ERROR "the packaged agent's dump:\n${packaged}\nthe built agent's:\n${built}")
endif()

run(env DBUS_SYSTEM_BUS_ADDRESS=unix:path=${WORK_DIR}/no-bus ${root}/bin/nvx-unlock check)
if(NOT out STREQUAL "no\n")
  message(FATAL_ERROR "nvx-unlock check: '${out}'")
endif()

foreach(page nvx-menubar nvx-unlock)
  run(env MANWIDTH=80 man --warnings -E UTF-8 -l ${root}/share/man/man1/${page}.1.gz)
  if(NOT err STREQUAL "" OR NOT out MATCHES "NAME\n +${page} - ")
    message(FATAL_ERROR "man ${page}: ${err}")
  endif()
endforeach()

run(${LINTIAN} --fail-on error,warning ${deb})
file(REMOVE_RECURSE ${WORK_DIR})
