# Chooses the Qt the whole build uses and gives its modules one set of names, Qt::Core,
# Qt::Widgets, Qt::SerialPort and Qt::Test, whichever major version is found. Everything else
# links those names, so no other file of the build knows which Qt it gets.
#
#   ORVEX_QT_MAJOR=5 (the default): Qt 5.12 or later
#   ORVEX_QT_MAJOR=6: Qt 6.2 or later

set(ORVEX_QT_MAJOR 5 CACHE STRING "Major version of the Qt to build against: 5 or 6")
set_property(CACHE ORVEX_QT_MAJOR PROPERTY STRINGS 5 6)

set(orvex_qt_modules Core Gui Widgets SerialPort Test)

if(ORVEX_QT_MAJOR STREQUAL "5")
    find_package(Qt5 5.12 COMPONENTS ${orvex_qt_modules} REQUIRED)
    # Qt 5.15 brings the versionless names itself; older Qt 5 releases only the Qt5:: ones.
    foreach(module ${orvex_qt_modules})
        if(NOT TARGET Qt::${module})
            add_library(Qt::${module} INTERFACE IMPORTED)
            set_target_properties(Qt::${module} PROPERTIES
                INTERFACE_LINK_LIBRARIES Qt5::${module})
        endif()
    endforeach()
    set(ORVEX_QT_VERSION ${Qt5_VERSION})
elseif(ORVEX_QT_MAJOR STREQUAL "6")
    find_package(Qt6 6.2 COMPONENTS ${orvex_qt_modules} REQUIRED)
    set(ORVEX_QT_VERSION ${Qt6_VERSION})
else()
    message(FATAL_ERROR "ORVEX_QT_MAJOR is \"${ORVEX_QT_MAJOR}\"; it must be 5 or 6")
endif()

message(STATUS "Building against Qt ${ORVEX_QT_VERSION}")
