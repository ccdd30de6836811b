# The option tables of every program and the one parser that reads them, with the help texts
# and man pages written from the tables: plain C++, which the windows (through qorqt) link
# too, and so set up before qt/, in the fuzz build as well.
set(qoroptions_dir ${CMAKE_CURRENT_LIST_DIR})
add_library(qoroptions STATIC
  ${qoroptions_dir}/optiontable.h ${qoroptions_dir}/optiontable.cpp
  ${qoroptions_dir}/options.h ${qoroptions_dir}/options.cpp
  ${qoroptions_dir}/renderoptions.h ${qoroptions_dir}/renderoptions.cpp
  ${qoroptions_dir}/programs.h ${qoroptions_dir}/programs.cpp
)
target_include_directories(qoroptions PUBLIC ${PROJECT_SOURCE_DIR})
# Numbers are read as the format reads them (qor::wholeNumber).
target_link_libraries(qoroptions PUBLIC qorformat)
