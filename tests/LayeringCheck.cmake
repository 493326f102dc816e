cmake_minimum_required(VERSION 3.25)

# Fails when a source file includes a header of a folder its folder may not
# use, or when a file of the logic folders includes a widget header. Run as:
#   cmake -DSOURCE_DIR=<src> [-DWIDGETS_INCLUDE_DIRS=<dir|dir|...>] -P LayeringCheck.cmake
# WIDGETS_INCLUDE_DIRS are the include folders of Qt's widget module; every
# header found in its QtWidgets folder is forbidden in the logic folders.
# Without it (or in addition to it) a list of the common widget classes is used.

if(NOT SOURCE_DIR OR NOT IS_DIRECTORY "${SOURCE_DIR}")
    message(FATAL_ERROR "LayeringCheck: SOURCE_DIR='${SOURCE_DIR}' is not a folder")
endif()

set(logic_folders platform store media find exchange archive)

# The allowed directions, the one place they are written: each folder of src
# and the folders whose headers it may include (its own always). A folder
# missing from the table may include nothing but itself.
#   Logic: platform at the bottom, the store above it, the rest above both.
#   media and archive use each other today (packaged files, media checks
#   before extraction); that pair is the one cycle left.
#   ui holds the widgets two windows share and includes no window folder.
#   A window folder opens a window of another in one direction only: the main
#   window (explorer) opens the Find and the conversion windows.
#   app starts everything.
set(allowed_platform "")
set(allowed_store platform)
set(allowed_media platform store archive)
set(allowed_archive platform store media)
set(allowed_find platform store)
set(allowed_exchange platform store media)
set(allowed_ui ${logic_folders})
set(allowed_findwindow ${logic_folders} ui)
set(allowed_exchangewindow ${logic_folders} ui)
set(allowed_explorer ${logic_folders} ui findwindow exchangewindow)
set(allowed_app ${logic_folders} ui explorer findwindow exchangewindow)

set(forbidden
    QAbstractButton QAbstractItemDelegate QAbstractItemView QAbstractScrollArea QAbstractSlider
    QAbstractSpinBox QApplication QBoxLayout QButtonGroup QCheckBox QColorDialog QComboBox
    QDialog QDialogButtonBox QDockWidget QErrorMessage QFileDialog QFileSystemModel QFontDialog
    QFormLayout QFrame QGridLayout QGroupBox QHBoxLayout QHeaderView QInputDialog QLabel QLayout
    QLineEdit QListView QListWidget QMainWindow QMdiArea QMenu QMenuBar QMessageBox QPlainTextEdit
    QProgressBar QProgressDialog QPushButton QRadioButton QScrollArea QScrollBar QSizePolicy
    QSlider QSpinBox QSplitter QStackedWidget QStatusBar QStyle QStyleOption QStyledItemDelegate
    QSystemTrayIcon QTabBar QTabWidget QTableView QTableWidget QTextEdit QToolBar QToolButton
    QTreeView QTreeWidget QVBoxLayout QWidget QWizard)

# Every header of the installed widget module, by name (QLabel, qlabel.h, ...).
string(REPLACE "|" ";" widget_dirs "${WIDGETS_INCLUDE_DIRS}")
foreach(dir IN LISTS widget_dirs)
    get_filename_component(dir_name "${dir}" NAME)
    if(dir_name STREQUAL "QtWidgets" AND IS_DIRECTORY "${dir}")
        file(GLOB module_headers RELATIVE "${dir}" "${dir}/*")
        list(APPEND forbidden ${module_headers})
    endif()
endforeach()
list(REMOVE_DUPLICATES forbidden)

set(violations "")
set(checked 0)
foreach(folder IN LISTS logic_folders)
    if(NOT IS_DIRECTORY "${SOURCE_DIR}/${folder}")
        continue()
    endif()
    file(GLOB_RECURSE sources "${SOURCE_DIR}/${folder}/*.h" "${SOURCE_DIR}/${folder}/*.hpp"
         "${SOURCE_DIR}/${folder}/*.cpp" "${SOURCE_DIR}/${folder}/*.cc")
    foreach(source IN LISTS sources)
        math(EXPR checked "${checked} + 1")
        file(STRINGS "${source}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
        foreach(line IN LISTS includes)
            if(NOT line MATCHES "#[ \t]*include[ \t]*[<\"]([^>\"]+)[>\"]")
                continue()
            endif()
            set(header "${CMAKE_MATCH_1}")
            set(bad FALSE)
            if(header MATCHES "^QtWidgets")
                set(bad TRUE)
            else()
                get_filename_component(header_name "${header}" NAME)
                if(header_name IN_LIST forbidden)
                    set(bad TRUE)
                endif()
            endif()
            if(bad)
                file(RELATIVE_PATH relative "${SOURCE_DIR}" "${source}")
                string(STRIP "${line}" line)
                string(APPEND violations "\n  ${relative}: ${line}")
            endif()
        endforeach()
    endforeach()
endforeach()

# Folder direction: a quoted include "folder/..." of a folder of src must be
# the file's own folder or one its folder is allowed.
set(direction_violations "")
file(GLOB src_folders RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/*")
file(GLOB_RECURSE all_sources "${SOURCE_DIR}/*.h" "${SOURCE_DIR}/*.hpp" "${SOURCE_DIR}/*.cpp"
     "${SOURCE_DIR}/*.cc")
foreach(source IN LISTS all_sources)
    file(RELATIVE_PATH relative "${SOURCE_DIR}" "${source}")
    string(REGEX REPLACE "/.*" "" folder "${relative}")
    if(folder STREQUAL relative)
        continue()
    endif()
    file(STRINGS "${source}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    foreach(line IN LISTS includes)
        if(NOT line MATCHES "#[ \t]*include[ \t]*\"([^/\"]+)/")
            continue()
        endif()
        set(target_folder "${CMAKE_MATCH_1}")
        if(target_folder STREQUAL folder OR NOT IS_DIRECTORY "${SOURCE_DIR}/${target_folder}"
           OR NOT target_folder IN_LIST src_folders)
            continue()
        endif()
        if(NOT target_folder IN_LIST allowed_${folder})
            string(STRIP "${line}" line)
            string(APPEND direction_violations "\n  ${relative}: ${line}")
        endif()
    endforeach()
endforeach()

if(violations)
    message(FATAL_ERROR "Logic code includes widget headers:${violations}\n"
                        "Reach the user through UserInterface instead.")
endif()
if(direction_violations)
    message(FATAL_ERROR "Includes against the folder direction:${direction_violations}\n"
                        "The allowed directions are the allowed_<folder> lists of "
                        "tests/LayeringCheck.cmake.")
endif()
message(STATUS "LayeringCheck: ${checked} files of the logic folders include no widget header; "
               "every folder includes only the folders it may use")
