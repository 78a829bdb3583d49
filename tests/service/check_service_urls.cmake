# The build's check of the service address: every case of service_urls.txt, and a configuration with
# a plain http address beyond loopback that stops with a clear message.
#   cmake -DSOURCE_DIR=<project> -DWORK_DIR=<scratch folder> -P check_service_urls.cmake
include("${SOURCE_DIR}/cmake/ServiceAddress.cmake")
file(STRINGS "${SOURCE_DIR}/tests/service/service_urls.txt" cases REGEX "^(accept|refuse) ")
set(failures 0)
foreach(line IN LISTS cases)
    string(REGEX MATCH "^(accept|refuse) (.*)$" _ "${line}")
    set(expected "${CMAKE_MATCH_1}")
    set(url "${CMAKE_MATCH_2}")
    lexicarta_check_service_url("${url}" problem)
    if((expected STREQUAL "accept") EQUAL (problem STREQUAL ""))
    else()
        message(SEND_ERROR "${url}: expected ${expected}, problem '${problem}'")
        math(EXPR failures "${failures} + 1")
    endif()
endforeach()

file(REMOVE_RECURSE "${WORK_DIR}")
execute_process(
    COMMAND "${CMAKE_COMMAND}" -S "${SOURCE_DIR}" -B "${WORK_DIR}" -G Ninja
            "-DLEXICARTA_SERVICE_URL=http://lexicarta.example" -DLEXICARTA_TESTS=OFF
    RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
file(REMOVE_RECURSE "${WORK_DIR}")
if(result EQUAL 0)
    message(FATAL_ERROR "a configuration with http://lexicarta.example went through")
endif()
string(REGEX REPLACE "[ \n]+" " " flat "${err}") # CMake wraps its messages
if(NOT flat MATCHES "LEXICARTA_SERVICE_URL=http://lexicarta.example: plain http is allowed only to 127.0.0.0/8")
    message(FATAL_ERROR "no clear message for http://lexicarta.example:\n${err}")
endif()
if(failures GREATER 0)
    message(FATAL_ERROR "${failures} addresses judged wrongly")
endif()
message(STATUS "service address rule: ok")
