# Finds the parts of OpenCV that the imaging library and the preview use, core, imgproc and videoio,
# and gives them the names OpenCV::core, OpenCV::imgproc and OpenCV::videoio.
#
# Debian's libopencv-core-dev, libopencv-imgproc-dev and libopencv-videoio-dev hold the headers and
# the libraries but not OpenCV's own CMake configuration, which only libopencv-dev brings, with
# every other module and some seventy packages more. Where that configuration is installed (other
# systems, a build of OpenCV's own), it is used; otherwise the headers and libraries are looked up
# directly.
#
#   ORVEX_OPENCV_FOUND          whether core and imgproc were found
#   ORVEX_OPENCV_VIDEOIO_FOUND  whether videoio was found too
#   ORVEX_OPENCV_VERSION        their version, from the headers

find_package(OpenCV 4 QUIET CONFIG COMPONENTS core imgproc OPTIONAL_COMPONENTS videoio)
if(OpenCV_FOUND)
    set(ORVEX_OPENCV_VIDEOIO_FOUND OFF)
    if(TARGET opencv_videoio OR TARGET OpenCV::videoio)
        set(ORVEX_OPENCV_VIDEOIO_FOUND ON)
    endif()
    foreach(part core imgproc videoio)
        if(part STREQUAL "videoio" AND NOT ORVEX_OPENCV_VIDEOIO_FOUND)
            continue()
        endif()
        if(NOT TARGET OpenCV::${part})
            add_library(OpenCV::${part} INTERFACE IMPORTED)
            set_target_properties(OpenCV::${part} PROPERTIES
                INTERFACE_LINK_LIBRARIES opencv_${part})
        endif()
    endforeach()
    set(ORVEX_OPENCV_FOUND ON)
    set(ORVEX_OPENCV_VERSION ${OpenCV_VERSION})
    return()
endif()

find_path(ORVEX_OPENCV_INCLUDE_DIR opencv2/core.hpp PATH_SUFFIXES opencv4)
find_library(ORVEX_OPENCV_CORE_LIBRARY opencv_core)
find_library(ORVEX_OPENCV_IMGPROC_LIBRARY opencv_imgproc)
find_library(ORVEX_OPENCV_VIDEOIO_LIBRARY opencv_videoio)
mark_as_advanced(ORVEX_OPENCV_INCLUDE_DIR ORVEX_OPENCV_CORE_LIBRARY ORVEX_OPENCV_IMGPROC_LIBRARY
    ORVEX_OPENCV_VIDEOIO_LIBRARY)

set(ORVEX_OPENCV_FOUND OFF)
set(ORVEX_OPENCV_VIDEOIO_FOUND OFF)
if(ORVEX_OPENCV_INCLUDE_DIR AND ORVEX_OPENCV_CORE_LIBRARY AND ORVEX_OPENCV_IMGPROC_LIBRARY AND
   EXISTS ${ORVEX_OPENCV_INCLUDE_DIR}/opencv2/imgproc.hpp)
    file(STRINGS ${ORVEX_OPENCV_INCLUDE_DIR}/opencv2/core/version.hpp version_lines
        REGEX "#define CV_VERSION_(MAJOR|MINOR|REVISION) ")
    foreach(part MAJOR MINOR REVISION)
        string(REGEX REPLACE ".*#define CV_VERSION_${part} +([0-9]+).*" "\\1"
            version_${part} "${version_lines}")
    endforeach()
    set(ORVEX_OPENCV_VERSION ${version_MAJOR}.${version_MINOR}.${version_REVISION})
    if(ORVEX_OPENCV_VERSION VERSION_LESS 4)
        message(FATAL_ERROR "OpenCV ${ORVEX_OPENCV_VERSION} found in ${ORVEX_OPENCV_INCLUDE_DIR}; "
            "the imaging library needs OpenCV 4")
    endif()

    add_library(OpenCV::core UNKNOWN IMPORTED)
    set_target_properties(OpenCV::core PROPERTIES
        IMPORTED_LOCATION ${ORVEX_OPENCV_CORE_LIBRARY}
        INTERFACE_INCLUDE_DIRECTORIES ${ORVEX_OPENCV_INCLUDE_DIR})
    add_library(OpenCV::imgproc UNKNOWN IMPORTED)
    set_target_properties(OpenCV::imgproc PROPERTIES
        IMPORTED_LOCATION ${ORVEX_OPENCV_IMGPROC_LIBRARY}
        INTERFACE_LINK_LIBRARIES OpenCV::core)
    set(ORVEX_OPENCV_FOUND ON)
    if(ORVEX_OPENCV_VIDEOIO_LIBRARY AND EXISTS ${ORVEX_OPENCV_INCLUDE_DIR}/opencv2/videoio.hpp)
        add_library(OpenCV::videoio UNKNOWN IMPORTED)
        set_target_properties(OpenCV::videoio PROPERTIES
            IMPORTED_LOCATION ${ORVEX_OPENCV_VIDEOIO_LIBRARY}
            INTERFACE_LINK_LIBRARIES OpenCV::core)
        set(ORVEX_OPENCV_VIDEOIO_FOUND ON)
    endif()
endif()

if(ORVEX_OPENCV_FOUND)
    message(STATUS "OpenCV ${ORVEX_OPENCV_VERSION} (core, imgproc; videoio: ${ORVEX_OPENCV_VIDEOIO_FOUND})")
endif()
