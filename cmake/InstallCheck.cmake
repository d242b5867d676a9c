# Installs the build into a fresh temporary prefix and checks that every
# file lands where a desktop looks for it. Run by ctest:
#   cmake -DBUILD=<build folder> -P InstallCheck.cmake
set(base "$ENV{TMPDIR}")
if(base STREQUAL "")
  set(base /tmp)
endif()
string(RANDOM LENGTH 10 tag)
set(prefix "${base}/wk-install-${tag}")
set(errors "")

execute_process(COMMAND ${CMAKE_COMMAND} -E env --unset=DESTDIR
                        ${CMAKE_COMMAND} --install ${BUILD} --prefix ${prefix}
                RESULT_VARIABLE rc OUTPUT_VARIABLE log ERROR_VARIABLE log)
if(NOT rc EQUAL 0)
  string(APPEND errors "cmake --install failed (${rc}):\n${log}\n")
endif()

function(expect_file rel)
  if(NOT EXISTS "${prefix}/${rel}")
    string(APPEND errors "missing: ${rel}\n")
  endif()
  set(errors "${errors}" PARENT_SCOPE)
endfunction()

function(expect_in rel text)
  if(EXISTS "${prefix}/${rel}")
    file(READ "${prefix}/${rel}" content)
    string(FIND "${content}" "${text}" at)
    if(at LESS 0)
      string(APPEND errors "${rel} lacks \"${text}\"\n")
    endif()
  endif()
  set(errors "${errors}" PARENT_SCOPE)
endfunction()

expect_file(bin/wortkiste)
expect_file(share/applications/wortkiste.desktop)
expect_file(share/icons/hicolor/scalable/apps/wortkiste.svg)
expect_file(share/mime/packages/wortkiste.xml)

# The entry starts the installed program from the path and shows in menus.
expect_in(share/applications/wortkiste.desktop "\nExec=wortkiste %f\n")
expect_in(share/applications/wortkiste.desktop "\nIcon=wortkiste\n")
expect_in(share/applications/wortkiste.desktop "\nMimeType=application/x-wortkiste;\n")
expect_in(share/applications/wortkiste.desktop "\nCategories=Education;")
if(EXISTS "${prefix}/share/applications/wortkiste.desktop")
  file(READ "${prefix}/share/applications/wortkiste.desktop" entry)
  if(entry MATCHES "NoDisplay|Hidden")
    string(APPEND errors "the desktop entry hides itself from menus\n")
  endif()
endif()
expect_in(share/mime/packages/wortkiste.xml "<glob pattern=\"*.wkd\"")
expect_in(share/icons/hicolor/scalable/apps/wortkiste.svg "<svg")
find_program(update_mime update-mime-database)
if(update_mime)
  # The install told the desktop's type database.
  expect_in(share/mime/globs2 "application/x-wortkiste:*.wkd")
endif()

# The installed program runs.
if(EXISTS "${prefix}/bin/wortkiste")
  execute_process(COMMAND "${prefix}/bin/wortkiste" --version
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0 OR NOT out STREQUAL "Wortkiste 4.3\n")
    string(APPEND errors "the installed program answered ${rc}: ${out}${err}\n")
  endif()
endif()

file(REMOVE_RECURSE "${prefix}")
if(NOT errors STREQUAL "")
  message(FATAL_ERROR "${errors}")
endif()
