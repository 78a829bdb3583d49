# lexicarta_test(<name> SOURCES <files...> [GUI] [WEBENGINE] [THREADED] [DEVSERVICE] [LIBS <libs...>])
#   GUI        needs a display (a virtual one of its own, see LEXICARTA_OWN_DISPLAY); links the window code
#   WEBENGINE  uses the browser engine: sandbox off as root, sanitizer settings for Chromium's own code
#   THREADED   also built and run in the ThreadSanitizer build
#   DEVSERVICE starts the reference service; its path reaches the test as LEXICARTA_DEVSERVICE
# Every test executable gets a private XDG config, data and cache folder from the shared test main.
find_package(GTest REQUIRED)

# Window tests run each on a virtual display of its own, so that tests side by side never take each
# other's keyboard focus.
set(LEXICARTA_OWN_DISPLAY "${PROJECT_SOURCE_DIR}/tests/support/own-display")
set(LEXICARTA_LSAN_SUPPRESSIONS "${PROJECT_SOURCE_DIR}/tests/support/lsan-browser.supp")

function(lexicarta_test name)
    cmake_parse_arguments(T "GUI;WEBENGINE;THREADED;DEVSERVICE" "" "SOURCES;LIBS" ${ARGN})
    if(T_WEBENGINE)
        set(T_GUI ON)
    endif()
    if(LEXICARTA_CORE_ONLY AND (T_GUI OR NOT T_THREADED))
        return()
    endif()
    add_executable(${name} ${T_SOURCES} ${PROJECT_SOURCE_DIR}/tests/support/TestMain.cpp)
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
    if(T_GUI)
        target_link_libraries(${name} PRIVATE lexicarta_gui)
        target_compile_definitions(${name} PRIVATE LEXICARTA_TEST_GUI=1)
    else()
        target_link_libraries(${name} PRIVATE lexicarta_core)
    endif()
    target_link_libraries(${name} PRIVATE GTest::gtest GTest::gmock ${T_LIBS})
    if(T_GUI)
        add_test(NAME ${name} COMMAND ${LEXICARTA_OWN_DISPLAY} $<TARGET_FILE:${name}>)
    else()
        add_test(NAME ${name} COMMAND ${name})
    endif()
    set(env "QT_QPA_PLATFORM=xcb" "LEXICARTA_TEST_NAME=${name}")
    set(labels "")
    if(NOT T_GUI)
        set(env "QT_QPA_PLATFORM=offscreen" "LEXICARTA_TEST_NAME=${name}")
    endif()
    if(T_WEBENGINE)
        list(APPEND env
            "QTWEBENGINE_DISABLE_SANDBOX=1"
            "QTWEBENGINE_CHROMIUM_FLAGS=--disable-gpu --disable-background-networking --no-first-run"
            # Software drawing for the view: the GLX integration leaves a small leak in a driver library
            # that is unloaded before LeakSanitizer looks, so no suppression could name it.
            "QT_XCB_GL_INTEGRATION=none"
            "QT_QUICK_BACKEND=software"
            "ASAN_OPTIONS=new_delete_type_mismatch=0:detect_leaks=1"
            "LSAN_OPTIONS=suppressions=${LEXICARTA_LSAN_SUPPRESSIONS}:print_suppressions=0")
        list(APPEND labels webengine)
        target_compile_definitions(${name} PRIVATE LEXICARTA_TEST_WEBENGINE=1)
    endif()
    if(T_GUI)
        list(APPEND labels gui)
    endif()
    if(T_GUI AND NOT T_WEBENGINE)
        # No OpenGL for plain windows: Mesa's GLX driver, loaded and unloaded by the X platform plug-in,
        # leaves an allocation behind that LeakSanitizer cannot trace to its library.
        list(APPEND env "QT_XCB_GL_INTEGRATION=none")
        list(APPEND env "LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/support/lsan-gui.supp:print_suppressions=0")
    endif()
    if(T_THREADED)
        list(APPEND labels threaded)
        if(LEXICARTA_SANITIZE MATCHES "thread")
            list(APPEND env "TSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/support/tsan.supp:halt_on_error=1:second_deadlock_stack=1")
        endif()
    endif()
    if(T_DEVSERVICE)
        add_dependencies(${name} lexicarta-devservice)
        list(APPEND env "LEXICARTA_DEVSERVICE=$<TARGET_FILE:lexicarta-devservice>")
        list(APPEND labels devservice)
    endif()
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "${env}" LABELS "${labels}" TIMEOUT 600)
endfunction()
