# cmake -DOUTPUT=<zip> -DSTAGE=<folder> -DPROGRAMS=<exe|...> -DREADME=<text> -DVERSION=<x.y.z.w>
#       -DEPOCH=<seconds> [-DSTRIP=<strip>] [-DZIP=<Info-ZIP zip>] -P pack_release.cmake
#
# Packs the release: the programs, stripped, and the read-me (UTF-8 with a byte order mark and
# CR LF line ends, so that Notepad on Windows XP shows it right on any code page) at the zip's
# top, in name order. The same inputs give the same zip whoever packs them, wherever and
# whenever: every entry carries the time EPOCH (in UTC), mode 0644 or 0755 and no owner.
# Info-ZIP's zip with -X stores nothing but those; without it (on Windows, as a rule) CMake's own
# archiver is used, which records the builder's user and group ids where the system has them.
cmake_policy(VERSION 3.21)
foreach(required OUTPUT STAGE PROGRAMS README VERSION EPOCH)
  if(NOT DEFINED ${required})
    message(FATAL_ERROR "pack_release.cmake: ${required} not given")
  endif()
endforeach()

file(REMOVE_RECURSE "${STAGE}")
file(MAKE_DIRECTORY "${STAGE}")
file(REMOVE "${OUTPUT}")

set(names)
string(REPLACE "|" ";" programs "${PROGRAMS}")
foreach(program IN LISTS programs)
  get_filename_component(name "${program}" NAME)
  file(COPY "${program}" DESTINATION "${STAGE}" NO_SOURCE_PERMISSIONS)
  file(CHMOD "${STAGE}/${name}" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
       GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  if(STRIP)
    # Objcopy stamps what it writes with the time now unless SOURCE_DATE_EPOCH says otherwise.
    execute_process(COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${EPOCH}
                            ${STRIP} --strip-all "${STAGE}/${name}"
                    RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
      message(FATAL_ERROR "${STRIP} ${name} failed: ${result}")
    endif()
  endif()
  list(APPEND names "${name}")
endforeach()

file(READ "${README}" text)
string(REPLACE "@VERSION@" "${VERSION}" text "${text}")
string(REPLACE "\n" "\r\n" text "${text}")
string(ASCII 239 187 191 byte_order_mark)
file(WRITE "${STAGE}/README.txt" "${byte_order_mark}${text}")
file(CHMOD "${STAGE}/README.txt" PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
list(APPEND names README.txt)
list(SORT names)

# The entries' times are the files' own, read in the local time zone: UTC everywhere.
if(ZIP)
  execute_process(COMMAND touch -d @${EPOCH} ${names} WORKING_DIRECTORY "${STAGE}"
                  RESULT_VARIABLE result)
  if(result EQUAL 0)
    execute_process(COMMAND ${CMAKE_COMMAND} -E env TZ=UTC0 ${ZIP} -X -D -q -9 "${OUTPUT}" ${names}
                    WORKING_DIRECTORY "${STAGE}" RESULT_VARIABLE result)
  endif()
else()
  execute_process(COMMAND ${CMAKE_COMMAND} -E env TZ=UTC0 SOURCE_DATE_EPOCH=${EPOCH}
                          ${CMAKE_COMMAND} -E tar cf "${OUTPUT}" --format=zip -- ${names}
                  WORKING_DIRECTORY "${STAGE}" RESULT_VARIABLE result)
endif()
if(NOT result EQUAL 0)
  file(REMOVE "${OUTPUT}")
  message(FATAL_ERROR "packing ${OUTPUT} failed: ${result}")
endif()
