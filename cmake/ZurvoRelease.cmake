# What a release is made of, and how its bytes are kept the same for the same commit whatever the
# folder, user, umask or hour of the build.
#
# ZURVO_SOURCE_DATE_EPOCH is the one time every shipped byte carries: the programs' header time
# stamps and the zip's entry times. A packager's SOURCE_DATE_EPOCH (set when configuring) wins;
# otherwise the last commit's time; without git or outside a checkout, a fixed time.
set(ZURVO_SOURCE_DATE_EPOCH 1704067200)  # 2024-01-01 00:00:00 UTC
if("$ENV{SOURCE_DATE_EPOCH}" MATCHES "^[0-9]+$")
  set(ZURVO_SOURCE_DATE_EPOCH $ENV{SOURCE_DATE_EPOCH})
else()
  find_package(Git QUIET)
  if(GIT_FOUND)
    execute_process(
      COMMAND ${GIT_EXECUTABLE} log -1 --format=%ct
      WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
      OUTPUT_VARIABLE commit_time OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET
      RESULT_VARIABLE git_result)
    if(git_result EQUAL 0 AND commit_time MATCHES "^[0-9]+$")
      set(ZURVO_SOURCE_DATE_EPOCH ${commit_time})
      # Every commit (and checkout) appends to the reflog: configure again then, so that the
      # programs carry the new commit's time.
      execute_process(
        COMMAND ${GIT_EXECUTABLE} rev-parse --git-path logs/HEAD
        WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
        OUTPUT_VARIABLE reflog OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
      get_filename_component(reflog "${reflog}" ABSOLUTE BASE_DIR ${PROJECT_SOURCE_DIR})
      if(reflog MATCHES "/HEAD$" AND EXISTS "${reflog}")
        set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${reflog}")
      endif()
    endif()
  endif()
endif()

# The version resources of both programs (launcher/version_info.rc2) take the project's version.
string(REPLACE "." "," version_commas "${PROJECT_VERSION}")
add_compile_definitions($<$<COMPILE_LANGUAGE:RC>:ZURVO_VERSION=${version_commas}>
                        $<$<COMPILE_LANGUAGE:RC>:ZURVO_VERSION_TEXT=${PROJECT_VERSION}>)

# zurvo_ship(<target>): <target> is one of the programs the release zip holds. In the release
# configurations (Release, MinSizeRel) it is linked without symbols or debug data, so that the
# build tree's program is the zip's; RelWithDebInfo and Debug keep theirs for debugging, and the
# zip's copy is stripped whatever the configuration. GNU ld writes SOURCE_DATE_EPOCH as the
# header's time stamp, and the checksum follows from the bytes.
function(zurvo_ship target)
  if(MINGW)
    target_link_options(${target} PRIVATE $<$<CONFIG:Release,MinSizeRel>:-s>)
    set_property(TARGET ${target} PROPERTY CXX_LINKER_LAUNCHER
                 ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${ZURVO_SOURCE_DATE_EPOCH})
  endif()
endfunction()
