cmake_minimum_required(VERSION 3.25)

# Fails when a file of the logic folders includes a widget header or a header
# of the windowed front end. Run as:
#   cmake -DSOURCE_DIR=<src> [-DWIDGETS_INCLUDE_DIRS=<dir|dir|...>] -P LayeringCheck.cmake
# WIDGETS_INCLUDE_DIRS are the include folders of Qt's widget module; every
# header found in its QtWidgets folder is forbidden. Without it (or in
# addition to it) a list of the common widget classes is used.

if(NOT SOURCE_DIR OR NOT IS_DIRECTORY "${SOURCE_DIR}")
    message(FATAL_ERROR "LayeringCheck: SOURCE_DIR='${SOURCE_DIR}' is not a folder")
endif()

set(logic_folders platform store media find exchange archive)

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
            if(header MATCHES "^QtWidgets" OR header MATCHES "^ui/")
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

if(violations)
    message(FATAL_ERROR "Logic code includes widget or window headers:${violations}\n"
                        "Reach the user through UserInterface instead.")
endif()
message(STATUS "LayeringCheck: ${checked} files of the logic folders include no widget header")
