# Finds the parts of OpenCV that the imaging library and the preview use, core, imgproc and videoio,
# and imgcodecs, with which the tests read the preview's recordings back, and gives them the names
# OpenCV::core, OpenCV::imgproc, OpenCV::videoio and OpenCV::imgcodecs.
#
# Debian's libopencv-core-dev, libopencv-imgproc-dev, libopencv-videoio-dev and
# libopencv-imgcodecs-dev hold the headers and
# the libraries but not OpenCV's own CMake configuration, which only libopencv-dev brings, with
# every other module and some seventy packages more. Where that configuration is installed (other
# systems, a build of OpenCV's own), it is used; otherwise the headers and libraries are looked up
# directly.
#
#   ORVEX_OPENCV_FOUND          whether core and imgproc were found
#   ORVEX_OPENCV_VIDEOIO_FOUND  whether videoio was found too
#   ORVEX_OPENCV_IMGCODECS_FOUND  whether imgcodecs was found too
#   ORVEX_OPENCV_VERSION        their version, from the headers

find_package(OpenCV 4 QUIET CONFIG COMPONENTS core imgproc
    OPTIONAL_COMPONENTS videoio imgcodecs)
if(OpenCV_FOUND)
    foreach(part videoio imgcodecs)
        string(TOUPPER ${part} upper)
        set(ORVEX_OPENCV_${upper}_FOUND OFF)
        if(TARGET opencv_${part} OR TARGET OpenCV::${part})
            set(ORVEX_OPENCV_${upper}_FOUND ON)
        endif()
    endforeach()
    foreach(part core imgproc videoio imgcodecs)
        string(TOUPPER ${part} upper)
        if(DEFINED ORVEX_OPENCV_${upper}_FOUND AND NOT ORVEX_OPENCV_${upper}_FOUND)
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
find_library(ORVEX_OPENCV_IMGCODECS_LIBRARY opencv_imgcodecs)
mark_as_advanced(ORVEX_OPENCV_INCLUDE_DIR ORVEX_OPENCV_CORE_LIBRARY ORVEX_OPENCV_IMGPROC_LIBRARY
    ORVEX_OPENCV_VIDEOIO_LIBRARY ORVEX_OPENCV_IMGCODECS_LIBRARY)

set(ORVEX_OPENCV_FOUND OFF)
set(ORVEX_OPENCV_VIDEOIO_FOUND OFF)
set(ORVEX_OPENCV_IMGCODECS_FOUND OFF)
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
    foreach(part videoio imgcodecs)
        string(TOUPPER ${part} upper)
        if(ORVEX_OPENCV_${upper}_LIBRARY AND
           EXISTS ${ORVEX_OPENCV_INCLUDE_DIR}/opencv2/${part}.hpp)
            add_library(OpenCV::${part} UNKNOWN IMPORTED)
            set_target_properties(OpenCV::${part} PROPERTIES
                IMPORTED_LOCATION ${ORVEX_OPENCV_${upper}_LIBRARY}
                INTERFACE_LINK_LIBRARIES OpenCV::core)
            set(ORVEX_OPENCV_${upper}_FOUND ON)
        endif()
    endforeach()
endif()

if(ORVEX_OPENCV_FOUND)
    message(STATUS "OpenCV ${ORVEX_OPENCV_VERSION} (core, imgproc; videoio: "
        "${ORVEX_OPENCV_VIDEOIO_FOUND}, imgcodecs: ${ORVEX_OPENCV_IMGCODECS_FOUND})")
endif()
